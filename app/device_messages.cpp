// What the device side tells the window: profile data has arrived (UM_PROFILE), the keyboard
// is gone (UM_DEVICE_GONE), the G-key bank changed (UM_GKEY_STATE), and the lighting refresh
// timer. The senders wait for these handlers, so the keyboard work they start is queued on the
// window's job worker, never done here.
#include "app/keyboard_map.h"
#include "app/lighting_view.h"
#include "app/quorvel_dlg.h"
#include "editors/profile_jobs.h"

namespace quorvel {

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
        [this](int) { ProfileChanged(); });
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
