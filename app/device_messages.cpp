// The message router, and what the device side tells the window: profile data has arrived
// (UM_PROFILE), the keyboard is gone (UM_DEVICE_GONE), the G-key bank changed (UM_GKEY_STATE),
// and the lighting refresh timer; the shell messages of later copies (UM_KILL, UM_OPEN) and
// the window's own UM_INIT are handled where the window starts and ends. The senders wait for these
// handlers, so the keyboard work they start is queued on the window's job worker, never done here.
#include "app/keyboard_map.h"
#include "app/lighting_view.h"
#include "app/message_boxes.h"
#include "app/quorvel_dlg.h"
#include "editors/profile_jobs.h"

namespace quorvel {

void CQuorvelDlg::HandleShellMessage(uint32_t message, uint32_t tag) {
    if (message == UM_KILL && tag == UM_KILL_TAG) {
        ExitApplication();
    } else if (message == UM_OPEN && tag == UM_OPEN_TAG) {
        ShowMainWindow();
    } else if (message == UM_INIT && tag == UM_INIT_TAG) {
        OnInit();
    } else if (message == UM_PROFILE && tag == UM_PROFILE_TAG) {
        OnProfileMessage();
    } else if (message == UM_DEVICE_GONE && tag == UM_DEVICE_GONE_TAG) {
        OnDeviceGone();
    } else if (message == UM_GKEY_STATE && tag == UM_GKEY_STATE_TAG) {
        OnGKeyState();
    }
}

void CQuorvelDlg::OnProfileMessage() {
    // Edits not yet applied stay: an Apply cut short by an unplug is still pending when the
    // keyboard returns, and reading the keyboard would replace both the edits and the
    // profile file that Apply already saved.
    const bool keepEdits = settingsChanged_;
    jobs_.Run(
        "profile reload",
        [this, keepEdits](const KeyboardJobs::Report&) {
            return ReloadActiveProfile(link_, keepEdits);
        },
        [this](int result) {
            ProfileChanged();
            // What was shown stays; the user learns it is not what the keyboard holds.
            if (result == PROFILE_READ_FAILED) ShowTextMessage(this, PROFILE_READ_FAILED_TEXT);
        });
}

void CQuorvelDlg::OnDeviceGone() {
    ++keyboardGoneCount_;
    CloseOpenWindows();
    if (lighting_ != nullptr) lighting_->KeyboardGone();
}

void CQuorvelDlg::OnGKeyState() {
    if (map_ != nullptr) map_->RefreshGKeys();
}

void CQuorvelDlg::HandleTimer(int timerId) {
    if (timerId != TIMER_LIGHTING_REFRESH) return;
    port_.StopTimer(TIMER_LIGHTING_REFRESH);
    if (lighting_ != nullptr) lighting_->ReloadLighting();
}

}  // namespace quorvel
