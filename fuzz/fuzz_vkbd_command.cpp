// The virtual keyboard's control socket takes command words from any process of its user. A
// command is refused with a usage text or accepted; an accepted fault arms without a second
// refusal and leaves no counter negative, and an injected report fits one frame.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <variant>

#include "emulator/daemon_command.h"
#include "emulator/vkbd_wire.h"

using namespace quorvel::vkbd;

namespace {

bool Sound(const Faults& f) {
    return f.drop >= 0 && f.wrongEcho >= 0 && f.statusFf >= 0 && f.statusFe >= 0 &&
           f.delayFrames >= 0 && f.delayMs >= 0 && f.duplicate >= 0 && f.loseReply >= 0 &&
           f.unplugAfter >= 0 && f.laterSkip >= 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto parsed = ParseCommand(std::string_view(reinterpret_cast<const char*>(data), size));
    if (const auto* refusal = std::get_if<CommandResult>(&parsed)) {
        if (refusal->code != EXIT_USAGE || refusal->text.empty()) std::abort();
        return 0;
    }
    const DaemonCommand& command = std::get<DaemonCommand>(parsed);
    if (command.report.size() > FRAME_SIZE) std::abort();
    if (command.verb != CommandVerb::FAULT) return 0;
    Faults faults;
    if (!ArmFault(command.words, faults) || !Sound(faults)) std::abort();
    // A delayed fault is armed from its stored words when its frame comes.
    if (!faults.later.empty() && (!ArmFault(faults.later, faults) || !Sound(faults))) std::abort();
    return 0;
}
