#include "device/picture_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "base/atomic_write.h"
#include "base/file_bytes.h"
#include "base/private_runtime.h"

namespace quorvel {
namespace {

// In the folder the user's single-instance and keyboard sockets use: another user can neither
// create the name first nor plant a picture there.
std::string RuntimeFolder() {
    const std::string folder = PrivateRuntimeFolder();
    return folder.empty() ? "" : folder + "/quorvel";
}

// FNV-1a: a stable file name for any attachment point, whatever characters it contains.
std::string NameOf(const std::string& device) {
    uint64_t hash = 1469598103934665603ULL;
    for (unsigned char c : device) hash = (hash ^ c) * 1099511628211ULL;
    char name[32];
    std::snprintf(name, sizeof name, "picture-%016llx", static_cast<unsigned long long>(hash));
    return name;
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
    const std::string folder = RuntimeFolder();
    if (folder.empty()) return "";
    return folder + "/" + NameOf(identity.substr(0, identity.rfind('#')));
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

void PictureStore::Hold::RemoveFile() {
    store_.RemoveLocked();
}

void PictureStore::Enter() {
    mutex_.lock();
    if (depth_++ > 0) return;
    const std::string identity = picture_.PlugIdentity();
    if (identity.empty()) return;
    path_ = PictureFilePath(identity);
    if (path_.empty()) return;
    const std::string folder = path_.substr(0, path_.rfind('/'));
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        path_.clear();
        return;
    }
    lockFd_ = TakeLockFile(path_ + ".lock", true);
    if (lockFd_ < 0) {
        // Without the lock another process may be halfway through its own save.
        path_.clear();
        return;
    }
    ino_t inode = 0;
    int64_t time = 0;
    if (!FileStamp(path_, inode, time)) {
        // Gone since this process last had it: a writer died before it could confirm.
        if (fileInode_ != 0) picture_.ForgetAll();
        fileInode_ = 0;
        fileTime_ = 0;
        return;
    }
    if (inode == fileInode_ && time == fileTime_) return;
    picture_.TakeEncoded(ReadFileBytes(path_).value_or(std::vector<uint8_t>{}));
    fileInode_ = inode;
    fileTime_ = time;
    savedVersion_ = picture_.Version();
}

void PictureStore::SaveLocked() {
    std::lock_guard lock(mutex_);
    // Saved when it changed, and when there is no file (removed for a write, or never made).
    if (path_.empty() || !saving_ || (fileInode_ != 0 && picture_.Version() == savedVersion_))
        return;
    if (picture_.PlugIdentity().empty() || PictureFilePath(picture_.PlugIdentity()) != path_)
        return;
    const uint64_t version = picture_.Version();
    const std::vector<uint8_t> bytes = picture_.Encode();
    // The runtime folder and the plug-in the picture belongs to both end with a reboot, so a
    // power cut cannot leave a file that is trusted afterwards: no flush to disk.
    if (WriteFileAtomically(path_, bytes, nullptr, 0600, FlushToDisk::NO)) {
        savedVersion_ = version;
        FileStamp(path_, fileInode_, fileTime_);
    }
}

void PictureStore::RemoveLocked() {
    std::lock_guard lock(mutex_);
    if (path_.empty() || !saving_) return;
    const bool removed = unlink(path_.c_str()) == 0 || errno == ENOENT;
    fileInode_ = 0;
    fileTime_ = 0;
    // A file that stays must at least say what is now unknown.
    if (!removed) SaveLocked();
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
