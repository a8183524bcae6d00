#pragma once
// What the program does with the events the keyboard reports: consumer codes (bank key,
// lighting changed on the keyboard, special state) and changes in the number of attached
// keyboards. Events are handed to background workers, so the service library's thread never
// waits for the window and control replies keep flowing while the window is busy.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>

#include "base/notice_queue.h"
#include "device/serial_worker.h"

namespace quorvel {

class DeviceLink;
class ShellPort;

// Consumer event codes.
constexpr uint16_t EVENT_BANK_KEY = 0x02FF;
constexpr uint16_t EVENT_LIGHTING_CHANGED = 0x0401;
constexpr uint16_t EVENT_SPECIAL_STATE_LEFT = 0x1810;
constexpr uint16_t EVENT_SPECIAL_STATE_ENTERED = 0x1811;

constexpr int READY_POLL_MS = 50;
constexpr const char* DEFAULT_LAYOUT_FAILED_TEXT = "MAIN_DEFAULT_MATRIX_PROMPT";

class DeviceEvents {
public:
    DeviceEvents(DeviceLink& link, ShellPort& shell);

    // Called for each consumer report of the keyboard. A keyboard flooding events costs no
    // memory: bank key presses not yet acted on are counted (more than two act as one or two),
    // and of the lighting and special-state events only one of each kind waits, the latest.
    void OnConsumerCode(uint16_t code);
    // Queues a change in the number of attached keyboards. Changes are acted on one at a
    // time, in the order they were reported; a count equal to the last one acted on is
    // ignored. None is dropped, but a keyboard that comes and goes again meanwhile leaves
    // only its last arrival and removal (base/notice_queue.h).
    void StartPresenceWorker(uint32_t count);
    // The same, acted on by the calling thread before it returns, with any change reported
    // meanwhile: for a caller that has nothing to do until the keyboard is known.
    void HandlePresenceHere(uint32_t count);

    // Usable size of the keyboard's macro area in bytes, read on each arrival; 0 until then.
    int MacroCapacity() const { return macroCapacity_.load(); }

    // Drops the events not yet acted on and tells the running ones to give up (shutdown).
    void Stop();

    // Blocks until every event reported so far has been handled (for callers that must see
    // the keyboard's state settled, such as the command-line tool and tests). Arrivals and
    // departures still waiting are handled on the calling thread.
    void WaitUntilIdle();

private:
    struct PresenceNotice {
        uint32_t count;
        std::optional<uint32_t> CountChange() const { return count; }
    };

    void PresenceNotices();
    void PresenceWorker(uint32_t count);
    void ToggleGKeyBank();
    void TrayStateWorker(uint16_t code);
    // False when the owner shut down while waiting.
    bool WaitForWindow(SerialWorker& worker);

    DeviceLink& link_;
    ShellPort& shell_;
    std::atomic<int> macroCapacity_{0};
    uint32_t lastDeviceCount_ = 0;  // touched only by the presence worker
    std::atomic<int> bankPresses_{0};
    std::atomic<bool> lightingChangePending_{false};
    std::atomic<uint16_t> specialState_{0};
    std::atomic<bool> specialStatePending_{false};
    std::mutex presenceMutex_;
    NoticeQueue<PresenceNotice> presence_{0};  // under presenceMutex_
    bool presenceJobPosted_ = false;           // under presenceMutex_
    // Declared last: the workers' threads stop before the state above goes away.
    SerialWorker eventWorker_;
    SerialWorker presenceWorker_;
};

}  // namespace quorvel
