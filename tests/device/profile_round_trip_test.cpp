// Every JSON export imports back: random keyboard contents within the firmware's limits, read as
// the program reads a keyboard, written as a document, read again and given to the keyboard,
// leave its key tables, macro area and lighting records as they were.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <variant>
#include <vector>

#include "device/macro_area.h"
#include "device/profile_files_contents.h"
#include "model/key_codes.h"
#include "model/macro_list.h"
#include "model/profile_image.h"
#include "model/profile_json.h"

namespace quorvel {
namespace {

struct Keyboard {
    KeyboardImage image;
    std::array<LightingParams, ONBOARD_PROFILE_COUNT> lighting{};
};

// The keys a key table entry can name: those that come back from it as themselves.
const std::vector<ScanCode>& TableKeys() {
    static const std::vector<ScanCode> keys = [] {
        const DefaultLayout& layout = BuiltInDefaultLayout();
        const KeyIndex target = KeyIndexOf(0x1E);
        std::vector<ScanCode> found;
        for (int row = 1; row < KEY_INFO_ROWS; ++row) {
            KeyArea area = FreshKeyArea();
            const ScanCode s = ScanCodeOf(static_cast<KeyIndex>(row));
            area[target] = {.type = ASSIGN_KEY, .value = s};
            const KeyArea back = DecodeKeyTable(EncodeKeyTable(area, layout, {}), layout);
            if (back[target].type == ASSIGN_KEY && back[target].value == s) found.push_back(s);
        }
        return found;
    }();
    return keys;
}

class RandomKeyboards {
public:
    explicit RandomKeyboards(uint32_t seed) : rng_(seed) {}

    Keyboard Next() {
        Keyboard keyboard;
        std::vector<MacroRecord> macros(Pick(0, 6));
        for (size_t i = 0; i < macros.size(); ++i) macros[i] = Macro(uint16_t(i + 1));
        MacroList list;
        list.Replace(macros);
        WorkingSetData data;
        data.macros = list;
        for (int p = 0; p < ONBOARD_PROFILE_COUNT; ++p) {
            KeyArea area = FreshKeyArea();
            for (int n = Pick(0, 20); n > 0; --n)
                area[static_cast<size_t>(Pick(1, KEY_AREA_ENTRIES - 1))] =
                    Assignment(int(macros.size()));
            data.keyAreas[static_cast<size_t>(p)] = area;
            keyboard.lighting[static_cast<size_t>(p)] = Lighting();
        }
        keyboard.image = ImageOnKeyboard(data, BuiltInDefaultLayout());
        return keyboard;
    }

    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }

    // What the key editor and the keyboard's own tables can give a key.
    KeyAssignment Assignment(int macroCount) {
        KeyAssignment a;
        switch (Pick(0, 6)) {
            case 0:
                a.type = ASSIGN_DISABLED;
                break;
            case 1:
                a.type = ASSIGN_STOP_MACRO;
                break;
            case 2:
                a.type = ASSIGN_MEDIA;
                a.value = Pick(0, MEDIA_COUNT - 1);
                break;
            case 3:
                a.type = ASSIGN_FUNCTION;
                a.value = Pick(0, KEYBOARD_FUNCTION_COUNT - 1);
                break;
            case 4:
                if (macroCount > 0) {
                    a.type = ASSIGN_MACRO;
                    a.value = Pick(1, macroCount);
                }
                break;
            default: {
                const std::vector<ScanCode>& keys = TableKeys();
                a.type = ASSIGN_KEY;
                a.value = keys[static_cast<size_t>(Pick(0, int(keys.size()) - 1))];
                break;
            }
        }
        return a;
    }

    MacroRecord Macro(uint16_t id) {
        MacroRecord macro;
        macro.id = id;
        macro.cycles = uint8_t(Pick(0, 255));
        for (int n = Pick(0, 30); n > 0; --n) {
            // Any pause the firmware's 12-bit field of 10 ms units holds; any key, including
            // codes no key name covers (0 stands for a usage the program does not know).
            const ScanCode key = Pick(0, 9) == 0 ? ScanCode(0) : ScanCode(Pick(1, 0x1FF));
            macro.actions.push_back(
                MakeMacroAction(uint32_t(Pick(0, 0xFFF)) * 10, key, uint16_t(Pick(0, 1))));
        }
        return macro;
    }

