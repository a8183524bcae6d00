// status: what the keyboard reports about itself.
#include <array>
#include <string>

#include "base/byte_order.h"
#include "cli/cli_error.h"
#include "cli/commands.h"
#include "cli/mode_names.h"
#include "device/device_events.h"
#include "device/device_link.h"
#include "device/firmware_commands.h"
#include "device/macro_area.h"
#include "device/result_codes.h"

namespace quorvel::cli {

void RunStatus(Session& session, Args& args) {
    args.Finish();
    DeviceLink& link = session.Keyboard();
    SettingsBlock settings{};
    int result = ReadSettingsBlock(link, settings);
    if (result != CMD_OK) throw KeyboardError("status: reading the settings", result);
    int profile = settings[SETTINGS_ACTIVE_PROFILE];
    int capacity = settings[SETTINGS_MACRO_CAPACITY] * MACRO_CAPACITY_UNIT;

    std::array<uint8_t, MACRO_AREA_HEADER_SIZE> header{};
    result = ReadMacroArea(link, header);
    if (result != CMD_OK) throw KeyboardError("status: reading the macro area", result);
    bool hasMacros = ReadLe16(header.data() + MACRO_AREA_OFFSET_MAGIC) == MACRO_AREA_MAGIC;
    int used = hasMacros ? ReadLe16(header.data() + MACRO_AREA_OFFSET_SIZE) : 0;
    int count = hasMacros ? ReadLe16(header.data() + MACRO_AREA_OFFSET_COUNT) : 0;
    bool bankB = (link.IndicatorState()[1] & INDICATOR_BANK_B) != 0;

    Json json;
    json.Set("present", true);
    json.Set("activeProfileIndex", profile);
    json.Set("gKeyBank", bankB ? "b" : "a");
    json.Set("macroCapacity", capacity);
    json.Set("macroBytesUsed", used);
    json.Set("macroCount", count);
    Json& modes = json.Set("modes", Json::MakeArray());
    std::string modeText;
    for (size_t k = 0; SUPPORTED_MODES_OFFSET + k < SETTINGS_BLOCK_SIZE; ++k) {
        int id = settings[SUPPORTED_MODES_OFFSET + k];
        if (id == 0) continue;
        std::string name = ModeName(session.Paths(), id);
        Json mode;
        mode.Set("id", id);
        mode.Set("name", name);
        modes.Push(std::move(mode));
        modeText += "  " + std::to_string(id) + (name.empty() ? "" : "  " + name) + "\n";
    }
    std::string text = "keyboard:        present\n";
    text += "active profile:  " + std::to_string(profile + 1) + "\n";
    text += std::string("G-key bank:      ") + (bankB ? "B" : "A") + "\n";
    text += "macros:          " + std::to_string(count) + ", " + std::to_string(used) + " of " +
            std::to_string(capacity) + " bytes\n";
    text += "lighting modes:\n" + modeText;
    session.Print(json, text);
}

}  // namespace quorvel::cli
