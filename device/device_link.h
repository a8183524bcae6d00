#pragma once
// The binding to the HID service library: loading it, the standing requests through which the
// keyboard's reports arrive, the indicator state, and the command transaction with its reply
// slot. One DeviceLink receives the library's notifications at a time; the program binds one
// at start-up and keeps it until it exits.
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

#include "device/reply_slot.h"
#include "device/service_library.h"

namespace quorvel {

class DeviceEvents;
class ShellPort;

// Request tags: four characters, the first in the most significant byte.
constexpr uint32_t TAG_CTRL = 0x4354524C;
constexpr uint32_t TAG_CONS = 0x434F4E53;
constexpr uint32_t TAG_LED = 0x004C4544;

constexpr uint16_t KEYBOARD_VENDOR_ID = 0x0C45;
constexpr uint16_t KEYBOARD_PRODUCT_ID = 0x7A3D;

constexpr uint8_t INDICATOR_REPORT = 0x05;
constexpr uint8_t INDICATOR_BANK_B = 0x01;
constexpr uint8_t INDICATOR_ALWAYS_SET = 0x02;

constexpr int TRANSACTION_ATTEMPTS = 3;
constexpr int REPLY_WAIT_MS = 1000;
constexpr int RETRY_PAUSE_MS = 10;

class DeviceLink {
public:
    explicit DeviceLink(ShellPort& shell);
    // Removes the standing requests and stops the event workers. Must not run while the
    // window is waiting for the device side (a worker may be sending it a message).
    ~DeviceLink();
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    // Loads and initialises the library, subscribes to the consumer and control interfaces,
    // and starts the presence worker with the current device count (setting the shell's
    // auto-open flag when no keyboard is attached). On failure nothing is subscribed.
    BindResult Bind(const BindOptions& options);

    void SubscribeCons();
    void SubscribeCtrl();
    // Replaces the indicator request with one carrying the current indicator state.
    void WriteLedState();

    // The service library's callback: dispatches every notification. Returns 1.
    int OnNotify(const void* notification);

    // Number of control interfaces of the keyboard present; 0 = absent or not bound.
    uint32_t CountControlInterfaces();

    // Sends one frame and waits for the reply with the same command code, with up to three
    // attempts. Concurrent callers are served one after the other. receivedLength is 0
    // unless the result is CMD_OK.
    int TransactCommand(const uint8_t* request, size_t requestLength, uint8_t* reply,
                        uint32_t replyCapacity, uint32_t* receivedLength);
    // Control-interface data from the library; dropped unless a transaction waits for it.
    void OnControlData(uint32_t length, const uint8_t* data);

    std::array<uint8_t, 2> IndicatorState();
    // Flips the macro key bank; returns true when bank B is now selected.
    bool ToggleGKeyBank();

    // Active on-board profile as last read or set; -1 = unknown.
    int CurrentProfileCache() const { return currentProfileCache_.load(); }
    void SetCurrentProfileCache(int profile) { currentProfileCache_.store(profile); }

    DeviceEvents& Events() { return *events_; }

private:
    void Subscribe(const HidServDescriptor& descriptor, uint32_t tag, uint32_t& unitId);

    ShellPort& shell_;
    ServiceEntryPoints entryPoints_;
    std::atomic<bool> bound_{false};

    std::mutex requestMutex_;  // unit ids and the indicator state
    uint32_t consUnitId_ = 0;
    uint32_t ctrlUnitId_ = 0;
    uint32_t ledUnitId_ = 0;
    std::array<uint8_t, 2> indicatorState_{INDICATOR_REPORT, INDICATOR_ALWAYS_SET};

    std::atomic<int> currentProfileCache_{-1};

    std::mutex transactionMutex_;
    ReplySlot replySlot_;

    std::unique_ptr<DeviceEvents> events_;
};

}  // namespace quorvel
