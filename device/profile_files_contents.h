#pragma once
// What a profile document and the keyboard say about each other: the key tables, macro area and
// lighting records a document gives the keyboard, and the working set the keyboard's contents
// give back. Export and import use these; so do the round-trip checks of both.
#include <array>
#include <cstdint>
#include <vector>

#include "model/key_table.h"
#include "model/lighting.h"
#include "model/working_set.h"

namespace quorvel {

// Bytes of the lighting record up to the third colour's switch: every field a document knows
// lies inside, and the bytes between them are carried from the keyboard's record.
constexpr size_t LIGHTING_DOCUMENT_SPAN = 34;

// What the keyboard's key tables and macro area would hold for some data.
struct KeyboardImage {
    std::array<KeyTableBlock, ONBOARD_PROFILE_COUNT> blocks{};
    std::vector<uint8_t> macroArea;  // without names, as the keyboard is written

    bool operator==(const KeyboardImage&) const = default;
};

KeyboardImage ImageOnKeyboard(const WorkingSetData& data, const DefaultLayout& layout);

// The working set a keyboard holding image gives, as it reaches a profile file and is read
// from it again; none when the file would not load.
std::optional<WorkingSetData> DataFromKeyboard(const KeyboardImage& image,
                                               const DefaultLayout& layout);

// The record a profile's lighting becomes on import: the document's fields over the keyboard's
// record.
LightingParams MergeLighting(LightingParams keyboard, const LightingParams& document);

}  // namespace quorvel
