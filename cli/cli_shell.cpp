#include "cli/cli_shell.h"

#include <cstdio>

#include "base/texts.h"

namespace quorvel::cli {

std::string OneLine(std::string_view textKey, std::string_view text) {
    std::string line;
    bool blank = false;
    for (char c : text) {
        if (c == '\r' || c == '\n' || c == '\t' || c == ' ') {
            blank = !line.empty();
            continue;
        }
        if (blank) line += ' ';
        blank = false;
        line += c;
    }
    return line.empty() ? std::string(textKey) : line;
}

void CliShellPort::SendMessage(uint32_t message, uint32_t) {
    if (message == UM_DEVICE_GONE) deviceGone_.store(true);
}

void CliShellPort::PostMessage(uint32_t message, uint32_t tag) {
    SendMessage(message, tag);
}

void CliShellPort::PrintLine(const std::string& line) {
    std::fprintf(stderr, "quorvelctl: %s\n", line.c_str());
}

void CliShellPort::ShowMessageText(std::string_view textKey, std::string_view text) {
    {
        std::lock_guard lock(mutex_);
        shown_.emplace_back(textKey);
    }
    if (!quiet_) PrintLine(OneLine(textKey, text));
}

bool CliShellPort::AskYesNo(std::string_view textKey) {
    {
        std::lock_guard lock(mutex_);
        shown_.emplace_back(textKey);
    }
    if (!quiet_)
        PrintLine(OneLine(textKey, Text(textKey)) +
                  (answerYes_ ? " (yes: --yes)" : " (no; --yes answers yes)"));
    return answerYes_;
}

std::vector<std::string> CliShellPort::MessagesShown() {
    std::lock_guard lock(mutex_);
    return shown_;
}

}  // namespace quorvel::cli
