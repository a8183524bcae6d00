#pragma once
// Writes the flash to its file on a thread of its own, so that a reply never waits for the
// disk: like the keyboard, which answers the end of a session before its flash write is done.
// Only the newest state is written when saves queue up.
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "emulator/state_file.h"

namespace quorvel::vkbd {

class StateSaver {
public:
    explicit StateSaver(std::string path);
    ~StateSaver();  // writes what is still pending
    StateSaver(const StateSaver&) = delete;
    StateSaver& operator=(const StateSaver&) = delete;

    void Save(SavedState state);
    // Returns once every state handed to Save is on disk (or failed to get there).
    void Flush();

private:
    void Run();

    const std::string path_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<SavedState> pending_;
    bool writing_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace quorvel::vkbd
