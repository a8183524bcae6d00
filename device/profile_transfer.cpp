#include "device/profile_transfer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <future>
#include <new>
#include <optional>
#include <vector>

#include "base/atomic_write.h"
#include "base/byte_order.h"
#include "base/file_bytes.h"
#include "device/chunk_writer.h"
#include "device/device_events.h"
#include "device/device_link.h"
#include "device/firmware_commands.h"
#include "device/macro_area.h"
#include "device/result_codes.h"
#include "device/shell_port.h"
#include "model/key_table.h"
#include "model/profile_check.h"
#include "model/profile_image.h"
#include "model/profile_store.h"

namespace quorvel {
namespace {

// The highest active-profile value the settings block may report for a read to go ahead.
constexpr int MAX_REPORTED_PROFILE = 3;

// The macro area as the keyboard holds it: empty when it carries no macro directory. False
// when a read fails.
bool ReadMacroDirectory(DeviceLink& link, std::vector<uint8_t>& area) {
    std::array<uint8_t, MACRO_AREA_HEADER_SIZE> header{};
    area.clear();
    if (ReadMacroArea(link, header) != CMD_OK) {
        // A keyboard without macro space refuses even the header, and holds no macros.
        return link.Events().MacroCapacity() == 0 && link.CountControlInterfaces() != 0;
    }
    if (ReadLe16(&header[MACRO_AREA_OFFSET_MAGIC]) != MACRO_AREA_MAGIC) return true;
    size_t total = ReadLe16(&header[MACRO_AREA_OFFSET_SIZE]);
    // A damaged size field must not send the read past the keyboard's area; the decoder then
    // keeps the macros that lie inside what was read.
    if (const int capacity = link.Events().MacroCapacity(); capacity > 0)
        total = std::min<size_t>(total, static_cast<size_t>(capacity));
    if (total <= header.size()) {
        area.assign(header.begin(), header.end());
        return true;
    }
    area.resize(total);
    return ReadMacroArea(link, area) == CMD_OK;
}

}  // namespace

bool ReadProfileFromKeyboard(DeviceLink& link, const std::string& path, WorkingSetData* loaded,
                             ProfileFileRefresh refresh) {
    // Whatever is loaded after a failed read did not come from the keyboard, so its other
    // profiles' tables must not be written in place of the keyboard's.
    link.ForgetKeyboardMacros();
    const int active = GetActiveProfile(link);
    if (active < 0 || active > MAX_REPORTED_PROFILE) return false;
    try {
        std::array<std::array<uint8_t, KEY_TABLE_BLOCK_SIZE>, ONBOARD_PROFILE_COUNT> blocks{};
        std::vector<uint8_t> area;
        {
            // Tables and macro area from one state of the keyboard, not from either side of
            // another thread's write; what the picture knows of them is not read again.
            PictureStore::Hold picture = link.PictureFile().Take();
            const DeviceLink::SessionLock session = link.HoldSession();
            for (unsigned p = 0; p < blocks.size(); ++p)
                if (ReadKeyBlock(link, blocks[p], p) != CMD_OK) return false;
            if (!ReadMacroDirectory(link, area)) return false;
        }

        WorkingSetData data;
        const DefaultLayout layout = CurrentDefaultLayout();
        for (unsigned p = 0; p < blocks.size(); ++p)
            data.keyAreas[p] = DecodeKeyTable(ReadKeyTableBlock(blocks[p].data()), layout);
        data.macros.Replace(DecodeMacroArea(area));
        link.NoteKeyboardMacros(MacroIds(data.macros.Records()));
        if (refresh == ProfileFileRefresh::NOW || !std::filesystem::is_regular_file(path)) {
            const std::vector<uint8_t> image = EncodeProfileImage(data);
            // A file that already says this is left alone: no flush to disk for nothing.
            if (!FileHoldsBytes(path, image) && !WriteFileAtomically(path, image)) return false;
        }
        // Loading the file now would give data itself, for whatever the keyboard holds.
        if (loaded) *loaded = std::move(data);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

ProfileSource LoadActiveProfileFromKeyboard(DeviceLink& link, ProfileWorkingSet& workingSet,
                                            ProfileFileRefresh refresh) {
    EnsureDataFolder();
    const int active = GetActiveProfile(link);
    if (active >= 0 && active < ONBOARD_PROFILE_COUNT) {
        const std::string path = ProfileFilePath(active);
        WorkingSetData loaded;
        if (ReadProfileFromKeyboard(link, path, &loaded, refresh)) {
            WorkingSetLock data = workingSet.Lock();
            *data = std::move(loaded);
            return ProfileSource::KEYBOARD;
        }
    }
    WorkingSetLock data = workingSet.Lock();
    CreateFreshWorkingSet(*data);
    return ProfileSource::FRESH;
}

bool SaveWorkingSet(DeviceLink& link, ProfileWorkingSet& workingSet) {
    return SaveWorkingSet(GetActiveProfile(link), workingSet);
}

ApplyResult ApplyWorkingSet(DeviceLink& link, ShellPort& shell, ProfileWorkingSet& workingSet,
                            DeviceSnapshot& snapshot, const Progress& progress) {
    const int active = GetActiveProfile(link);
    ApplyResult result;
    KeyboardWrite write;
    {
        WorkingSetLock data = workingSet.Lock();
        // The file goes to disk while the keyboard takes its frames and its pause.
        std::future<bool> saved = SaveWorkingSetAlongside(active, *data);
        write = RefreshDeviceSnapshot(link, snapshot, *data, false, progress);
        result.saved = saved.get();
    }
    ShowWriteMessage(shell, write);
    result.written = write.result;
    return result;
}

bool ExportProfile(ProfileWorkingSet& workingSet, const std::string& path) {
    EnsureDataFolder();
    return WriteProfileImage(path, workingSet);
}

ImportResult ImportProfile(DeviceLink& link, ShellPort& shell, ProfileWorkingSet& workingSet,
                           DeviceSnapshot& snapshot, const std::string& path,
                           const Progress& progress) {
    const ProfileMessageSink showMessage = [&](std::string_view textKey, const std::string& text) {
        shell.ShowMessageText(textKey, text);
    };
    // Loaded aside first, so a file that cannot be read leaves the working set as it was.
    WorkingSetData loaded;
    if (ValidateProfileImage(path, showMessage) != PROFILE_CHECK_VALID ||
        !LoadProfileFile(path, loaded)) {
        shell.ShowMessage(IMPORT_FAILED_TEXT);
        return ImportResult::REJECTED;
    }

    const int active = GetActiveProfile(link);
    const ImportWriteScope full(link);
    KeyboardWrite write;
    {
        WorkingSetLock data = workingSet.Lock();
        *data = std::move(loaded);
        SaveWorkingSet(active, *data);
        write = RefreshDeviceSnapshot(link, snapshot, *data, true, progress);
    }
    ShowWriteMessage(shell, write);
    return write.Ok() ? ImportResult::IMPORTED : ImportResult::NOT_WRITTEN;
}

}  // namespace quorvel
