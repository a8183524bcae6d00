#pragma once
// The macro list shared by all on-board profiles, and the operations the editors and the
// keyboard encoder use on the working set's list.
#include <cstdint>
#include <span>
#include <vector>

#include "model/macro.h"

namespace quorvel {

class ProfileWorkingSet;

constexpr int MACRO_LIST_MAX = 100;

// Records in display order. The list never holds more than MACRO_LIST_MAX records.
class MacroList {
public:
    int Count() const { return static_cast<int>(records_.size()); }
    const std::vector<MacroRecord>& Records() const { return records_; }

    // 0 for a position outside the list.
    uint16_t IdAt(int position) const;
    // Position of the first record with the id; 0 when none has it, so an unknown id resolves
    // to the first macro.
    int IndexOfId(int id) const;
    // The first record with the id, or null.
    const MacroRecord* FindId(int id) const;

    // Refuses (false, list unchanged) more than MACRO_LIST_MAX records.
    bool Replace(std::vector<MacroRecord> records);
    void Clear() { records_.clear(); }

    bool operator==(const MacroList&) const = default;

private:
    std::vector<MacroRecord> records_;
};

// Each of these takes the working set's lock for its duration; callers already holding it use
// the MacroList members directly.

// Private copies of every record, in list order, with isNew 0.
std::vector<MacroRecord> CopyOutMacros(ProfileWorkingSet& workingSet);
uint16_t MacroIdAt(ProfileWorkingSet& workingSet, int position);
int IndexOfMacroId(ProfileWorkingSet& workingSet, int id);
void ClearMacros(ProfileWorkingSet& workingSet);

// Replaces the list with the editor's records (display order) and brings the macro assignments
// of all four key areas in line with it: an assignment without a macro (id 0) takes the first
// macro's id when there is one; one whose id is missing from the new list, or belongs to a
// macro created in the editor, falls back to the default function, since its id was freed by a
// deleted macro. The observer of the working set hears of these changes after the lock is
// released. On success the editor's records have isNew cleared as well. Refuses (false,
// nothing changed) more than MACRO_LIST_MAX records or when memory runs out.
bool CommitMacros(ProfileWorkingSet& workingSet, std::span<MacroRecord> editorRecords);

}  // namespace quorvel
