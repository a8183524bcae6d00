#pragma once
// The command-line side of ShellPort: there is no window, so window messages only matter for
// noticing that the keyboard went away, message boxes become one line on stderr, and questions
// are answered by the --yes option.
#include <atomic>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "device/windowless_shell_port.h"

namespace quorvel::cli {

class CliShellPort : public WindowlessShellPort {
public:
    CliShellPort(bool answerYes, bool quiet) : answerYes_(answerYes), quiet_(quiet) {}

    void SendMessage(uint32_t message, uint32_t tag) override;
    void PostMessage(uint32_t message, uint32_t tag) override;
    void ShowMessageText(std::string_view textKey, std::string_view text) override;
    bool AskYesNo(std::string_view textKey) override;

    // Language keys of the messages shown so far, in order.
    std::vector<std::string> MessagesShown();
    bool DeviceGone() const { return deviceGone_.load(); }

private:
    void PrintLine(const std::string& line);

    const bool answerYes_;
    const bool quiet_;
    std::atomic<bool> deviceGone_{false};
    std::mutex mutex_;
    std::vector<std::string> shown_;
};

// A message text as one line: line breaks become blanks, surrounding blanks go; the key itself
// when the text is empty (a language file without it).
std::string OneLine(std::string_view textKey, std::string_view text);

}  // namespace quorvel::cli
