#include "device/device_snapshot.h"

#include <algorithm>
#include <array>
#include <new>
#include <vector>

#include "device/chunk_writer.h"
#include "device/command_frame.h"
#include "device/device_events.h"
#include "device/device_link.h"
#include "device/firmware_commands.h"
#include "device/macro_area.h"
#include "device/result_codes.h"
#include "device/shell_port.h"
#include "model/key_table.h"
#include "model/profile_image.h"

namespace quorvel {
namespace {

using KeyBlockBytes = std::array<uint8_t, KEY_TABLE_BLOCK_SIZE>;

KeyboardWrite WriteSnapshot(DeviceLink& link, const WorkingSetData& snapshot, bool allProfiles,
                            const Progress& progress) {
    const std::vector<MacroRecord>& macros = snapshot.macros.Records();
    const MacroAreaSize sizes = MacroAreaSizes(macros);
    const size_t capacity =
        std::min<size_t>(std::max(link.Events().MacroCapacity(), 0), MACRO_AREA_MAX_SIZE);
    if (sizes.withoutNames > capacity) return {0, MACRO_TOO_LONG_TEXT};
    const bool withNames = sizes.withNames <= capacity;

    std::vector<int> targets;
    std::vector<uint8_t> area;
    std::vector<KeyBlockBytes> blocks;
    std::vector<int32_t> macroIds;
    try {
        macroIds = MacroIds(macros);
        if (allProfiles) {
            targets = {0, 1, 2};
        } else {
            // Without the active profile there is no key table to write, and the macro area is
            // never written without one.
            const int active = GetActiveProfile(link);
            if (active < 0 || active >= ONBOARD_PROFILE_COUNT)
                return {0, ACTIVE_PROFILE_UNKNOWN_TEXT};
            targets = {active};
            // The other profiles' tables play macros by position too: when a deletion or a
            // reordering moved them, those tables are rewritten with the area.
            if (link.MacroPositionsMoved(macroIds)) targets = {0, 1, 2};
        }
        area = EncodeMacroArea(macros, withNames);
        const DefaultLayout layout = CurrentDefaultLayout();
        const MacroPositionOfId positionOf = [&](int32_t id) {
            return snapshot.macros.IndexOfId(id);
        };
        for (int profile : targets) {
            blocks.emplace_back();
            WriteKeyTableBlock(blocks.back().data(),
                               EncodeKeyTable(snapshot.keyAreas[profile], layout, positionOf));
        }
    } catch (const std::bad_alloc&) {
        return {};
    }

    std::vector<PictureChunk> chunks = MacroAreaChunks(area);
    for (size_t i = 0; i < targets.size(); ++i) {
        std::vector<PictureChunk> block =
            KeyBlockChunks(blocks[i], static_cast<unsigned>(targets[i]));
        chunks.insert(chunks.end(), block.begin(), block.end());
    }
    const std::string_view message = withNames ? std::string_view() : NAMES_DROPPED_TEXT;
    // The macro area goes first and the first failed frame ends the write: key tables sent
    // after a failed macro area would name macros the keyboard does not hold. End is sent
    // whatever happened, so a session the keyboard opened without our hearing of it is not
    // left open for the next writer.
    const ChunkWriteResult sent = WriteChangedChunks(link, chunks, false, progress);
    const bool written = sent.Ok();
    if (written) {
        link.NoteKeyboardMacros(std::move(macroIds), targets.size() == ONBOARD_PROFILE_COUNT);
    } else if (sent.anyWritten) {
        link.MarkKeyboardMacrosTorn();
    }
    return {written ? 1 : 0, message};
}

}  // namespace

DeviceSnapshot& DeviceSnapshot::Instance() {
    static DeviceSnapshot snapshot;
    return snapshot;
}

void ShowWriteMessage(ShellPort& shell, const KeyboardWrite& write) {
    if (!write.message.empty()) shell.ShowMessage(write.message);
}

KeyboardWrite RefreshDeviceSnapshot(DeviceLink& link, DeviceSnapshot& snapshot,
                                    WorkingSetData& workingSet, bool allProfiles,
                                    const Progress& progress) {
    DeviceSnapshot::Lock held = snapshot.Take();
    try {
        // Packing gives the working set's program and text entries their offsets, as the
        // profile file has them.
        PackTexts(workingSet.keyAreas, workingSet.texts);
        *held = workingSet;
    } catch (const std::bad_alloc&) {
        return {};
    }
    return WriteSnapshot(link, *held, allProfiles, progress);
}

int RefreshDeviceSnapshot(DeviceLink& link, ShellPort& shell, ProfileWorkingSet& workingSet,
                          DeviceSnapshot& snapshot, bool allProfiles, const Progress& progress) {
    KeyboardWrite write;
    {
        WorkingSetLock data = workingSet.Lock();
        write = RefreshDeviceSnapshot(link, snapshot, *data, allProfiles, progress);
    }
    ShowWriteMessage(shell, write);
    return write.result;
}

KeyboardWrite WriteKeysAndMacros(DeviceLink& link, DeviceSnapshot& snapshot, bool allProfiles,
                                 const Progress& progress) {
    DeviceSnapshot::Lock held = snapshot.Take();
    return WriteSnapshot(link, *held, allProfiles, progress);
}

int WriteKeysAndMacros(DeviceLink& link, ShellPort& shell, DeviceSnapshot& snapshot,
                       bool allProfiles, const Progress& progress) {
    const KeyboardWrite write = WriteKeysAndMacros(link, snapshot, allProfiles, progress);
    ShowWriteMessage(shell, write);
    return write.result;
}

}  // namespace quorvel
