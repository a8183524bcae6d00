// quorvelctl's words come from the command line and from scripts: key names, key slots,
// assignments, macro steps, numbers, colours, the KEY=VALUE words of `lighting set` and the key
// positions of `usermode paint`. Each parser takes a word or refuses it with a usage error;
// nothing else may escape.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_error.h"
#include "cli/lighting_words.h"
#include "cli/parse.h"

using namespace quorvel;
using namespace quorvel::cli;

namespace {

template <typename Parse>
void Try(Parse parse) {
    try {
        parse();
    } catch (const CliError& error) {
        if (error.message.empty()) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> words;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i)
        if (i == text.size() || text[i] == ' ') {
            words.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    Try([&] { FindKey(text); });
    Try([&] { ParseKeySlot(text, 'a'); });
    Try([&] { ParseKeySlot(text, 'b'); });
    Try([&] { ParseAssignmentSpec(text); });
    Try([&] { ParseNumber(text, 0, 255, "value"); });
    Try([&] { ParseProfileNumber(text); });
    Try([&] { FormatColour(ParseColour(text)); });
    Try([&] { ParseSwitch(text, "switch"); });
    Try([&] {
        const int position = ParseKeyPosition(text);
        if (position < 0 || position >= KEY_COLOUR_POSITIONS) std::abort();
    });
    Try([&] {
        for (const Setting& s : ParseLightingSettings(words))
            if (s.key.empty() || s.value.empty()) std::abort();
    });
    Try([&] {
        const std::vector<MacroAction> steps = ParseMacroSteps(words);
        if (steps.size() > static_cast<size_t>(MACRO_MAX_ACTIONS)) std::abort();
        FormatMacroSteps(steps);
    });
    return 0;
}
