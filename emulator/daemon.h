#pragma once
// quorvel-vkbd serving: the firmware behind a USB-like link, reachable over a Unix socket.
#include <string>

#include "emulator/firmware.h"

namespace quorvel::vkbd {

struct DaemonOptions {
    std::string socketPath;
    std::string statePath;
    std::string tracePath;  // empty: no transcript
    Hardware hardware;
    int latencyUs = 0;
    // After an end of session the keyboard commits its flash for this long; frames that come
    // meanwhile wait for it, or with endBusyRefuse are answered FE without being executed.
    int endBusyMs = 0;
    bool endBusyRefuse = false;
    bool inOrderReplies = false;  // a late reply holds back the ones after it, as on one pipe
    bool startPlugged = true;
    bool detach = false;  // --daemon
};

// Serves until SIGTERM or SIGINT; returns the process exit code. With detach, the calling
// process returns 0 only once the socket listens (the detached child keeps serving).
int RunDaemon(const DaemonOptions& options);

}  // namespace quorvel::vkbd
