#include "emulator/state_saver.h"

#include <cstdio>

namespace quorvel::vkbd {

StateSaver::StateSaver(std::string path) : path_(std::move(path)), thread_([this] { Run(); }) {}

StateSaver::~StateSaver() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void StateSaver::Save(SavedState state) {
    {
        std::lock_guard lock(mutex_);
        pending_ = std::move(state);
    }
    changed_.notify_all();
}

void StateSaver::Flush() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !pending_ && !writing_; });
}

void StateSaver::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || pending_; });
        if (!pending_) return;
        SavedState state = std::move(*pending_);
        pending_.reset();
        writing_ = true;
        lock.unlock();
        std::string error;
        if (!SaveState(path_, state, error))
            std::fprintf(stderr, "quorvel-vkbd: cannot save %s: %s\n", path_.c_str(),
                         error.c_str());
        lock.lock();
        writing_ = false;
        changed_.notify_all();
    }
}

}  // namespace quorvel::vkbd
