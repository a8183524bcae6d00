#include "model/describe_assignment.h"

#include "base/texts.h"
#include "model/key_table.h"

namespace quorvel {
namespace {

// The "Kind(" ... ")" part of the tip; empty when the type has none or its value names nothing
// that exists (a stored media or function index outside its table).
std::string Detail(const KeyAssignment& a, const MacroNameOfId& macroName) {
    std::string prompt;
    std::string argument;
    switch (a.type) {
        case ASSIGN_KEY:
            prompt = Text("KEY_PROMPT_SINGLE");
            argument = KeyName(a.value >= 0 && a.value <= 0xFFFF ? static_cast<ScanCode>(a.value)
                                                                 : ScanCode{0});
            break;
        case ASSIGN_MACRO:
            prompt = Text("KEY_PROMPT_MACRO");
            if (macroName) argument = macroName(a.value);
            break;
        case ASSIGN_MEDIA:
            if (a.value < 0 || a.value >= MEDIA_COUNT) return {};
            prompt = Text("KEY_PROMPT_MEDIA");
            argument = KeyName(MediaScanCode(a.value));
            break;
        case ASSIGN_FUNCTION:
            if (a.value < 0 || a.value >= KEYBOARD_FUNCTION_COUNT) return {};
            prompt = Text("KEY_PROMPT_FUNCTION");
            argument = Text(KeyboardFunctionNameKey(a.value));
            break;
        default:
            return {};
    }
    return prompt + argument + ")";
}

}  // namespace

std::string KeyboardFunctionNameKey(int index) {
    if (index < 0 || index >= KEYBOARD_FUNCTION_COUNT) return {};
    return "FUNC_KEY_DESC" + std::to_string(index + 1);
}

AssignmentDescription DescribeAssignment(const DescribedKey& key, const KeyAssignment& a,
                                         const MacroNameOfId& macroName) {
    std::string name = key.isGKey ? "G" + std::to_string(key.gNumber) : KeyName(key.scanCode);
    if (a.type == ASSIGN_DEFAULT) return {false, std::move(name)};
    return {true, name + Text("KEY_PROMPT_SET") + Detail(a, macroName)};
}

}  // namespace quorvel
