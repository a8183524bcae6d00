#pragma once
// What the keyboard side asks of the main window. The device layer never touches the user
// interface directly: its workers and the service library's threads go through this port, and
// the window implements it (tests use a recording fake).
#include <cstdint>
#include <string_view>

#include "base/texts.h"

namespace quorvel {

// Shell window messages and the fixed tag each carries; another copy of the program sends
// UM_OPEN and UM_KILL over the single-instance channel with these numbers.
constexpr uint32_t UM_KILL = 0x4D4B;
constexpr uint32_t UM_KILL_TAG = 0x4C4C494B;
constexpr uint32_t UM_OPEN = 0x5350;
constexpr uint32_t UM_OPEN_TAG = 0x4F50454E;
constexpr uint32_t UM_INIT = 0x4D4E;
constexpr uint32_t UM_INIT_TAG = 0x494E4954;
constexpr uint32_t UM_PROFILE = 0x5452;
constexpr uint32_t UM_PROFILE_TAG = 0x50524F46;
constexpr uint32_t UM_DEVICE_GONE = 0x4753;
constexpr uint32_t UM_DEVICE_GONE_TAG = 0;
constexpr uint32_t UM_GKEY_STATE = 0x5045;
constexpr uint32_t UM_GKEY_STATE_TAG = 0x4C4544;

constexpr int TIMER_BUSY_INDICATOR = 1050;
constexpr int TIMER_LIGHTING_REFRESH = 1051;
constexpr uint32_t TRAY_CALLBACK_MESSAGE = 1725;

// Tray icon resources.
constexpr int ICON_NO_KEYBOARD = 128;
constexpr int ICON_KEYBOARD = 141;
constexpr int ICON_SPECIAL_STATE = 142;

enum TrayIconMode : int {
    TRAY_BASE_ICON = 0,     // iconId becomes the base icon and is shown; 0 shows the base icon
    TRAY_SPECIAL_ICON = 1,  // show ICON_SPECIAL_STATE over the base icon
};

class ShellPort {
public:
    virtual ~ShellPort() = default;

    // Delivers a message to the main window and returns once it has been handled.
    virtual void SendMessage(uint32_t message, uint32_t tag) = 0;
    // Queues a message for the main window and returns at once.
    virtual void PostMessage(uint32_t message, uint32_t tag) = 0;

    virtual void StartTimer(int timerId, int periodMs) = 0;
    virtual void StopTimer(int timerId) = 0;

    // True once the main window has finished its start-up.
    virtual bool IsReady() = 0;
    // The shell's "do not open the main window by itself any more" flag.
    virtual bool AutoOpenDone() = 0;
    virtual void SetAutoOpenDone() = 0;

    virtual void HideMainWindow() = 0;
    virtual void SetTrayIcon(TrayIconMode mode, int iconId) = 0;
    // Captions "A1".."A5" or "B1".."B5" and the bank indicator's colours.
    virtual void ShowGKeyBank(bool bankB) = 0;

    // Message box with the language text of the key.
    void ShowMessage(std::string_view textKey) { ShowMessageText(textKey, Text(textKey)); }
    // Message box with a text made from the key's language text (a file path put in, say); the
    // key still names the message.
    virtual void ShowMessageText(std::string_view textKey, std::string_view text) = 0;
    // Yes/No question with No preselected; true for Yes.
    virtual bool AskYesNo(std::string_view textKey) = 0;
};

}  // namespace quorvel
