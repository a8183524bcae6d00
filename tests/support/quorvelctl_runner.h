#pragma once
// Runs the built quorvelctl against a test's virtual keyboard, started directly (no shell).
#include <string>
#include <vector>

#include "tests/support/virtual_keyboard.h"

namespace quorvel::testing {

struct CtlOutcome {
    int exitCode = -1;  // -1 when it did not exit normally
    std::string out;
    std::string err;
};

// The whole file as bytes; empty when it cannot be read.
std::string ReadWhole(const std::string& path);

// The folder where quorvelctl run below keeps the files it changes (user colours): under the
// keyboard's folder, so that no run touches the real user's.
std::string QuorvelctlUserFolder(const VirtualKeyboard& keyboard);

// Runs "<programDir>/quorvelctl --virtual <options> --data-dir <dataDir> <args>" with the
// keyboard's socket and no standard input; its two outputs are kept in the keyboard's folder.
CtlOutcome RunQuorvelctl(const VirtualKeyboard& keyboard, const std::string& programDir,
                         const std::string& dataDir, const std::vector<std::string>& args,
                         const std::vector<std::string>& options = {});

}  // namespace quorvel::testing
