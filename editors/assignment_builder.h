#pragma once
// What the key assignment dialog's Apply stores for the edited key, from what its pages hold.
// Free of Qt, so the rules are checked without a window.
#include <cstdint>
#include <optional>

#include "model/key_assignment.h"
#include "model/key_codes.h"

namespace quorvel {

struct AssignmentChoice {
    // The edited entry: a key index, or a G key entry (bank A, then bank B).
    int entryIndex = 0;
    // The page's assignment type; types the dialog has no page for pass through.
    int pageType = ASSIGN_DEFAULT;
    ScanCode capturedKey = 0;
    // The macro page: whether the box holds any macro, the chosen macro's id (0 for none) and
    // the cycles box.
    bool haveMacros = false;
    int32_t macroId = 0;
    int cycles = 1;
    int mediaIndex = 0;
    int functionIndex = 0;
};

// The GKeyCode of a G key entry, 0 for an ordinary key.
uint16_t GKeyAuxOf(int entryIndex);

// The entry that replaces `current`, keeping its colour flag and reserved field; none when the
// entry is a program, text, disabled or stop-macro key the user did not move to a page, which
// this dialog has nothing to put in place of.
std::optional<KeyAssignment> BuildAssignment(const AssignmentChoice& choice,
                                             const KeyAssignment& current);

}  // namespace quorvel
