// The window half of key assignment descriptions: which button stands for a key-area entry,
// and its assigned look and tip text from the active profile.
#include <QMetaObject>
#include <QString>
#include <QThread>

#include "app/keyboard_jobs.h"
#include "app/keyboard_map.h"
#include "model/macro_list.h"

namespace quorvel {
namespace {

// Names the macros of the data reached under the working-set lock; only valid while it is held.
MacroNameOfId MacroNamesIn(const WorkingSetData& data) {
    return [&data](int32_t id) {
        const MacroRecord* macro = data.macros.FindId(id);
        return macro == nullptr ? std::string()
                                : QString::fromStdU16String(macro->Name()).toStdString();
    };
}

}  // namespace

int KeyboardMap::ShownArea() const {
    const int profile = host_.ActiveProfile();
    return profile >= 0 && profile < ONBOARD_PROFILE_COUNT ? profile : 0;
}

CPngButton* KeyboardMap::ButtonForEntry(int entryIndex, DescribedKey* key) const {
    for (int n = 0; n < G_KEY_COUNT; ++n) {
        if (entryIndex != GKeyEntry(n)) continue;
        *key = DescribedKey::GKey(n + 1);
        return gKeys_[n];
    }
    const int position = PositionOfEntry(entryIndex);
    if (position < 0) return nullptr;
    *key = DescribedKey::MapKey(MAP_KEYS[position].scanCode);
    return keys_[position];
}

void KeyboardMap::DescribeKeys(bool gKeys, bool mapKeys) {
    if (keys_[0] == nullptr || DeferWhileBusy(gKeys, mapKeys, false)) return;
    std::vector<Description> descriptions;
    {
        WorkingSetLock data = ProfileWorkingSet::Instance().Lock();
        const KeyArea& area = data->keyAreas[ShownArea()];
        const MacroNameOfId macroName = MacroNamesIn(*data);
        if (gKeys) {
            for (int n = 0; n < G_KEY_COUNT; ++n) {
                descriptions.push_back(
                    {gKeys_[n],
                     DescribeAssignment(DescribedKey::GKey(n + 1), area[GKeyEntry(n)], macroName)});
            }
        }
        if (mapKeys) {
            for (int p = 0; p < MAP_KEY_COUNT; ++p) {
                const ScanCode scanCode = MAP_KEYS[p].scanCode;
                descriptions.push_back(
                    {keys_[p], DescribeAssignment(DescribedKey::MapKey(scanCode),
                                                  area[KeyIndexOf(scanCode)], macroName)});
            }
        }
    }
    ApplyDescriptions(descriptions);
}

void KeyboardMap::ApplyDescriptions(const std::vector<Description>& descriptions) {
    for (const Description& d : descriptions) {
        d.button->SetChecked(d.text.assigned);
        d.button->SetTooltip(QString::fromStdString(d.text.tipText), true);
    }
}

void KeyboardMap::RefreshKey(int entryIndex) {
    DescribedKey key;
    CPngButton* button = ButtonForEntry(entryIndex, &key);
    if (button == nullptr) return;
    if (DeferWhileBusy(key.isGKey, !key.isGKey, false)) return;
    AssignmentDescription text;
    {
        WorkingSetLock data = ProfileWorkingSet::Instance().Lock();
        text =
            DescribeAssignment(key, data->keyAreas[ShownArea()][entryIndex], MacroNamesIn(*data));
    }
    ApplyDescriptions({{button, text}});
}

void KeyboardMap::RefreshAll() {
    DescribeKeys(true, true);
    // A switch, reload or import brings other colour flags along with the assignments.
    if (ColourKeysMode()) RefreshColourLooks();
    flip_.Apply();
}

void KeyboardMap::RefreshGKeys() {
    DescribeKeys(true, false);
}

void KeyboardMap::ClearKeyDescription(int entryIndex) {
    DescribedKey key;
    CPngButton* button = ButtonForEntry(entryIndex, &key);
    if (button == nullptr) return;
    ApplyDescriptions({{button, DescribeAssignment(key, KeyAssignment{}, {})}});
}

bool KeyboardMap::ResetProfileAssignments() {
    if (jobs_.Busy()) return false;
    static const KeyArea FRESH = FreshKeyArea();
    // The default function, keeping what is not the assignment's: a G key's own code and the
    // colour flag, which belongs to whichever key the key-list position names.
    auto reset = [](KeyAssignment& entry, int entryIndex) {
        KeyAssignment cleared;
        cleared.aux = FRESH[entryIndex].aux;
        cleared.colourFlag = entry.colourFlag;
        cleared.reserved = entry.reserved;
        entry = cleared;
    };
    {
        WorkingSetLock data = ProfileWorkingSet::Instance().Lock();
        KeyArea& area = data->keyAreas[ShownArea()];
        for (int n = 0; n < G_KEY_COUNT; ++n) reset(area[GKeyEntry(n)], GKeyEntry(n));
        for (const MapKey& key : MAP_KEYS) {
            const int entryIndex = KeyIndexOf(key.scanCode);
            reset(area[entryIndex], entryIndex);
        }
    }
    DescribeKeys(true, true);
    host_.EnableApply(true);
    return true;
}

void KeyboardMap::OnAssignmentReset(int area, int entry) {
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(
            this, [this, area, entry] { OnAssignmentReset(area, entry); }, Qt::QueuedConnection);
        return;
    }
    // Resets in the profiles not shown have no button to clear.
    if (area != ShownArea()) return;
    ClearKeyDescription(entry);
}

void KeyboardMap::OnUnappliedChanges() {
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(
            this, [this] { OnUnappliedChanges(); }, Qt::QueuedConnection);
        return;
    }
    host_.EnableApply(true);
}

}  // namespace quorvel
