#pragma once
// The short text a key button of the keyboard map or a G-key button carries about its
// assignment, and whether it shows the assigned look.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "model/key_assignment.h"
#include "model/key_codes.h"

namespace quorvel {

struct AssignmentDescription {
    bool assigned = false;  // the button's assigned look
    std::string tipText;

    bool operator==(const AssignmentDescription&) const = default;
};

// The button being described: a key of the keyboard map or G key 1..9.
struct DescribedKey {
    bool isGKey = false;
    ScanCode scanCode = 0;
    int gNumber = 0;

    static DescribedKey MapKey(ScanCode s) { return {false, s, 0}; }
    static DescribedKey GKey(int gNumber) { return {true, 0, gNumber}; }
};

// Name of a macro by its id; empty when no macro has that id.
using MacroNameOfId = std::function<std::string(int32_t id)>;

// Language key of keyboard function 0..10 (FUNC_KEY_DESC1..11); empty outside that range.
std::string KeyboardFunctionNameKey(int index);

AssignmentDescription DescribeAssignment(const DescribedKey& key, const KeyAssignment& a,
                                         const MacroNameOfId& macroName);

}  // namespace quorvel
