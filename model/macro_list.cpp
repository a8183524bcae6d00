#include "model/macro_list.h"

#include <new>
#include <utility>

#include "model/working_set.h"

namespace quorvel {

namespace {

const MacroRecord* FirstWithId(std::span<const MacroRecord> records, int id) {
    for (const MacroRecord& record : records) {
        if (record.id == id) return &record;
    }
    return nullptr;
}

}  // namespace

uint16_t MacroList::IdAt(int position) const {
    if (position < 0 || position >= Count()) return 0;
    return records_[position].id;
}

int MacroList::IndexOfId(int id) const {
    for (int i = 0; i < Count(); ++i) {
        if (records_[i].id == id) return i;
    }
    return 0;
}

const MacroRecord* MacroList::FindId(int id) const {
    return FirstWithId(records_, id);
}

bool MacroList::Replace(std::vector<MacroRecord> records) {
    if (records.size() > MACRO_LIST_MAX) return false;
    records_ = std::move(records);
    return true;
}

std::vector<MacroRecord> CopyOutMacros(ProfileWorkingSet& workingSet) {
    WorkingSetLock data = workingSet.Lock();
    std::vector<MacroRecord> copies = data->macros.Records();
    for (MacroRecord& copy : copies) copy.isNew = 0;
    return copies;
}

uint16_t MacroIdAt(ProfileWorkingSet& workingSet, int position) {
    WorkingSetLock data = workingSet.Lock();
    return data->macros.IdAt(position);
}

int IndexOfMacroId(ProfileWorkingSet& workingSet, int id) {
    WorkingSetLock data = workingSet.Lock();
    return data->macros.IndexOfId(id);
}

void ClearMacros(ProfileWorkingSet& workingSet) {
    WorkingSetLock data = workingSet.Lock();
    data->macros.Clear();
}

namespace {

struct EntryRef {
    int area;
    int entry;
};

// Brings the macro assignments in line with the editor's records, whose isNew still marks the
// macros created in the editor. Returns whether any assignment changed.
bool ReconcileMacroAssignments(WorkingSetData& data, std::span<const MacroRecord> records,
                               std::vector<EntryRef>& resets) {
    bool changed = false;
    for (int area = 0; area < KEY_AREA_COUNT; ++area) {
        for (int entry = 0; entry < KEY_AREA_ENTRIES; ++entry) {
            KeyAssignment& a = data.keyAreas[area][entry];
            if (a.type != ASSIGN_MACRO) continue;
            if (a.value == 0) {
                if (records.empty()) continue;
                a.value = records.front().id;
                changed = true;
                continue;
            }
            const MacroRecord* macro = FirstWithId(records, a.value);
            if (macro && macro->isNew == 0) continue;
            a.type = ASSIGN_DEFAULT;
            resets.push_back({area, entry});
            changed = true;
        }
    }
    return changed;
}

}  // namespace

bool CommitMacros(ProfileWorkingSet& workingSet, std::span<MacroRecord> editorRecords) {
    if (editorRecords.size() > MACRO_LIST_MAX) return false;
    // Everything that allocates happens before the lock, so running out of memory leaves the
    // working set as it was.
    std::vector<MacroRecord> records;
    std::vector<EntryRef> resets;
    try {
        records.assign(editorRecords.begin(), editorRecords.end());
        resets.reserve(WORKING_SET_ENTRIES);
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (MacroRecord& record : records) record.isNew = 0;

    bool changed;
    {
        WorkingSetLock data = workingSet.Lock();
        changed = ReconcileMacroAssignments(*data, editorRecords, resets);
        data->macros.Replace(std::move(records));
    }
    for (MacroRecord& record : editorRecords) record.isNew = 0;

    // Told only now: the observer may take the lock to redraw what changed.
    WorkingSetObserver* observer = workingSet.Observer();
    if (observer) {
        for (const EntryRef& reset : resets) observer->OnAssignmentReset(reset.area, reset.entry);
        if (changed) observer->OnUnappliedChanges();
    }
    return true;
}

}  // namespace quorvel
