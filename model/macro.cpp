#include "model/macro.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "base/byte_order.h"

namespace quorvel {

namespace {

bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

}  // namespace

MacroAction MakeMacroAction(uint32_t delayMs, uint16_t key, uint16_t state) {
    return MacroAction{delayMs, key,
                       state == MACRO_STATE_RELEASE ? MACRO_STATE_RELEASE : MACRO_STATE_PRESS};
}

MacroAction ReadMacroAction(const uint8_t* bytes) {
    return MakeMacroAction(ReadLe32(bytes), ReadLe16(bytes + 4), ReadLe16(bytes + 6));
}

void WriteMacroAction(uint8_t* bytes, const MacroAction& a) {
    const MacroAction kept = MakeMacroAction(a.delayMs, a.key, a.state);
    WriteLe32(bytes, kept.delayMs);
    WriteLe16(bytes + 4, kept.key);
    WriteLe16(bytes + 6, kept.state);
}

std::u16string FitMacroName(std::u16string_view name) {
    if (name.size() <= MACRO_NAME_MAX_UNITS) return std::u16string(name);
    size_t length = MACRO_NAME_MAX_UNITS;
    // The unit after the cut would be the low half of this pair.
    if (IsHighSurrogate(name[length - 1])) --length;
    return std::u16string(name.substr(0, length));
}

void MacroRecord::SetName(std::u16string_view name) {
    name_ = FitMacroName(name);
}

MacroRecord ReadMacroRecord(const uint8_t* bytes) {
    MacroRecord record;
    std::u16string name;
    for (size_t i = 0; i * 2 < MACRO_NAME_FIELD_BYTES; ++i) {
        const char16_t unit = ReadLe16(bytes + i * 2);
        if (unit == 0) break;
        name.push_back(unit);
    }
    record.SetName(name);
    record.cycles = bytes[MACRO_OFFSET_CYCLES];
    record.isNew = ReadLe16(bytes + MACRO_OFFSET_IS_NEW);
    record.reserved = ReadLe16(bytes + MACRO_OFFSET_RESERVED);
    record.id = ReadLe16(bytes + MACRO_OFFSET_ID);
    const int count = std::min<int>(ReadLe16(bytes + MACRO_OFFSET_ACTION_COUNT), MACRO_MAX_ACTIONS);
    record.actions.reserve(count);
    for (int i = 0; i < count; ++i) {
        record.actions.push_back(
            ReadMacroAction(bytes + MACRO_OFFSET_ACTIONS + i * MACRO_ACTION_SIZE));
    }
    return record;
}

void WriteMacroRecord(uint8_t* bytes, const MacroRecord& record) {
    std::memset(bytes, 0, MACRO_RECORD_SIZE);
    const std::u16string name = FitMacroName(record.Name());
    for (size_t i = 0; i < name.size(); ++i) WriteLe16(bytes + i * 2, name[i]);
    bytes[MACRO_OFFSET_CYCLES] = record.cycles;
    WriteLe16(bytes + MACRO_OFFSET_IS_NEW, record.isNew);
    WriteLe16(bytes + MACRO_OFFSET_RESERVED, record.reserved);
    WriteLe16(bytes + MACRO_OFFSET_ID, record.id);
    const size_t count = std::min<size_t>(record.actions.size(), MACRO_MAX_ACTIONS);
    WriteLe16(bytes + MACRO_OFFSET_ACTION_COUNT, static_cast<uint16_t>(count));
    for (size_t i = 0; i < count; ++i) {
        WriteMacroAction(bytes + MACRO_OFFSET_ACTIONS + i * MACRO_ACTION_SIZE, record.actions[i]);
    }
}

uint16_t LowestFreeMacroId(std::span<const MacroRecord> list) {
    std::array<bool, MACRO_MAX_ID + 1> used{};
    for (const MacroRecord& record : list) {
        if (record.id >= MACRO_MIN_ID && record.id <= MACRO_MAX_ID) used[record.id] = true;
    }
    for (int id = MACRO_MIN_ID; id <= MACRO_MAX_ID; ++id) {
        if (!used[id]) return static_cast<uint16_t>(id);
    }
    return 0;
}

std::optional<MacroRecord> CreateMacro(std::u16string_view name,
                                       std::span<const MacroRecord> list) {
    const uint16_t id = LowestFreeMacroId(list);
    if (id == 0) return std::nullopt;
    MacroRecord record;
    record.SetName(name);
    record.cycles = 1;
    record.isNew = 1;
    record.id = id;
    return record;
}

}  // namespace quorvel
