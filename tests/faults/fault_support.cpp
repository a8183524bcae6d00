#include "fault_support.h"

#include <algorithm>
#include <thread>

#include "model/key_codes.h"
#include "model/macro.h"

namespace quorvel::testing {
namespace {

// The letter keys by scan code: Q-P, A-L, Z-M.
std::vector<ScanCode> LetterKeys() {
    std::vector<ScanCode> keys;
    for (ScanCode first : {0x10, 0x1E, 0x2C})
        for (ScanCode s = first; s < first + (first == 0x2C ? 7 : first == 0x1E ? 9 : 10); ++s)
            keys.push_back(s);
    return keys;
}

}  // namespace

std::vector<uint8_t> DumpArea(const std::string& dump, const std::string& key) {
    const std::string tag = "\"" + key + "\": \"";
    const size_t at = dump.find(tag);
    std::vector<uint8_t> bytes;
    if (at == std::string::npos) return bytes;
    for (size_t i = at + tag.size(); i + 1 < dump.size() && dump[i] != '"'; i += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoi(dump.substr(i, 2), nullptr, 16)));
    return bytes;
}

KeyboardState KeyboardContents(const VirtualKeyboard& keyboard) {
    const std::string dump = keyboard.Run({"dump"});
    return {DumpArea(dump, "keyBlocks"), DumpArea(dump, "macroArea")};
}

std::string Difference(const KeyboardState& held, const KeyboardState& expected) {
    auto first = [](const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
        auto [at, unused] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
        return std::to_string(at - a.begin());
    };
    std::string text;
    if (held.keyBlocks != expected.keyBlocks)
        text += "key blocks differ from byte " + first(held.keyBlocks, expected.keyBlocks) + "; ";
    if (held.macroArea != expected.macroArea)
        text += "macro area differs from byte " + first(held.macroArea, expected.macroArea);
    return text;
}

std::vector<int> CommandCodes(const std::vector<std::string>& frames) {
    std::vector<int> codes;
    for (const std::string& frame : frames)
        codes.push_back(std::stoi(frame.substr(9, 2), nullptr, 16));  // byte 3 of "04 xx xx CC"
    return codes;
}

bool WaitForTraceLine(const VirtualKeyboard& keyboard, size_t mark, const std::string& line,
                      std::chrono::milliseconds wait) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        const std::vector<std::string> lines = keyboard.TraceSince(mark);
        if (std::find(lines.begin(), lines.end(), line) != lines.end()) return true;
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

void FillFullProfileSet(WorkingSetData& data, int variant) {
    constexpr int MACROS = 10;
    constexpr int STEPS = 196;
    const std::vector<ScanCode> letters = LetterKeys();
    std::vector<MacroRecord> macros;
    for (int m = 0; m < MACROS; ++m) {
        MacroRecord macro;
        macro.id = static_cast<uint16_t>(m + 1);
        macro.cycles = static_cast<uint8_t>(1 + variant);
        for (int step = 0; step < STEPS; ++step) {
            const ScanCode key = letters[(step / 2 + m + variant * 7) % letters.size()];
            macro.actions.push_back(
                MakeMacroAction(static_cast<uint32_t>(10 * (step % 50) + variant), key,
                                step % 2 ? MACRO_STATE_RELEASE : MACRO_STATE_PRESS));
        }
        const std::u16string name = (variant ? u"new" : u"old") + std::u16string(1, u'0' + m);
        macro.SetName(name);
        macros.push_back(std::move(macro));
    }
    data.macros.Replace(macros);
    for (int area = 0; area < 3; ++area)
        for (size_t i = 0; i < letters.size(); ++i) {
            const ScanCode target = letters[(i + 1 + variant * 5 + area) % letters.size()];
            data.keyAreas[area][KeyIndexOf(letters[i])] = {ASSIGN_KEY, 0, target, 0, 0};
        }
    // A macro key in every profile, so key tables and the macro area depend on each other.
    data.keyAreas[variant % 3][KeyIndexOf(letters[0])] = {ASSIGN_MACRO, 0, 1 + variant, 0, 0};
}

}  // namespace quorvel::testing
