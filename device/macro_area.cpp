#include "device/macro_area.h"

#include <algorithm>
#include <string>

#include "base/byte_order.h"
#include "base/texts.h"
#include "base/utf16.h"
#include "model/key_codes.h"
#include "model/key_table.h"
#include "model/macro_list.h"

namespace quorvel {
namespace {

constexpr uint16_t FIRST_MODIFIER_USAGE =
    0xE0;  // left Ctrl; the eight modifiers follow in bit order
constexpr uint16_t LAST_MODIFIER_USAGE = 0xE7;  // right Win

// What the record layout of a macro keeps, and so what the keyboard gets.
std::span<const MacroAction> StoredActions(const MacroRecord& macro) {
    return std::span<const MacroAction>(macro.actions)
        .first(std::min<size_t>(macro.actions.size(), MACRO_MAX_ACTIONS));
}

size_t RecordSize(const MacroRecord& macro, bool withName) {
    size_t size =
        MACRO_AREA_RECORD_HEADER_SIZE + StoredActions(macro).size() * MACRO_AREA_ACTION_SIZE;
    if (withName) size += FitMacroName(macro.Name()).size() * 2;
    return size;
}

FirmwareKeyEntry EncodeActionKey(ScanCode key) {
    const HidUsage usage = ToHidUsage(key);
    const auto low = static_cast<uint8_t>(usage.usage);
    const auto high = static_cast<uint8_t>(usage.usage >> 8);
    switch (usage.page) {
        case HID_PAGE_KEYBOARD:
            if (usage.usage >= FIRST_MODIFIER_USAGE && usage.usage <= LAST_MODIFIER_USAGE)
                return {KIND_KEYBOARD, KEYBOARD_MODIFIER,
                        static_cast<uint8_t>(1u << (usage.usage - FIRST_MODIFIER_USAGE))};
            return {KIND_KEYBOARD, KEYBOARD_USAGE, low};
        case HID_PAGE_CONSUMER:
            return {KIND_CONSUMER, low, high};
        case HID_PAGE_GENERIC_DESKTOP:
            return {KIND_GENERIC_DESKTOP, low, high};
        default:
            return {};
    }
}

void EncodeAction(uint8_t* out, const MacroAction& action) {
    // The model keeps pauses within the field; a larger one is held at the longest pause
    // rather than wrapping to a short one.
    const uint32_t units =
        std::min<uint32_t>(action.delayMs / MACRO_AREA_DELAY_UNIT_MS, MACRO_AREA_DELAY_MASK);
    const FirmwareKeyEntry key = EncodeActionKey(action.key);
    uint16_t word = static_cast<uint16_t>(units | (key.kind << MACRO_AREA_KIND_SHIFT));
    if (action.state != MACRO_STATE_RELEASE) word |= MACRO_AREA_PRESS_BIT;
    WriteLe16(out, word);
    out[2] = key.byte1;
    out[3] = key.byte2;
}

MacroAction DecodeAction(const uint8_t* in) {
    const uint16_t word = ReadLe16(in);
    MacroAction action;
    action.delayMs = static_cast<uint32_t>(word & MACRO_AREA_DELAY_MASK) * MACRO_AREA_DELAY_UNIT_MS;
    const auto kind = static_cast<uint8_t>((word >> MACRO_AREA_KIND_SHIFT) & MACRO_AREA_KIND_MASK);
    action.key = SlotScanCode({kind, in[2], in[3]});
    action.state = (word & MACRO_AREA_PRESS_BIT) ? MACRO_STATE_PRESS : MACRO_STATE_RELEASE;
    return action;
}

std::u16string DefaultMacroName(int position) {
    return ToUtf16(Text("MACRO_NEW_PREFIX") + std::to_string(position + 1));
}

}  // namespace

MacroAreaSize MacroAreaSizes(std::span<const MacroRecord> macros) {
    MacroAreaSize size;
    size.withNames = size.withoutNames = MACRO_AREA_HEADER_SIZE + 2 * macros.size();
    for (const MacroRecord& macro : macros) {
        size.withoutNames += RecordSize(macro, false);
        size.withNames += RecordSize(macro, true);
    }
    return size;
}

std::vector<uint8_t> EncodeMacroArea(std::span<const MacroRecord> macros, bool withNames) {
    const MacroAreaSize sizes = MacroAreaSizes(macros);
    std::vector<uint8_t> area(withNames ? sizes.withNames : sizes.withoutNames, 0);
    uint8_t* base = area.data();
    WriteLe16(base + MACRO_AREA_OFFSET_MAGIC, MACRO_AREA_MAGIC);
    WriteLe16(base + MACRO_AREA_OFFSET_SIZE, static_cast<uint16_t>(area.size()));
    WriteLe16(base + MACRO_AREA_OFFSET_COUNT, static_cast<uint16_t>(macros.size()));
    WriteLe16(base + MACRO_AREA_OFFSET_NAMES, withNames ? 1 : 0);

    size_t offset = MACRO_AREA_HEADER_SIZE + 2 * macros.size();
    for (size_t i = 0; i < macros.size(); ++i) {
        const MacroRecord& macro = macros[i];
        const std::span<const MacroAction> actions = StoredActions(macro);
        const std::u16string name = withNames ? FitMacroName(macro.Name()) : std::u16string();
        WriteLe16(base + MACRO_AREA_HEADER_SIZE + 2 * i, static_cast<uint16_t>(offset));
        WriteLe16(base + offset, static_cast<uint16_t>(actions.size()));
        base[offset + 2] = macro.cycles;
        base[offset + 3] = static_cast<uint8_t>(name.size());
        offset += MACRO_AREA_RECORD_HEADER_SIZE;
        for (const MacroAction& action : actions) {
            EncodeAction(base + offset, action);
            offset += MACRO_AREA_ACTION_SIZE;
        }
        for (char16_t unit : name) {
            WriteLe16(base + offset, unit);
            offset += 2;
        }
    }
    return area;
}

std::vector<MacroRecord> DecodeMacroArea(std::span<const uint8_t> area) {
    std::vector<MacroRecord> macros;
    if (area.size() < MACRO_AREA_HEADER_SIZE ||
        ReadLe16(&area[MACRO_AREA_OFFSET_MAGIC]) != MACRO_AREA_MAGIC)
        return macros;
    const size_t tableRoom = (area.size() - MACRO_AREA_HEADER_SIZE) / 2;
    const size_t count = std::min<size_t>(
        {ReadLe16(&area[MACRO_AREA_OFFSET_COUNT]), tableRoom, static_cast<size_t>(MACRO_LIST_MAX)});
    for (size_t i = 0; i < count; ++i) {
        const size_t offset = ReadLe16(&area[MACRO_AREA_HEADER_SIZE + 2 * i]);
        if (offset + MACRO_AREA_RECORD_HEADER_SIZE > area.size()) continue;
        const size_t actionCount = ReadLe16(&area[offset]);
        const size_t nameUnits = area[offset + 3];
        const size_t actionsAt = offset + MACRO_AREA_RECORD_HEADER_SIZE;
        const size_t nameAt = actionsAt + actionCount * MACRO_AREA_ACTION_SIZE;
        if (actionCount > static_cast<size_t>(MACRO_MAX_ACTIONS) ||
            nameAt + nameUnits * 2 > area.size())
            continue;

        MacroRecord macro;
        macro.cycles = area[offset + 2];
        macro.id = static_cast<uint16_t>(i + 1);
        macro.actions.reserve(actionCount);
        for (size_t a = 0; a < actionCount; ++a)
            macro.actions.push_back(DecodeAction(&area[actionsAt + a * MACRO_AREA_ACTION_SIZE]));
        if (nameUnits == 0) {
            macro.SetName(DefaultMacroName(static_cast<int>(i)));
        } else {
            std::u16string name(nameUnits, u'\0');
            for (size_t u = 0; u < nameUnits; ++u) name[u] = ReadLe16(&area[nameAt + 2 * u]);
            macro.SetName(name);
        }
        macros.push_back(std::move(macro));
    }
    return macros;
}

std::vector<int32_t> MacroIds(std::span<const MacroRecord> macros) {
    std::vector<int32_t> ids;
    ids.reserve(macros.size());
    for (const MacroRecord& macro : macros) ids.push_back(macro.id);
    return ids;
}

}  // namespace quorvel
