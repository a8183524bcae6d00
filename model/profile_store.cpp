#include "model/profile_store.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <vector>

#include "base/atomic_write.h"
#include "base/ini_file.h"
#include "model/profile_image.h"

namespace quorvel {
namespace {

namespace fs = std::filesystem;

struct FolderSettings {
    std::mutex mutex;
    std::string documents;
    std::string dataOverride;
};

FolderSettings& Folders() {
    static FolderSettings settings;
    return settings;
}

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir) return entry->pw_dir;
    return ".";
}

std::string InDataFolder(std::string_view name) {
    EnsureDataFolder();
    return DataFolder() + "/" + std::string(name);
}

bool IsRegularFile(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

// The bytes of the image that the file holds: no more than its header describes, so a
// damaged header cannot make us read a huge unrelated file.
std::optional<std::vector<uint8_t>> ReadImageBytes(const std::string& path) {
    if (!IsRegularFile(path)) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<uint8_t> bytes(PROFILE_IMAGE_BASE_SIZE);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (static_cast<size_t>(in.gcount()) < bytes.size()) return std::nullopt;

    const ImageHeader header = ReadImageHeader(bytes.data());
    std::error_code ec;
    const uintmax_t fileSize = fs::file_size(path, ec);
    if (ec) return std::nullopt;
    const uint64_t wanted =
        std::min<uint64_t>(ImageSizeFor(header.macroCount, header.textBytes), fileSize);
    if (wanted > bytes.size()) {
        const size_t have = bytes.size();
        bytes.resize(static_cast<size_t>(wanted));
        in.read(reinterpret_cast<char*>(bytes.data() + have),
                static_cast<std::streamsize>(bytes.size() - have));
        if (in.bad()) return std::nullopt;
        bytes.resize(have + static_cast<size_t>(in.gcount()));
    }
    return bytes;
}

}  // namespace

std::string DefaultDocumentsFolder() {
    if (const char* documents = std::getenv("XDG_DOCUMENTS_DIR"); documents && *documents)
        return documents;
    return HomeFolder() + "/Documents";
}

void SetDocumentsFolder(std::string folder) {
    std::lock_guard lock(Folders().mutex);
    Folders().documents = std::move(folder);
}

void SetDataFolderOverride(std::string folder) {
    std::lock_guard lock(Folders().mutex);
    Folders().dataOverride = std::move(folder);
}

std::string DataFolder() {
    FolderSettings& folders = Folders();
    std::lock_guard lock(folders.mutex);
    if (!folders.dataOverride.empty()) return folders.dataOverride;
    const std::string documents =
        folders.documents.empty() ? DefaultDocumentsFolder() : folders.documents;
    return documents + "/" + std::string(DATA_FOLDER_NAME);
}

bool EnsureDataFolder() {
    const std::string folder = DataFolder();
    std::error_code ec;
    fs::create_directories(folder, ec);
    return fs::is_directory(folder, ec);
}

std::string ProfileFilePath(int profile) {
    char name[32];
    std::snprintf(name, sizeof name, "$Profile%d", profile);
    return InDataFolder(name);
}

std::string SettingsFilePath() {
    return InDataFolder(SETTINGS_FILE_NAME);
}

bool ReadDengCheck() {
    const IniFile settings(SettingsFilePath());
    return settings.ReadInt(SETTINGS_SECTION_KEYCOLOR, SETTINGS_KEY_DENG_CHECK, 0) == 1;
}

bool WriteDengCheck(bool lightingPanelShown) {
    IniFile settings(SettingsFilePath());
    return settings.WriteString(SETTINGS_SECTION_KEYCOLOR, SETTINGS_KEY_DENG_CHECK,
                                lightingPanelShown ? "1" : "0");
}

bool WriteProfileImage(const std::string& path, WorkingSetData& data) {
    try {
        return WriteFileAtomically(path, EncodeProfileImage(data));
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool WriteProfileImage(const std::string& path, ProfileWorkingSet& workingSet) {
    WorkingSetLock data = workingSet.Lock();
    return WriteProfileImage(path, *data);
}

bool LoadProfileFile(const std::string& path, WorkingSetData& data) {
    try {
        const std::optional<std::vector<uint8_t>> bytes = ReadImageBytes(path);
        if (!bytes) return false;
        std::optional<WorkingSetData> loaded = DecodeProfileImage(*bytes);
        if (!loaded) return false;
        data = std::move(*loaded);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool SaveWorkingSet(int activeProfile, WorkingSetData& data) {
    if (activeProfile < 0) return false;
    const std::string path = ProfileFilePath(activeProfile);
    return IsRegularFile(path) && WriteProfileImage(path, data);
}

std::future<bool> SaveWorkingSetAlongside(int activeProfile, WorkingSetData& data) {
    std::promise<bool> done;
    std::future<bool> result = done.get_future();
    const std::string path = activeProfile < 0 ? "" : ProfileFilePath(activeProfile);
    if (path.empty() || !IsRegularFile(path)) {
        done.set_value(false);
        return result;
    }
    try {
        auto image = std::make_shared<const std::vector<uint8_t>>(EncodeProfileImage(data));
        auto write = [path, image] { return WriteFileAtomically(path, *image); };
        try {
            return std::async(std::launch::async, write);
        } catch (const std::system_error&) {
            // No thread to be had: written here and now.
            done.set_value(write());
        }
    } catch (const std::bad_alloc&) {
        done.set_value(false);
    }
    return result;
}

bool SaveWorkingSet(int activeProfile, ProfileWorkingSet& workingSet) {
    WorkingSetLock data = workingSet.Lock();
    return SaveWorkingSet(activeProfile, *data);
}

void CreateFreshWorkingSet(WorkingSetData& data) {
    data = FreshWorkingSetData();
}

void FreeWorkingSet(WorkingSetData& data) {
    data = WorkingSetData{};
}

}  // namespace quorvel
