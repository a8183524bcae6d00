#pragma once
// A ShellPort that writes down, in order, everything the device side asks of the window.
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "device/shell_port.h"

namespace quorvel::testing {

class RecordingShellPort : public ShellPort {
public:
    void SendMessage(uint32_t message, uint32_t tag) override { Record(Hex("send", message, tag)); }
    void PostMessage(uint32_t message, uint32_t tag) override { Record(Hex("post", message, tag)); }
    void StartTimer(int timerId, int periodMs) override {
        Record("timer " + std::to_string(timerId) + " " + std::to_string(periodMs));
    }
    void StopTimer(int timerId) override { Record("stop timer " + std::to_string(timerId)); }
    bool IsReady() override {
        std::lock_guard lock(mutex_);
        return ready_;
    }
    bool AutoOpenDone() override {
        std::lock_guard lock(mutex_);
        return autoOpenDone_;
    }
    void SetAutoOpenDone() override {
        std::lock_guard lock(mutex_);
        autoOpenDone_ = true;
    }
    void HideMainWindow() override { Record("hide"); }
    void SetTrayIcon(TrayIconMode mode, int iconId) override {
        Record("tray " + std::to_string(mode) + " " + std::to_string(iconId));
    }
    void ShowGKeyBank(bool bankB) override { Record(bankB ? "bank B" : "bank A"); }
    void ShowMessageText(std::string_view textKey, std::string_view text) override {
        {
            std::lock_guard lock(mutex_);
            messageTexts_.emplace_back(text);
        }
        Record("message " + std::string(textKey));
    }
    bool AskYesNo(std::string_view textKey) override {
        Record("ask " + std::string(textKey));
        return true;
    }

    void SetReady(bool ready) {
        std::lock_guard lock(mutex_);
        ready_ = ready;
    }
    void SetAutoOpenDoneFlag(bool done) {
        std::lock_guard lock(mutex_);
        autoOpenDone_ = done;
    }

    std::vector<std::string> MessageTexts() {
        std::lock_guard lock(mutex_);
        return messageTexts_;
    }

    std::vector<std::string> Events() {
        std::lock_guard lock(mutex_);
        return events_;
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        events_.clear();
        messageTexts_.clear();
    }
    // Waits until at least count events were recorded; false after the timeout.
    bool WaitForEvents(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
        std::unique_lock lock(mutex_);
        return recorded_.wait_for(lock, timeout, [&] { return events_.size() >= count; });
    }

private:
    static std::string Hex(const char* what, uint32_t message, uint32_t tag) {
        char text[48];
        std::snprintf(text, sizeof text, "%s %04X %08X", what, message, tag);
        return text;
    }
    void Record(std::string event) {
        {
            std::lock_guard lock(mutex_);
            events_.push_back(std::move(event));
        }
        recorded_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable recorded_;
    std::vector<std::string> events_;
    std::vector<std::string> messageTexts_;
    bool ready_ = true;
    bool autoOpenDone_ = false;
};

}  // namespace quorvel::testing
