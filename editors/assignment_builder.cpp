#include "editors/assignment_builder.h"

#include <algorithm>

namespace quorvel {

uint16_t GKeyAuxOf(int entryIndex) {
    if (entryIndex < G_KEY_ENTRY_BANK_A || entryIndex >= G_KEY_ENTRY_BANK_B + G_KEY_COUNT) return 0;
    const int n = entryIndex - G_KEY_ENTRY_BANK_A;
    return static_cast<uint16_t>(n < G_KEY_COUNT ? 0x0301 + n : 0x1301 + n - G_KEY_COUNT);
}

std::optional<KeyAssignment> BuildAssignment(const AssignmentChoice& choice,
                                             const KeyAssignment& current) {
    KeyAssignment entry = current;
    entry.type = static_cast<int16_t>(choice.pageType);
    entry.aux = GKeyAuxOf(choice.entryIndex);
    entry.value = 0;
    switch (choice.pageType) {
        case ASSIGN_KEY:
            entry.value = choice.capturedKey;
            // No key, or the key mapped to itself: the key's own function.
            if (choice.capturedKey == 0 || KeyIndexOf(choice.capturedKey) == choice.entryIndex) {
                entry.type = ASSIGN_DEFAULT;
                entry.value = 0;
            }
            break;
        case ASSIGN_MACRO:
            if (choice.haveMacros) {
                entry.value = choice.macroId;
                entry.aux = static_cast<uint16_t>(choice.cycles);
            } else {
                entry.type = ASSIGN_DEFAULT;
            }
            break;
        case ASSIGN_MEDIA:
            entry.value = std::max(choice.mediaIndex, 0);
            break;
        case ASSIGN_FUNCTION:
            entry.value = std::max(choice.functionIndex, 0);
            break;
        case ASSIGN_DISABLED:
        case ASSIGN_PROGRAM:
        case ASSIGN_STOP_MACRO:
        case ASSIGN_TEXT:
            return std::nullopt;
        default:
            break;
    }
    return entry;
}

}  // namespace quorvel
