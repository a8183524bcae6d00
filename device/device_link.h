#pragma once
// The binding to the HID service library: loading it, the standing requests through which the
// keyboard's reports arrive, the indicator state, and the command transaction with its reply
// slot. One DeviceLink receives the library's notifications at a time; the program binds one
// at start-up and keeps it until it exits.
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "device/command_frame.h"
#include "device/keyboard_picture.h"
#include "device/picture_store.h"
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
    // Stops the event workers, then removes the standing requests. A transaction in progress
    // ends at once and no frame is sent afterwards. Must not run while the window is waiting
    // for the device side (a worker may be sending it a message).
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
    // unless the result is CMD_OK. A request longer than a frame gives CMD_TOO_LONG, and
    // CMD_NO_DEVICE once the link is shutting down; nothing is sent then.
    int TransactCommand(const uint8_t* request, size_t requestLength, uint8_t* reply,
                        uint32_t replyCapacity, uint32_t* receivedLength);
    // Control-interface data from the library; dropped unless a transaction waits for it.
    void OnControlData(uint32_t length, const uint8_t* data);

    // Held for the whole of a begin...end session, and of a read of several frames that must
    // not see another thread's session half done: frames of other threads' sessions wait until
    // it is released. Single transactions outside a session do not take it. Not re-entrant;
    // taken after the working-set and snapshot locks, before the transaction lock.
    using SessionLock = std::unique_lock<std::mutex>;
    [[nodiscard]] SessionLock HoldSession() { return SessionLock(sessionMutex_); }

    std::array<uint8_t, 2> IndicatorState();
    // Flips the macro key bank; returns true when bank B is now selected.
    bool ToggleGKeyBank();

    // How often the library has reported the keyboard gone, counted as the notice arrives. A
    // write whose session saw this change was cut off, whatever a restarted keyboard answers.
    uint64_t Departures() const { return departures_.load(); }

    // Active on-board profile as last read or set; -1 = unknown.
    int CurrentProfileCache() const;
    // Forgets the active profile, as when the keyboard goes away.
    void ResetCurrentProfileCache();
    // Taken before a read or set of the active profile whose result is to be cached.
    uint64_t ProfileCacheResets() const;
    // Caches profile unless the cache was reset since resetsAtStart was taken: a read that
    // finishes just after an unplug must not leave the old keyboard's answer behind. -1 is
    // always stored.
    void StoreCurrentProfileCache(int profile, uint64_t resetsAtStart);

    // What is known of the macro positions the keyboard's key tables name: every on-board
    // profile's table plays macros by their position in the one shared macro area.
    // Ids of the keyboard's macros in area order, as just read from it or written to it. A
    // write that covered only some tables tells nothing of the others when nothing was known.
    void NoteKeyboardMacros(std::vector<int32_t> ids, bool everyTable = true);
    // Nothing known any more (the keyboard went away, or a read of it failed).
    void ForgetKeyboardMacros();
    // A write of the macro area failed part way: the tables may no longer match the area.
    void MarkKeyboardMacrosTorn();
    // True when writing the area in this order would leave a key table the write does not
    // cover naming another macro than before: a known macro's position moved or it is gone
    // (appended macros move nothing), or a write was torn. False when nothing is known.
    bool MacroPositionsMoved(std::span<const int32_t> ids) const;

    DeviceEvents& Events() { return *events_; }

    // What the keyboard holds as far as this program knows, and where it is kept between runs.
    KeyboardPicture& Picture() { return picture_; }
    PictureStore& PictureFile() { return pictureStore_; }
    // The library's name for the keyboard's current plug-in; empty when it has none.
    std::string QueryPlugIdentity();

    // A dry run: every frame is handed to record; frames that change the keyboard (begin, end
    // and the writes) are not sent and are answered as taken. Set before any traffic.
    using FrameRecorder = std::function<void(const CommandFrame&)>;
    void SetDryRun(FrameRecorder record) { dryRun_ = std::move(record); }
    bool DryRun() const { return static_cast<bool>(dryRun_); }
    // For frames a dry run would send but cannot (the check of writes it did not make).
    void RecordUnsent(const CommandFrame& frame) const {
        if (dryRun_) dryRun_(frame);
    }

    // Off: reads and writes ignore the picture and go to the keyboard in full, for a keyboard
    // changed by other software; what they read and write still fills the picture.
    void SetTrustPicture(bool on) { trustPicture_ = on; }
    bool TrustPicture() const { return trustPicture_; }
    // An import of all profiles writes everything unless this is set.
    void SetChangesOnlyImport(bool on) { changesOnlyImport_ = on; }
    bool ChangesOnlyImport() const { return changesOnlyImport_; }

    // Whether a write reads back what it wrote after the end of session (on by default).
    void SetReadBack(bool on) { readBack_ = on; }
    bool ReadBack() const { return readBack_; }

    // How long each attempt of a transaction waits for its reply (REPLY_WAIT_MS unless set).
    // Tests of a keyboard told to lose replies shorten it: they wait out every attempt.
    void SetReplyWait(int milliseconds) { replyWaitMs_ = milliseconds; }

private:
    void Subscribe(const HidServDescriptor& descriptor, uint32_t tag, uint32_t& unitId);

    ShellPort& shell_;
    ServiceEntryPoints entryPoints_;
    std::atomic<bool> bound_{false};
    std::atomic<uint64_t> departures_{0};

    std::mutex requestMutex_;  // unit ids and the indicator state
    uint32_t consUnitId_ = 0;
    uint32_t ctrlUnitId_ = 0;
    uint32_t ledUnitId_ = 0;
    std::array<uint8_t, 2> indicatorState_{INDICATOR_REPORT, INDICATOR_ALWAYS_SET};

    mutable std::mutex keyboardStateMutex_;  // the profile cache and the macro positions
    int currentProfileCache_ = -1;
    uint64_t profileCacheResets_ = 0;
    enum class MacroPositions { UNKNOWN, KNOWN, TORN } macroPositions_ = MacroPositions::UNKNOWN;
    std::vector<int32_t> keyboardMacroIds_;

    // Set first thing on shutdown: transactions are refused and waits for replies end.
    std::atomic<bool> closing_{false};

    std::mutex sessionMutex_;
    std::mutex transactionMutex_;
    ReplySlot replySlot_;

    KeyboardPicture picture_;
    PictureStore pictureStore_{picture_};
    FrameRecorder dryRun_;
    std::atomic<bool> readBack_{true};
    std::atomic<bool> trustPicture_{true};
    std::atomic<bool> changesOnlyImport_{false};
    std::atomic<int> replyWaitMs_{REPLY_WAIT_MS};

    std::unique_ptr<DeviceEvents> events_;
};

}  // namespace quorvel