    LightingParams Lighting() {
        std::array<uint8_t, LIGHTING_PARAMS_SIZE> bytes{};
        for (uint8_t& b : bytes) b = uint8_t(Pick(0, 255));
        LightingParams p = *ReadLightingParams(bytes);
        p.brightness = uint8_t(Pick(0, SLIDER_MAX));
        p.speed = uint8_t(Pick(0, SLIDER_MAX));
        p.direction = uint8_t(Pick(0, 1));
        p.colourful = uint8_t(Pick(0, 1));
        p.reportRate = uint8_t(Pick(0, REPORT_RATE_MAX));
        p.preset = uint8_t(Pick(0, PRESET_COUNT - 1));
        p.secondColourfulLook = uint8_t(Pick(0, 1));
        p.trigger = uint8_t(Pick(0, 1));
        p.secondColourOn = uint8_t(Pick(0, 1));
        p.thirdColourOn = uint8_t(Pick(0, 1));
        return p;
    }

private:
    std::mt19937 rng_;
};

// Export then import: what the keyboard holds afterwards.
Keyboard RoundTrip(const Keyboard& keyboard, std::string* error) {
    const DefaultLayout& layout = BuiltInDefaultLayout();
    ProfileDocument document;
    const std::optional<WorkingSetData> data = DataFromKeyboard(keyboard.image, layout);
    if (!data) {
        *error = "the keyboard's contents do not load";
        return {};
    }
    document.data = *data;
    for (int p = 0; p < ONBOARD_PROFILE_COUNT; ++p)
        document.lighting[static_cast<size_t>(p)].params =
            keyboard.lighting[static_cast<size_t>(p)];
    const auto read = ReadProfileJson(WriteProfileJson(document, {}));
    if (const auto* refusal = std::get_if<ProfileJsonError>(&read)) {
        *error = refusal->Text();
        return {};
    }
    const ProfileDocument& imported = std::get<ProfileDocument>(read);
    Keyboard after;
    after.image = ImageOnKeyboard(imported.data, layout);
    for (size_t p = 0; p < after.lighting.size(); ++p)
        after.lighting[p] = MergeLighting(keyboard.lighting[p], imported.lighting[p].params);
    return after;
}

void ExpectUnchanged(const Keyboard& keyboard) {
    std::string error;
    const Keyboard after = RoundTrip(keyboard, &error);
    ASSERT_EQ(error, "");
    for (size_t p = 0; p < keyboard.image.blocks.size(); ++p)
        for (size_t s = 0; s < keyboard.image.blocks[p].slots.size(); ++s) {
            const FirmwareKeyEntry& a = after.image.blocks[p].slots[s];
            const FirmwareKeyEntry& b = keyboard.image.blocks[p].slots[s];
            EXPECT_EQ(a, b) << "profile " << p << " slot " << s << ": " << int(a.kind) << " "
                            << int(a.byte1) << " " << int(a.byte2) << " was " << int(b.kind) << " "
                            << int(b.byte1) << " " << int(b.byte2);
        }
    EXPECT_EQ(after.image.macroArea, keyboard.image.macroArea);
    for (size_t p = 0; p < keyboard.lighting.size(); ++p)
        EXPECT_EQ(EncodeLightingParams(after.lighting[p]),
                  EncodeLightingParams(keyboard.lighting[p]))
            << "lighting " << p;
}

// Sanitizer runs ask for fewer keyboards: they add nothing to a single-threaded round trip but
// make each one many times slower.
int RandomKeyboardCount() {
    const char* count = std::getenv("QUORVEL_ROUND_TRIP_KEYBOARDS");
    return count != nullptr && std::atoi(count) > 0 ? std::atoi(count) : 10000;
}

TEST(ProfileRoundTrip, TenThousandRandomKeyboardsComeBackUnchanged) {
    RandomKeyboards keyboards(20261209);
    for (int i = 0; i < RandomKeyboardCount(); ++i) {
        SCOPED_TRACE(i);
        ExpectUnchanged(keyboards.Next());
        if (HasFailure()) break;
    }
}

// Whatever a keyboard holds, even tables no program of ours wrote, loads as the same working set
// whether or not it goes through a profile image first: loading the keyboard need not decode the
// image it has just encoded for the file.
TEST(ProfileRoundTrip, AnyKeyboardLoadsTheSameWithOrWithoutTheProfileImage) {
    RandomKeyboards keyboards(1210);
    std::mt19937 rng(1210);
    auto byte = [&] {
        return static_cast<uint8_t>(std::uniform_int_distribution<int>(0, 255)(rng));
    };
    const DefaultLayout& layout = BuiltInDefaultLayout();
    for (int i = 0; i < RandomKeyboardCount() / 10; ++i) {
        SCOPED_TRACE(i);
        KeyboardImage image = keyboards.Next().image;
        // Every slot a random entry, in every profile of every other keyboard.
        if (i % 2 == 0)
            for (KeyTableBlock& block : image.blocks)
                for (FirmwareKeyEntry& slot : block.slots) slot = {byte(), byte(), byte()};
        // Names on the keyboard, up to and past what a record holds, in every third one.
        if (i % 3 == 0) {
            std::vector<MacroRecord> named = DecodeMacroArea(image.macroArea);
            for (MacroRecord& macro : named)
                macro.SetName(std::u16string(static_cast<size_t>(byte()), u'\u00e9'));
            image.macroArea = EncodeMacroArea(named, true);
        }
        WorkingSetData direct;
        for (size_t p = 0; p < image.blocks.size(); ++p)
            direct.keyAreas[p] = DecodeKeyTable(image.blocks[p], layout);
        direct.macros.Replace(DecodeMacroArea(image.macroArea));
        WorkingSetData encoded = direct;
        const std::optional<WorkingSetData> throughImage =
            DecodeProfileImage(EncodeProfileImage(encoded));
        ASSERT_TRUE(throughImage.has_value());
        ASSERT_TRUE(*throughImage == direct);
    }
}

TEST(ProfileRoundTrip, TheFirmwaresExtremesComeBackUnchanged) {
    RandomKeyboards keyboards(7);
    MacroRecord macro;
    macro.id = 1;
    macro.cycles = 0;
    macro.actions = {MakeMacroAction(40950, 0, MACRO_STATE_PRESS),
                     MakeMacroAction(0, 0x1E, MACRO_STATE_RELEASE)};
    WorkingSetData data = FreshWorkingSetData();
    ASSERT_TRUE(data.macros.Replace({macro}));
    data.keyAreas[0][0x1E] = {.type = ASSIGN_MACRO, .value = 1};
    Keyboard keyboard;
    keyboard.image = ImageOnKeyboard(data, BuiltInDefaultLayout());
    for (LightingParams& lighting : keyboard.lighting) lighting = keyboards.Lighting();
    ExpectUnchanged(keyboard);
    for (int mode = 0; mode <= 255; ++mode) {
        SCOPED_TRACE(mode);
        keyboard.lighting[static_cast<size_t>(mode % ONBOARD_PROFILE_COUNT)].mode = uint8_t(mode);
        ExpectUnchanged(keyboard);
    }
}

}  // namespace
}  // namespace quorvel
