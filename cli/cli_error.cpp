#include "cli/cli_error.h"

#include "device/result_codes.h"

namespace quorvel::cli {

std::string ResultText(int result) {
    switch (result) {
        case CMD_OK:
            return "done";
        case CMD_NO_DEVICE:
            return "no keyboard attached";
        case CMD_WRITE_FAILED:
            return "the service library refused the frame";
        case CMD_NO_REPLY:
            return "keyboard did not answer";
        case CMD_STATUS_FF:
        case CMD_STATUS_FE:
            return "keyboard reported an error";
        case CMD_BAD_BLOCK:
            return "no such profile";
        case CMD_TOO_LONG:
            return "more data than one frame carries, nothing was sent";
        default:
            return "keyboard command failed";
    }
}

CliError KeyboardError(const std::string& what, int result) {
    std::string message = what.empty() ? std::string() : what + ": ";
    message += ResultText(result) + " (result " + std::to_string(result) + ")";
    return CliError{EXIT_FAILED, std::move(message)};
}

}  // namespace quorvel::cli
