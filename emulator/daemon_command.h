#pragma once
// The words of quorvel-vkbd's control socket (dump, fault, inject, plug, ...), parsed apart from
// the keyboard they act on: they come from whoever can reach the socket.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace quorvel::vkbd {

constexpr int EXIT_OK = 0;
constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;

struct CommandResult {
    int code;
    std::string text;
};

// Faults armed for the next frames; each counter is consumed by one frame.
struct Faults {
    int drop = 0;
    int wrongEcho = 0;
    int statusFf = 0;
    int statusFe = 0;
    int delayFrames = 0;
    int delayMs = 0;
    int duplicate = 0;
    int loseReply = 0;
    int unplugAfter = 0;  // 0: not armed
    // `fault after K ...`: the fault in these words is armed once K more frames were taken.
    std::vector<std::string> later;
    int laterSkip = 0;
};

enum class CommandVerb {
    DUMP,
    FAULT,
    INJECT,
    PLUG,
    PLUG_ID,
    UNPLUG,
    BANK,
    LIGHTING_KEY,
    SPECIAL_ON,
    SPECIAL_OFF,
};

struct DaemonCommand {
    CommandVerb verb;
    std::vector<std::string> words;  // as sent, the verb first
    std::vector<uint8_t> report;     // INJECT: the control report, at most one frame
};

// One command per message, its words separated by newlines. A refusal carries EXIT_USAGE and
// the text to send back. A fault command is refused here when ArmFault would refuse it.
std::variant<DaemonCommand, CommandResult> ParseCommand(std::string_view line);

// Applies `fault ...` to faults. Returns the line the trace records, or nullopt, with faults
// as they were, when the words are wrong (FAULT_USAGE says what they may be).
std::optional<std::string> ArmFault(const std::vector<std::string>& words, Faults& faults);

inline constexpr std::string_view FAULT_USAGE =
    "usage: fault clear | fault [after K] drop N | echo N | status ff|fe N | "
    "unplug-after N | delay MS N | duplicate N | lose-reply N";

}  // namespace quorvel::vkbd
