#include "device/picture_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace quorvel {
namespace {

std::string RuntimeFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') return std::string(runtime) + "/quorvel";
    return "/tmp/quorvel-" + std::to_string(getuid());
}

// FNV-1a: a stable file name for any attachment point, whatever characters it contains.
std::string NameOf(const std::string& device) {
    uint64_t hash = 1469598103934665603ULL;
    for (unsigned char c : device) hash = (hash ^ c) * 1099511628211ULL;
    char name[32];
    std::snprintf(name, sizeof name, "picture-%016llx", static_cast<unsigned long long>(hash));
    return name;
}

// Replaces the file in one step for the other processes (temporary file, rename), without
// flushing it to disk: the runtime folder does not outlive a reboot, and neither does any
// plug-in the picture describes.
bool ReplaceFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    const std::string temporary = path + ".new";
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        written += static_cast<size_t>(n);
    }
    const bool ok = close(fd) == 0 && written == bytes.size() &&
                    std::rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) std::remove(temporary.c_str());
    return ok;
}

bool FileStamp(const std::string& path, ino_t& inode, int64_t& time) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return false;
    inode = info.st_ino;
    time = static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec;
    return true;
}

}  // namespace

std::string PictureFilePath(const std::string& identity) {
    return RuntimeFolder() + "/" + NameOf(identity.substr(0, identity.rfind('#')));
}

void PictureStore::SetSaving(bool saving) {
    std::lock_guard lock(mutex_);
    saving_ = saving;
}

PictureStore::Hold::Hold(PictureStore& store) : store_(store) {
    store_.Enter();
}

PictureStore::Hold::~Hold() {
    store_.Leave();
}

void PictureStore::Hold::Save() {
    store_.SaveLocked();
}

void PictureStore::Enter() {
    mutex_.lock();
    if (depth_++ > 0) return;
    const std::string identity = picture_.PlugIdentity();
    if (identity.empty()) return;
    path_ = PictureFilePath(identity);
    std::error_code error;
    std::filesystem::create_directories(RuntimeFolder(), error);
    std::filesystem::permissions(RuntimeFolder(), std::filesystem::perms::owner_all, error);
    lockFd_ = open((path_ + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lockFd_ >= 0) {
        while (flock(lockFd_, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    ino_t inode = 0;
    int64_t time = 0;
    if (!FileStamp(path_, inode, time) || (inode == fileInode_ && time == fileTime_)) return;
    std::ifstream in(path_, std::ios::binary);
    const std::vector<uint8_t> data{std::istreambuf_iterator<char>(in),
                                    std::istreambuf_iterator<char>()};
    picture_.TakeEncoded(data);
    fileInode_ = inode;
    fileTime_ = time;
    savedVersion_ = picture_.Version();
}

void PictureStore::SaveLocked() {
    std::lock_guard lock(mutex_);
    if (path_.empty() || !saving_ || picture_.Version() == savedVersion_) return;
    if (picture_.PlugIdentity().empty() || PictureFilePath(picture_.PlugIdentity()) != path_)
        return;
    const uint64_t version = picture_.Version();
    if (ReplaceFile(path_, picture_.Encode())) {
        savedVersion_ = version;
        FileStamp(path_, fileInode_, fileTime_);
    }
}

void PictureStore::Leave() {
    if (--depth_ == 0) {
        SaveLocked();
        if (lockFd_ >= 0) close(lockFd_);
        lockFd_ = -1;
        path_.clear();
    }
    mutex_.unlock();
}

}  // namespace quorvel
