#include "device/profile_files_contents.h"

#include "device/macro_area.h"
#include "model/profile_image.h"

namespace quorvel {

KeyboardImage ImageOnKeyboard(const WorkingSetData& data, const DefaultLayout& layout) {
    KeyboardImage image;
    const auto position = [&](int32_t id) { return data.macros.IndexOfId(id); };
    for (int p = 0; p < ONBOARD_PROFILE_COUNT; ++p)
        image.blocks[static_cast<size_t>(p)] =
            EncodeKeyTable(data.keyAreas[static_cast<size_t>(p)], layout, position);
    image.macroArea = EncodeMacroArea(data.macros.Records(), false);
    return image;
}

std::optional<WorkingSetData> DataFromKeyboard(const KeyboardImage& image,
                                               const DefaultLayout& layout) {
    WorkingSetData data;
    for (int p = 0; p < ONBOARD_PROFILE_COUNT; ++p)
        data.keyAreas[static_cast<size_t>(p)] =
            DecodeKeyTable(image.blocks[static_cast<size_t>(p)], layout);
    if (!data.macros.Replace(DecodeMacroArea(image.macroArea))) return std::nullopt;
    return DecodeProfileImage(EncodeProfileImage(data));
}

LightingParams MergeLighting(LightingParams keyboard, const LightingParams& document) {
    keyboard.mode = document.mode;
    keyboard.brightness = document.brightness;
    keyboard.speed = document.speed;
    keyboard.direction = document.direction;
    keyboard.colourful = document.colourful;
    keyboard.colour = document.colour;
    keyboard.baseColour = document.baseColour;
    keyboard.reportRate = document.reportRate;
    keyboard.preset = document.preset;
    keyboard.secondColourfulLook = document.secondColourfulLook;
    keyboard.trigger = document.trigger;
    keyboard.secondColour = document.secondColour;
    keyboard.secondColourOn = document.secondColourOn;
    keyboard.thirdColour = document.thirdColour;
    keyboard.thirdColourOn = document.thirdColourOn;
    return keyboard;
}

}  // namespace quorvel
