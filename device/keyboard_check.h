#pragma once
// Checking the keyboard against the profile files: the key table of every on-board profile
// that has a file, and the macro area as the active profile's file packs it, read from the
// keyboard itself (never from the picture, which the reads refresh). No file holds the lighting
// parameter records, so each is checked against what the keyboard picture says this program
// last wrote or read there, when it knows the whole record; the per-key colours cannot be read.
#include <cstddef>
#include <string>
#include <vector>

namespace quorvel {

class DeviceLink;

struct AreaDifference {
    enum class Area { KEY_TABLE, MACRO_AREA, LIGHTING } area = Area::KEY_TABLE;
    int profile = -1;   // 0-2 for a key table or lighting record, -1 for the macro area
    size_t offset = 0;  // first differing byte of a 56-byte chunk, from the area's start

    std::string AreaName() const;
};

struct KeyboardCheck {
    int result = 0;                           // CMD_OK when every read succeeded
    std::vector<AreaDifference> differences;  // one per differing chunk
    std::vector<int> uncheckedProfiles;       // profiles without a profile file
    std::vector<int> uncheckedLighting;       // profiles whose lighting record is not known
};

// The active profile is asked of the keyboard (its file packs the macro area).
KeyboardCheck CheckKeyboardAgainstFiles(DeviceLink& link);

}  // namespace quorvel
