#include "model/working_set.h"

namespace quorvel {

namespace {

bool IsEntryIndex(int index) {
    return index >= 0 && index < WORKING_SET_ENTRIES;
}

uint32_t TextBytes(const std::u16string& text) {
    return static_cast<uint32_t>((text.size() + 1) * sizeof(char16_t));
}

}  // namespace

const std::u16string* TextTable::At(int index) const {
    const auto found = texts_.find(index);
    return found == texts_.end() ? nullptr : &found->second;
}

uint32_t TextTable::BytesAt(int index) const {
    const std::u16string* text = At(index);
    return text ? TextBytes(*text) : 0;
}

void TextTable::Set(int index, std::optional<std::u16string_view> text) {
    if (!IsEntryIndex(index)) return;
    // Copied first: the view may point into the text it replaces.
    std::optional<std::u16string> replacement;
    if (text) replacement.emplace(*text);
    if (const auto found = texts_.find(index); found != texts_.end()) {
        total_ -= TextBytes(found->second);
        texts_.erase(found);
    }
    if (replacement) {
        total_ += TextBytes(*replacement);
        texts_.emplace(index, std::move(*replacement));
    }
}

void TextTable::Clear() {
    texts_.clear();
    total_ = 0;
}

WorkingSetData FreshWorkingSetData() {
    WorkingSetData data;
    data.keyAreas[0] = FreshKeyArea();
    return data;
}

ProfileWorkingSet::ProfileWorkingSet() : data_(FreshWorkingSetData()) {}

ProfileWorkingSet& ProfileWorkingSet::Instance() {
    static ProfileWorkingSet instance;
    return instance;
}

void SetEntryText(ProfileWorkingSet& workingSet, int area, int entry,
                  std::optional<std::u16string_view> text) {
    // An entry past its area would land on another area's entry.
    if (area < 0 || area >= KEY_AREA_COUNT || entry < 0 || entry >= KEY_AREA_ENTRIES) return;
    WorkingSetLock data = workingSet.Lock();
    data->texts.Set(WorkingSetEntryIndex(area, entry), text);
}

}  // namespace quorvel
