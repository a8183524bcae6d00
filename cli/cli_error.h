#pragma once
// How a command ends early: the exit status and the one line that tells the user why.
#include <string>

namespace quorvel::cli {

constexpr int EXIT_OK = 0;
constexpr int EXIT_FAILED = 1;  // keyboard absent, a keyboard command failed, binding failed
constexpr int EXIT_USAGE = 2;   // bad usage or a bad file

struct CliError {
    int exitCode = EXIT_FAILED;
    std::string message;  // without the "quorvelctl: " prefix
};

inline CliError UsageError(std::string message) {
    return CliError{EXIT_USAGE, std::move(message)};
}

// A keyboard command that did not give CMD_OK: says what failed and with which result code.
CliError KeyboardError(const std::string& what, int result);

// The words for a device result code ("keyboard did not answer" for CMD_NO_REPLY ...).
std::string ResultText(int result);

}  // namespace quorvel::cli
