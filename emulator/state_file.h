#pragma once
// The keyboard's flash on disk, so that a daemon restart is a power cycle, not a new keyboard.
#include <string>

#include "emulator/firmware.h"
#include "emulator/flat_json.h"

namespace quorvel::vkbd {

struct SavedState {
    Flash flash;
    std::array<uint8_t, INDICATOR_SIZE> indicator{};
    bool bankB = false;
};

// Adds the saved fields to a JSON object (the state file and the dump share them).
void WriteStateFields(FlatJsonWriter& json, const SavedState& state);

// Replaces the file atomically (a temporary file of its own, fsync, rename). False with a reason in
// error when the file could not be written.
bool SaveState(const std::string& path, const SavedState& state, std::string& error);

enum class LoadResult { LOADED, MISSING, DAMAGED };
LoadResult LoadState(const std::string& path, SavedState& state);

}  // namespace quorvel::vkbd
