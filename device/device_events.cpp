#include "device/device_events.h"

#include <array>
#include <chrono>
#include <thread>
#include <utility>

#include "device/device_link.h"
#include "device/firmware_commands.h"
#include "device/result_codes.h"
#include "device/shell_port.h"
#include "model/key_table.h"

namespace quorvel {

DeviceEvents::DeviceEvents(DeviceLink& link, ShellPort& shell) : link_(link), shell_(shell) {}

void DeviceEvents::OnConsumerCode(uint16_t code) {
    switch (code) {
        case EVENT_BANK_KEY:
            if (bankPresses_.fetch_add(1) == 0) eventWorker_.Post([this] { ToggleGKeyBank(); });
            break;
        case EVENT_LIGHTING_CHANGED:
            // The window's timer handler stops the timer and re-reads the lighting.
            if (!lightingChangePending_.exchange(true))
                eventWorker_.Post([this] {
                    lightingChangePending_ = false;
                    shell_.StartTimer(TIMER_LIGHTING_REFRESH, 0);
                });
            break;
        case EVENT_SPECIAL_STATE_LEFT:
        case EVENT_SPECIAL_STATE_ENTERED:
            specialState_ = code;
            if (!specialStatePending_.exchange(true))
                eventWorker_.Post([this] {
                    specialStatePending_ = false;
                    TrayStateWorker(specialState_);
                });
            break;
        default:
            break;
    }
}

void DeviceEvents::StartPresenceWorker(uint32_t count) {
    {
        std::lock_guard lock(presenceMutex_);
        presence_.Push({count});
        if (presenceJobPosted_ || presence_.Empty()) return;
        presenceJobPosted_ = true;
    }
    presenceWorker_.Post([this] { PresenceNotices(); });
}

void DeviceEvents::HandlePresenceHere(uint32_t count) {
    bool running = false;
    {
        std::lock_guard lock(presenceMutex_);
        presence_.Push({count});
        running = std::exchange(presenceJobPosted_, true);
    }
    if (running) {
        // The notices' job, queued or on the worker, takes this one too: settle with it.
        presenceWorker_.RunPendingHere();
    } else {
        PresenceNotices();
    }
}

void DeviceEvents::PresenceNotices() {
    for (;;) {
        std::optional<PresenceNotice> notice;
        {
            std::lock_guard lock(presenceMutex_);
            notice = presence_.Pop();
            if (!notice || presenceWorker_.Stopping()) {
                presenceJobPosted_ = false;
                return;
            }
        }
        PresenceWorker(notice->count);
    }
}

void DeviceEvents::Stop() {
    presenceWorker_.Stop();
    eventWorker_.Stop();
}

void DeviceEvents::WaitUntilIdle() {
    presenceWorker_.RunPendingHere();
    eventWorker_.Drain();
}

bool DeviceEvents::WaitForWindow(SerialWorker& worker) {
    while (!shell_.IsReady()) {
        if (worker.Stopping()) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(READY_POLL_MS));
    }
    return true;
}

void DeviceEvents::ToggleGKeyBank() {
    // Each press toggles, but a pile of them collapses to one or two toggles of the same
    // outcome, so a flood costs neither memory nor a write per press.
    int presses = bankPresses_.exchange(0);
    if (presses > 2) presses = 2 - presses % 2;
    for (; presses > 0; --presses) {
        bool bankB = link_.ToggleGKeyBank();
        link_.WriteLedState();
        shell_.SendMessage(UM_GKEY_STATE, UM_GKEY_STATE_TAG);
        shell_.ShowGKeyBank(bankB);
    }
}

void DeviceEvents::TrayStateWorker(uint16_t code) {
    if (!WaitForWindow(eventWorker_)) return;
    if (code == EVENT_SPECIAL_STATE_ENTERED) {
        shell_.SetTrayIcon(TRAY_SPECIAL_ICON, 0);
    } else {
        shell_.SetTrayIcon(TRAY_BASE_ICON, 0);
    }
}

void DeviceEvents::PresenceWorker(uint32_t count) {
    if (count == lastDeviceCount_) return;
    if (count == 0) {
        link_.ResetCurrentProfileCache();
        link_.ForgetKeyboardMacros();
        shell_.SendMessage(UM_DEVICE_GONE, UM_DEVICE_GONE_TAG);
        shell_.HideMainWindow();
    } else {
        std::array<uint8_t, KEY_TABLE_BLOCK_SIZE> layout{};
        SettingsBlock settings{};
        const uint64_t resets = link_.ProfileCacheResets();
        int layoutRead = CMD_NO_DEVICE;
        int settingsRead = CMD_NO_DEVICE;
        {
            // What an earlier process learnt of this plug-in, the default layout and the
            // settings block among it.
            link_.Picture().SetPlugIdentity(link_.QueryPlugIdentity());
            PictureStore::Hold picture = link_.PictureFile().Take();
            layoutRead = ReadDefaultLayout(link_, layout);
            // Reads refused because the program is shutting down are no news for the window.
            if (presenceWorker_.Stopping()) return;
            settingsRead = RecallSettingsBlock(link_, settings);
        }
        if (layoutRead == CMD_OK) {
            ReplaceDefaultLayout(ReadKeyTableBlock(layout.data()));
        } else {
            shell_.ShowMessage(DEFAULT_LAYOUT_FAILED_TEXT);
        }
        if (settingsRead == CMD_OK) {
            macroCapacity_.store(settings[SETTINGS_MACRO_CAPACITY] * MACRO_CAPACITY_UNIT);
            // The same block names the active profile: the window's first question of it
            // needs no second read.
            const int profile = settings[SETTINGS_ACTIVE_PROFILE];
            link_.StoreCurrentProfileCache(profile < ONBOARD_PROFILE_COUNT ? profile : -1, resets);
        }
        if (presenceWorker_.Stopping()) return;
        shell_.SendMessage(UM_PROFILE, UM_PROFILE_TAG);
    }
    if (!WaitForWindow(presenceWorker_)) return;
    shell_.SetTrayIcon(TRAY_BASE_ICON, count > 0 ? ICON_KEYBOARD : ICON_NO_KEYBOARD);
    lastDeviceCount_ = count;
    if (!shell_.AutoOpenDone()) {
        if (count > 0) shell_.PostMessage(UM_OPEN, UM_OPEN_TAG);
        shell_.SetAutoOpenDone();
    }
}

}  // namespace quorvel
