#include "emulator/daemon_command.h"

#include <algorithm>

#include "emulator/vkbd_wire.h"

namespace quorvel::vkbd {
namespace {

bool ParseHex(const std::string& text, std::vector<uint8_t>& bytes) {
    if (text.empty() || text.size() % 2 != 0) return false;
    for (size_t i = 0; i < text.size(); i += 2) {
        unsigned value = 0;
        for (char c : text.substr(i, 2)) {
            int digit = c >= '0' && c <= '9'   ? c - '0'
                        : c >= 'a' && c <= 'f' ? c - 'a' + 10
                        : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                               : -1;
            if (digit < 0) return false;
            value = value * 16 + static_cast<unsigned>(digit);
        }
        bytes.push_back(static_cast<uint8_t>(value));
    }
    return true;
}

// Nine digits at most, so the value always fits an int.
bool ParseCount(const std::string& text, int& value) {
    if (text.empty() || text.size() > 9) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    value = std::stoi(text);
    return true;
}

std::string Joined(const std::vector<std::string>& words, size_t from) {
    std::string text;
    for (size_t i = from; i < words.size(); ++i) text += " " + words[i];
    return text;
}

std::optional<std::vector<uint8_t>> ParseInjected(const std::vector<std::string>& words) {
    std::vector<uint8_t> report;
    bool ok = words.size() >= 2;
    for (size_t i = 1; ok && i < words.size(); ++i) ok = ParseHex(words[i], report);
    if (!ok || report.size() > FRAME_SIZE) return std::nullopt;
    return report;
}

// The counter a `fault KIND N` sets, or nullptr for a kind without one.
int* CounterOf(const std::string& kind, Faults& faults) {
    if (kind == "drop") return &faults.drop;
    if (kind == "echo") return &faults.wrongEcho;
    if (kind == "duplicate") return &faults.duplicate;
    if (kind == "lose-reply") return &faults.loseReply;
    if (kind == "unplug-after") return &faults.unplugAfter;
    return nullptr;
}

}  // namespace

std::optional<std::string> ArmFault(const std::vector<std::string>& words, Faults& faults) {
    if (words.size() == 2 && words[1] == "clear") {
        faults = {};
        return "fault clear";
    }
    if (words.size() < 3) return std::nullopt;
    const std::string& kind = words[1];
    Faults armed = faults;
    int n = 0, ms = 0;
    if (kind == "after") {
        if (words.size() < 5 || words[3] == "after" || !ParseCount(words[2], n))
            return std::nullopt;
        std::vector<std::string> later = {"fault"};
        later.insert(later.end(), words.begin() + 3, words.end());
        // Checked now, so a mistake is reported to whoever armed it; armed again later.
        if (n == 0) return ArmFault(later, faults);
        Faults scratch;
        if (!ArmFault(later, scratch)) return std::nullopt;
        faults.later = later;
        faults.laterSkip = n;
        return "fault after " + words[2] + ":" + Joined(later, 1);
    }
    if (int* counter = CounterOf(kind, armed); counter != nullptr && words.size() == 3) {
        if (!ParseCount(words[2], *counter)) return std::nullopt;
    } else if (kind == "status" && words.size() == 4 && (words[2] == "ff" || words[2] == "fe")) {
        if (!ParseCount(words[3], n)) return std::nullopt;
        (words[2] == "ff" ? armed.statusFf : armed.statusFe) = n;
    } else if (kind == "delay" && words.size() == 4) {
        if (!ParseCount(words[2], ms) || !ParseCount(words[3], n)) return std::nullopt;
        armed.delayMs = ms;
        armed.delayFrames = n;
    } else {
        return std::nullopt;
    }
    faults = std::move(armed);
    return "fault" + Joined(words, 1);
}

std::variant<DaemonCommand, CommandResult> ParseCommand(std::string_view line) {
    std::vector<std::string> words;
    for (size_t start = 0; start < line.size();) {
        const size_t end = std::min(line.find('\n', start), line.size());
        words.emplace_back(line.substr(start, end - start));
        start = end + 1;
    }
    if (words.empty()) return CommandResult{EXIT_USAGE, "missing command"};

    const std::string& verb = words[0];
    const bool alone = words.size() == 1;
    const auto command = [&words](CommandVerb v) { return DaemonCommand{v, words, {}}; };
    if (verb == "dump" && alone) return command(CommandVerb::DUMP);
    if (verb == "fault") {
        Faults scratch;
        if (!ArmFault(words, scratch)) return CommandResult{EXIT_USAGE, std::string(FAULT_USAGE)};
        return command(CommandVerb::FAULT);
    }
    if (verb == "inject") {
        std::optional<std::vector<uint8_t>> report = ParseInjected(words);
        if (!report) return CommandResult{EXIT_USAGE, "usage: inject HEX... (at most 64 bytes)"};
        return DaemonCommand{CommandVerb::INJECT, words, std::move(*report)};
    }
    if (verb == "plug" && alone) return command(CommandVerb::PLUG);
    if (verb == "plug-id" && alone) return command(CommandVerb::PLUG_ID);
    if (verb == "unplug" && alone) return command(CommandVerb::UNPLUG);
    if (verb == "bank" && alone) return command(CommandVerb::BANK);
    if (verb == "lighting-key" && alone) return command(CommandVerb::LIGHTING_KEY);
    if (verb == "special" && words.size() == 2 && words[1] == "on")
        return command(CommandVerb::SPECIAL_ON);
    if (verb == "special" && words.size() == 2 && words[1] == "off")
        return command(CommandVerb::SPECIAL_OFF);
    return CommandResult{EXIT_USAGE, "unknown command or wrong arguments: " + verb};
}

}  // namespace quorvel::vkbd
