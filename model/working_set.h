#pragma once
// The profile working set: the in-memory copy of every on-board profile's key assignments, the
// shared macro list and the texts of program and text assignments, behind one lock. The editors
// change it, Apply writes it to the profile file and, through the device snapshot (a second
// instance with its own lock), to the keyboard.
#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/key_assignment.h"
#include "model/macro_list.h"

namespace quorvel {

constexpr int WORKING_SET_ENTRIES = KEY_AREA_COUNT * KEY_AREA_ENTRIES;  // 2048

constexpr int WorkingSetEntryIndex(int area, int entry) {
    return area * KEY_AREA_ENTRIES + entry;
}

// One optional UTF-16 text per key-area entry (the path of a program assignment or the text of a
// text assignment), with its length in bytes including the terminator and the sum of them all.
// Indices outside 0..WORKING_SET_ENTRIES-1 hold no text and are not stored.
class TextTable {
public:

    // Null when the entry has no text.
    const std::u16string* At(int index) const;
    // (units + 1) * 2, or 0 when the entry has no text.
    uint32_t BytesAt(int index) const;
    uint32_t Total() const { return total_; }

    // Replaces the entry's text; none removes it.
    void Set(int index, std::optional<std::u16string_view> text);
    void Clear();

    bool operator==(const TextTable&) const = default;

private:
    // By index; most entries have none, and every copy of the working set copies the table.
    std::map<int, std::u16string> texts_;
    uint32_t total_ = 0;
};

// A value type: copying it is the deep copy the device snapshot takes.
struct WorkingSetData {
    std::array<KeyArea, KEY_AREA_COUNT> keyAreas{};
    MacroList macros;
    TextTable texts;

    bool operator==(const WorkingSetData&) const = default;
};

// No macros, no texts, all key areas zero except the G-key entries of area 0.
WorkingSetData FreshWorkingSetData();

// Told of changes the working set makes on its own, so the main window can follow them. Called
// on the thread that made the change, never with the working-set lock held.
struct WorkingSetObserver {
    virtual ~WorkingSetObserver() = default;
    // The assignment of entry `entry` in key area `area` was reset to the default function.
    virtual void OnAssignmentReset(int area, int entry) = 0;
    // The working set now differs from what the keyboard holds.
    virtual void OnUnappliedChanges() = 0;
};

// Holds the working-set lock for its lifetime; the data is reached only through it.
class WorkingSetLock {
public:
    WorkingSetData& operator*() const { return *data_; }
    WorkingSetData* operator->() const { return data_; }

private:
    friend class ProfileWorkingSet;
    WorkingSetLock(std::mutex& mutex, WorkingSetData& data) : lock_(mutex), data_(&data) {}

    std::unique_lock<std::mutex> lock_;
    WorkingSetData* data_;
};

class ProfileWorkingSet {
public:
    // Fresh data, as at start-up.
    ProfileWorkingSet();
    ProfileWorkingSet(const ProfileWorkingSet&) = delete;
    ProfileWorkingSet& operator=(const ProfileWorkingSet&) = delete;

    // The program's working set. Tests and the device snapshot make their own instances.
    static ProfileWorkingSet& Instance();

    // Not re-entrant: code already holding the lock works on the data it reached through it.
    [[nodiscard]] WorkingSetLock Lock() { return WorkingSetLock(mutex_, data_); }

    // Null: nobody listens. The observer must outlive its registration.
    void SetObserver(WorkingSetObserver* observer) { observer_.store(observer); }
    WorkingSetObserver* Observer() const { return observer_.load(); }

private:
    std::mutex mutex_;
    WorkingSetData data_;
    std::atomic<WorkingSetObserver*> observer_{nullptr};
};

// Under the lock: replaces the text of one entry (none removes it), keeping the total in step.
void SetEntryText(ProfileWorkingSet& workingSet, int area, int entry,
                  std::optional<std::u16string_view> text);

}  // namespace quorvel
