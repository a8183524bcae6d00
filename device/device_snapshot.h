#pragma once
// The device snapshot: a copy of the working set, taken right before every write of key tables
// and macros, from which the keyboard is written. It has its own lock; whoever holds both
// takes the working-set lock first. Message boxes are shown only after both locks are
// released, so a dialog never holds up the editors.
#include <functional>
#include <mutex>
#include <string_view>

#include "model/working_set.h"

namespace quorvel {

class DeviceLink;
class ShellPort;

// Frames done out of the frames the write will send, after each command.
using Progress = std::function<void(int done, int total)>;

inline constexpr std::string_view MACRO_TOO_LONG_TEXT = "EXTRA_MACRO_TOO_LONG";
inline constexpr std::string_view NAMES_DROPPED_TEXT = "EXTRA_PROFILE_SPACE_TIGHT";
// Shown when the active profile cannot be read and so no key table can be chosen.
inline constexpr std::string_view ACTIVE_PROFILE_UNKNOWN_TEXT = "MAIN_NO_DEVICE_PROMPT";

class DeviceSnapshot {
public:
    DeviceSnapshot() = default;
    DeviceSnapshot(const DeviceSnapshot&) = delete;
    DeviceSnapshot& operator=(const DeviceSnapshot&) = delete;

    // The program's snapshot.
    static DeviceSnapshot& Instance();

    // Holds the snapshot lock for its lifetime; the contents are reached only through it.
    class Lock {
    public:
        WorkingSetData& operator*() const { return *data_; }
        WorkingSetData* operator->() const { return data_; }

    private:
        friend class DeviceSnapshot;
        Lock(std::mutex& mutex, WorkingSetData& data) : lock_(mutex), data_(&data) {}

        std::unique_lock<std::mutex> lock_;
        WorkingSetData* data_;
    };

    // Not re-entrant.
    [[nodiscard]] Lock Take() { return Lock(mutex_, data_); }

private:
    std::mutex mutex_;
    WorkingSetData data_;
};

// What a write of key tables and macros came to: the result, and the message the user must
// see once every lock is released.
struct KeyboardWrite {
    int result = 0;            // 1 when every frame of the write succeeded, else 0
    std::string_view message;  // language key; empty when there is nothing to say

    bool Ok() const { return result == 1; }
};

void ShowWriteMessage(ShellPort& shell, const KeyboardWrite& write);

// For a caller holding the working-set lock on workingSet: packs its texts (its program and
// text entries receive their offsets), copies it into the snapshot and writes the macro area
// and the key table of the active profile, or of all three when allProfiles is set or when the
// macros' positions moved since the keyboard was last read or written (the other profiles'
// tables name macros by position too), between begin and end. The snapshot lock is held for the
// whole write. The message is the caller's to show after it has released the working-set lock.
KeyboardWrite RefreshDeviceSnapshot(DeviceLink& link, DeviceSnapshot& snapshot,
                                    WorkingSetData& workingSet, bool allProfiles,
                                    const Progress& progress = {});
// The same, taking the working-set lock and then the snapshot lock itself, and showing the
// message once both are released. Returns the result.
int RefreshDeviceSnapshot(DeviceLink& link, ShellPort& shell, ProfileWorkingSet& workingSet,
                          DeviceSnapshot& snapshot, bool allProfiles,
                          const Progress& progress = {});

// Writes the snapshot's macro area and key tables as they stand. Nothing is sent when the
// macros do not fit the keyboard's macro capacity even without names (EXTRA_MACRO_TOO_LONG) or
// when the active profile is needed and cannot be read; when they fit only without names the
// names are dropped and EXTRA_PROFILE_SPACE_TIGHT follows the write. The result is 1 only when
// begin, every macro-area chunk, every key block and end succeeded; the first failure stops
// the writes and end is still sent.
KeyboardWrite WriteKeysAndMacros(DeviceLink& link, DeviceSnapshot& snapshot, bool allProfiles,
                                 const Progress& progress = {});
// The same, showing the message after the snapshot lock is released. Returns the result.
int WriteKeysAndMacros(DeviceLink& link, ShellPort& shell, DeviceSnapshot& snapshot,
                       bool allProfiles, const Progress& progress = {});

}  // namespace quorvel
