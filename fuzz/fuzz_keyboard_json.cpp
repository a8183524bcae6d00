// Whatever the keyboard holds is exported as a document, and that document must import back:
// the bytes stand for the three key tables, the macro area and the three lighting records.
// After export and import the keyboard is given what the exported working set gives it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <variant>

#include "device/profile_files_contents.h"
#include "model/profile_json.h"

using namespace quorvel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::span<const uint8_t> bytes(data, size);
    const auto take = [&bytes](size_t count) {
        const std::span<const uint8_t> part = bytes.first(std::min(count, bytes.size()));
        bytes = bytes.subspan(part.size());
        return part;
    };
    KeyboardImage image;
    std::array<LightingParams, ONBOARD_PROFILE_COUNT> lighting{};
    for (size_t p = 0; p < ONBOARD_PROFILE_COUNT; ++p) {
        std::array<uint8_t, LIGHTING_PARAMS_SIZE> record{};
        const auto part = take(record.size());
        std::copy(part.begin(), part.end(), record.begin());
        lighting[p] = *ReadLightingParams(record);
        std::array<uint8_t, KEY_TABLE_BLOCK_SIZE> block{};
        const auto keys = take(block.size());
        std::copy(keys.begin(), keys.end(), block.begin());
        image.blocks[p] = ReadKeyTableBlock(block.data());
    }
    image.macroArea.assign(bytes.begin(), bytes.end());

    const DefaultLayout& layout = BuiltInDefaultLayout();
    const std::optional<WorkingSetData> loaded = DataFromKeyboard(image, layout);
    if (!loaded) return 0;
    ProfileDocument document;
    document.data = *loaded;
    for (size_t p = 0; p < ONBOARD_PROFILE_COUNT; ++p) document.lighting[p].params = lighting[p];
    const auto read = ReadProfileJson(WriteProfileJson(document, {}));
    const auto* imported = std::get_if<ProfileDocument>(&read);
    if (imported == nullptr) std::abort();
    if (ImageOnKeyboard(imported->data, layout) != ImageOnKeyboard(document.data, layout))
        std::abort();
    for (size_t p = 0; p < ONBOARD_PROFILE_COUNT; ++p) {
        const LightingParams after = MergeLighting(lighting[p], imported->lighting[p].params);
        // The document keeps each field within its range; inside the range nothing changes.
        if (lighting[p].mode != after.mode || lighting[p].colour != after.colour ||
            lighting[p].baseColour != after.baseColour ||
            lighting[p].secondColour != after.secondColour ||
            lighting[p].thirdColour != after.thirdColour)
            std::abort();
    }
    return 0;
}
