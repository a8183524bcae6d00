#pragma once
// A macro as the editor, the profile files and the device snapshot see it, and its fixed
// 16,512-byte record layout (the same bytes in memory images, profile files and export files).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

constexpr size_t MACRO_ACTION_SIZE = 8;
constexpr size_t MACRO_RECORD_SIZE = 16512;
constexpr size_t MACRO_NAME_FIELD_BYTES = 500;
constexpr size_t MACRO_NAME_MAX_UNITS = 249;  // the field also holds the terminator
constexpr int MACRO_MAX_ACTIONS = 2000;
constexpr int MACRO_MIN_ID = 1;
constexpr int MACRO_MAX_ID = 100;

// Offsets inside a MacroRecord.
constexpr size_t MACRO_OFFSET_CYCLES = 500;
constexpr size_t MACRO_OFFSET_IS_NEW = 502;
constexpr size_t MACRO_OFFSET_RESERVED = 504;
constexpr size_t MACRO_OFFSET_ID = 506;
constexpr size_t MACRO_OFFSET_ACTION_COUNT = 508;
constexpr size_t MACRO_OFFSET_ACTIONS = 512;

static_assert(MACRO_OFFSET_ACTIONS + MACRO_MAX_ACTIONS * MACRO_ACTION_SIZE == MACRO_RECORD_SIZE);
static_assert(MACRO_NAME_FIELD_BYTES == (MACRO_NAME_MAX_UNITS + 1) * 2);

constexpr uint16_t MACRO_STATE_PRESS = 0;
constexpr uint16_t MACRO_STATE_RELEASE = 1;

struct MacroAction {
    uint32_t delayMs = 0;  // pause after this action
    uint16_t key = 0;      // ScanCode
    uint16_t state = MACRO_STATE_PRESS;

    bool operator==(const MacroAction&) const = default;
};

// A state other than press or release is taken as press.
MacroAction MakeMacroAction(uint32_t delayMs, uint16_t key, uint16_t state);

MacroAction ReadMacroAction(const uint8_t* bytes);            // 8 bytes
void WriteMacroAction(uint8_t* bytes, const MacroAction& a);  // 8 bytes

class MacroRecord {
public:
    uint8_t cycles = 1;
    uint16_t isNew = 0;     // 1 only in an editor's copy of a macro created since it opened
    uint16_t reserved = 0;  // carried unchanged through files
    uint16_t id = 0;
    std::vector<MacroAction> actions;  // at most MACRO_MAX_ACTIONS are kept by the layout

    const std::u16string& Name() const { return name_; }
    // Longer names are cut to what the field holds, never inside a surrogate pair.
    void SetName(std::u16string_view name);

    bool operator==(const MacroRecord&) const = default;

private:
    std::u16string name_;
};

// The name as the record field keeps it.
std::u16string FitMacroName(std::u16string_view name);

// Reads MACRO_RECORD_SIZE bytes. A count above MACRO_MAX_ACTIONS is taken as the maximum.
MacroRecord ReadMacroRecord(const uint8_t* bytes);
// Writes MACRO_RECORD_SIZE bytes; unused name units and action slots are zero.
void WriteMacroRecord(uint8_t* bytes, const MacroRecord& record);

// The lowest id in MACRO_MIN_ID..MACRO_MAX_ID that no record of the list uses; 0 when all are.
uint16_t LowestFreeMacroId(std::span<const MacroRecord> list);

// A new editor-side macro: cycles 1, isNew 1, no actions and the lowest free id of the editor's
// current list. None when every id is taken.
std::optional<MacroRecord> CreateMacro(std::u16string_view name, std::span<const MacroRecord> list);

}  // namespace quorvel
