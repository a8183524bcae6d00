#include "device/keyboard_check.h"

#include <algorithm>
#include <array>
#include <filesystem>

#include "device/command_frame.h"
#include "device/device_events.h"
#include "device/device_link.h"
#include "device/firmware_commands.h"
#include "device/macro_area.h"
#include "device/result_codes.h"
#include "model/key_table.h"
#include "model/lighting.h"
#include "model/profile_store.h"

namespace quorvel {
namespace {

// Reads the expected range from the keyboard and notes each 56-byte chunk that differs.
int Compare(DeviceLink& link, PictureArea area, uint32_t base, std::span<const uint8_t> expected,
            AreaDifference pattern, std::vector<AreaDifference>& differences) {
    std::vector<uint8_t> held(expected.size());
    const int result = ReadFromKeyboard(link, area, base, held);
    if (result != CMD_OK) return result;
    for (size_t chunk = 0; chunk < expected.size(); chunk += FRAME_DATA_SIZE) {
        const size_t end = std::min(expected.size(), chunk + FRAME_DATA_SIZE);
        for (size_t i = chunk; i < end; ++i) {
            if (held[i] != expected[i]) {
                pattern.offset = i;
                differences.push_back(pattern);
                break;
            }
        }
    }
    return CMD_OK;
}

// Each profile's lighting record against the picture's, read in a session as the keyboard
// answers parameter reads only there.
int CompareLighting(DeviceLink& link, KeyboardCheck& check) {
    std::array<std::vector<uint8_t>, ONBOARD_PROFILE_COUNT> expected;
    for (int p = 0; p < ONBOARD_PROFILE_COUNT; ++p) {
        std::vector<uint8_t> record(LIGHTING_PARAMS_SIZE);
        if (link.Picture().CopyKnown(PictureArea::PARAMS, ParamAddress(p), record))
            expected[p] = std::move(record);
        else
            check.uncheckedLighting.push_back(p);
    }
    if (check.uncheckedLighting.size() == ONBOARD_PROFILE_COUNT) return CMD_OK;
    int result = BeginSession(link);
    for (int p = 0; p < ONBOARD_PROFILE_COUNT && result == CMD_OK; ++p) {
        if (expected[p].empty()) continue;
        result = Compare(link, PictureArea::PARAMS, ParamAddress(p), expected[p],
                         {AreaDifference::Area::LIGHTING, p, 0}, check.differences);
    }
    const int ended = EndSession(link);
    return result == CMD_OK ? ended : result;
}

}  // namespace

std::string AreaDifference::AreaName() const {
    return area == Area::KEY_TABLE    ? "key table"
           : area == Area::MACRO_AREA ? "macro area"
                                      : "lighting";
}

KeyboardCheck CheckKeyboardAgainstFiles(DeviceLink& link) {
    KeyboardCheck check;
    const int reported = GetActiveProfile(link);
    // A settings byte out of range names no file.
    const int activeProfile = reported < ONBOARD_PROFILE_COUNT ? reported : -1;
    std::array<WorkingSetData, ONBOARD_PROFILE_COUNT> files;
    std::array<bool, ONBOARD_PROFILE_COUNT> present{};
    for (int p = 0; p < ONBOARD_PROFILE_COUNT; ++p) {
        std::error_code error;
        const std::string path = ProfileFilePath(p);
        present[p] =
            std::filesystem::is_regular_file(path, error) && LoadProfileFile(path, files[p]);
        if (!present[p]) check.uncheckedProfiles.push_back(p);
    }
    PictureStore::Hold picture = link.PictureFile().Take();
    const DeviceLink::SessionLock session = link.HoldSession();
    const DefaultLayout layout = CurrentDefaultLayout();
    for (int p = 0; p < ONBOARD_PROFILE_COUNT; ++p) {
        if (!present[p]) continue;
        // The macros every table names are the ones of the file that wrote the area last.
        const int source = activeProfile >= 0 && present[activeProfile] ? activeProfile : p;
        const MacroPositionOfId positionOf = [&](int32_t id) {
            return files[source].macros.IndexOfId(id);
        };
        std::array<uint8_t, KEY_TABLE_BLOCK_SIZE> block{};
        WriteKeyTableBlock(block.data(), EncodeKeyTable(files[p].keyAreas[p], layout, positionOf));
        check.result =
            Compare(link, PictureArea::KEY_BLOCKS, static_cast<uint32_t>(p * KEY_TABLE_BLOCK_SIZE),
                    block, {AreaDifference::Area::KEY_TABLE, p, 0}, check.differences);
        if (check.result != CMD_OK) return check;
    }
    check.result = CompareLighting(link, check);
    if (check.result != CMD_OK || activeProfile < 0 || !present[activeProfile]) return check;
    const std::vector<MacroRecord>& macros = files[activeProfile].macros.Records();
    const MacroAreaSize sizes = MacroAreaSizes(macros);
    const size_t capacity = static_cast<size_t>(std::max(link.Events().MacroCapacity(), 0));
    if (sizes.withoutNames > std::min(capacity, MACRO_AREA_MAX_SIZE)) {
        check.differences.push_back({AreaDifference::Area::MACRO_AREA, -1, capacity});
        return check;
    }
    const std::vector<uint8_t> area = EncodeMacroArea(macros, sizes.withNames <= capacity);
    check.result = Compare(link, PictureArea::MACRO_AREA, 0, area,
                           {AreaDifference::Area::MACRO_AREA, -1, 0}, check.differences);
    return check;
}

}  // namespace quorvel
