// Writes the binary seed inputs of the fuzz targets into <folder>/<target>/, made with the
// program's own encoders so that they stay valid as the formats evolve.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <vector>

#include "device/macro_area.h"
#include "emulator/state_file.h"
#include "model/key_table.h"
#include "model/profile_image.h"
#include "model/profile_json.h"

using namespace quorvel;

namespace {

constexpr uint16_t KEY_A = 0x1E;
constexpr uint16_t KEY_LEFT_SHIFT = 0x2A;

void Save(const std::filesystem::path& folder, const std::string& target, const std::string& name,
          std::span<const uint8_t> bytes) {
    std::filesystem::create_directories(folder / target);
    std::ofstream out(folder / target / name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

MacroRecord SampleMacro(uint16_t id, std::u16string_view name, int presses) {
    MacroRecord macro;
    macro.id = id;
    macro.cycles = 2;
    macro.SetName(name);
    for (int i = 0; i < presses; ++i) {
        macro.actions.push_back({10, KEY_LEFT_SHIFT, MACRO_STATE_PRESS});
        macro.actions.push_back({120, KEY_A, MACRO_STATE_PRESS});
        macro.actions.push_back({0, KEY_A, MACRO_STATE_RELEASE});
        macro.actions.push_back({40000, KEY_LEFT_SHIFT, MACRO_STATE_RELEASE});
    }
    return macro;
}

// One entry of every kind that reaches a file or the keyboard differently.
WorkingSetData SampleWorkingSet() {
    WorkingSetData data = FreshWorkingSetData();
    data.macros.Replace({SampleMacro(1, u"ab", 1)});
    data.keyAreas[0][KEY_A] = {ASSIGN_MACRO, 1, 1, 0, 0};
    data.keyAreas[0][0x10] = {ASSIGN_KEY, 0, 0x11, 0, 0};
    data.keyAreas[1][0x20] = {ASSIGN_DISABLED, 0, 0, 0, 0};
    data.keyAreas[0][0x30] = {ASSIGN_PROGRAM, 0, 0, 0, 0};
    data.texts.Set(0x30, u"/usr/bin/true");
    data.keyAreas[2][0x31] = {ASSIGN_TEXT, 0, 0, 0, 0};
    data.texts.Set(WorkingSetEntryIndex(2, 0x31), u"hello");
    data.keyAreas[0][0x32] = {ASSIGN_MEDIA, 0, 3, 0, 0};
    data.keyAreas[0][0x33] = {ASSIGN_FUNCTION, 0, 4, 0, 0};
    return data;
}

std::vector<uint8_t> KeyTableInput(const KeyTableBlock& block, const DefaultLayout& layout) {
    std::vector<uint8_t> bytes(2 * KEY_TABLE_BLOCK_SIZE);
    WriteKeyTableBlock(bytes.data(), block);
    WriteKeyTableBlock(bytes.data() + KEY_TABLE_BLOCK_SIZE, layout);
    return bytes;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];

    WorkingSetData fresh = FreshWorkingSetData();
    Save(folder, "fuzz_profile_image", "fresh.img", EncodeProfileImage(fresh));
    WorkingSetData sample = SampleWorkingSet();
    Save(folder, "fuzz_profile_image", "sample.img", EncodeProfileImage(sample));

    const DefaultLayout& layout = BuiltInDefaultLayout();
    const auto firstMacro = [](int32_t) { return 0; };
    Save(folder, "fuzz_key_table", "fresh.bin",
         KeyTableInput(EncodeKeyTable(FreshKeyArea(), layout, firstMacro), layout));
    Save(folder, "fuzz_key_table", "sample.bin",
         KeyTableInput(EncodeKeyTable(sample.keyAreas[0], layout, firstMacro), layout));

    const std::vector<MacroRecord> macros = {SampleMacro(1, u"ab", 1),
                                             SampleMacro(2, u"Macro with a longer name", 3)};
    Save(folder, "fuzz_macro_area", "empty.bin", EncodeMacroArea({}, true));
    Save(folder, "fuzz_macro_area", "named.bin", EncodeMacroArea(macros, true));
    Save(folder, "fuzz_macro_area", "unnamed.bin", EncodeMacroArea(macros, false));

    ProfileDocument document;
    document.data = sample;
    const std::string json = WriteProfileJson(document, {});
    Save(folder, "fuzz_profile_json", "sample.json",
         std::span(reinterpret_cast<const uint8_t*>(json.data()), json.size()));

    std::vector<uint8_t> keyboard;
    for (int p = 0; p < ONBOARD_PROFILE_COUNT; ++p) {
        const auto lighting = EncodeLightingParams(DefaultLightingParams());
        keyboard.insert(keyboard.end(), lighting.begin(), lighting.end());
        const std::vector<uint8_t> table = KeyTableInput(
            EncodeKeyTable(sample.keyAreas[static_cast<size_t>(p)], layout, firstMacro), layout);
        keyboard.insert(keyboard.end(), table.begin(), table.begin() + KEY_TABLE_BLOCK_SIZE);
    }
    const std::vector<uint8_t> area = EncodeMacroArea(macros, false);
    keyboard.insert(keyboard.end(), area.begin(), area.end());
    Save(folder, "fuzz_keyboard_json", "sample.bin", keyboard);

    vkbd::SavedState state;
    state.flash = vkbd::Firmware(vkbd::Hardware{}).GetFlash();
    state.flash.macroArea = area;
    std::string error;
    std::filesystem::create_directories(folder / "fuzz_vkbd_state");
    if (!vkbd::SaveState((folder / "fuzz_vkbd_state" / "factory.json").string(), state, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    return 0;
}
