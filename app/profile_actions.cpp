// The window's profile and keyboard actions: Apply, the profile buttons, the report rate and
// what the profile manager asks of the window. Every keyboard exchange runs on the window's
// job worker; the window only starts it and follows its result.
#include <QCursor>
#include <atomic>
#include <memory>

#include "app/busy_notice.h"
#include "app/counting_port.h"
#include "app/keyboard_map.h"
#include "app/lighting_panel.h"
#include "app/lighting_view.h"
#include "app/message_boxes.h"
#include "app/profile_bar.h"
#include "app/quorvel_dlg.h"
#include "app/shell_state.h"
#include "base/texts.h"
#include "device/device_snapshot.h"
#include "device/lighting_io.h"
#include "device/profile_transfer.h"
#include "device/result_codes.h"
#include "editors/profile_jobs.h"
#include "model/profile_store.h"

namespace quorvel {

namespace {

constexpr int APPLY_NOT_SAVED = -1000;

}  // namespace

void CQuorvelDlg::Apply(std::function<void(bool)> done) {
    auto finish = [done = std::move(done)](bool applied) {
        if (done) done(applied);
    };
    // A second Apply while the first is on its way would only write the same again.
    if (applyRunning_) {
        finish(false);
        return;
    }
    applyRunning_ = true;
    if (!settingsChanged_) {
        // Nothing to write: the busy indicator still shows that Apply was taken.
        jobs_.Run(
            "apply", [](const KeyboardJobs::Report&) { return CMD_OK; },
            [this, finish](int) {
                applyRunning_ = false;
                finish(true);
            });
        return;
    }
    auto shown = std::make_shared<std::atomic<int>>(0);
    jobs_.Run(
        "apply",
        [this, shown](const KeyboardJobs::Report& report) {
            MessageCountingPort port(port_, *shown);
            CreateMissingProfileFile(link_.CurrentProfileCache());
            const ApplyResult result = ApplyWorkingSet(link_, port, ProfileWorkingSet::Instance(),
                                                       DeviceSnapshot::Instance(), report);
            if (result.written != CMD_OK) return result.written;
            return result.saved ? CMD_OK : APPLY_NOT_SAVED;
        },
        [this, shown, finish](int result) {
            applyRunning_ = false;
            if (result == CMD_OK) {
                EnableApply(false);
                finish(true);
                return;
            }
            // Still pending: the user can apply again once the keyboard takes it.
            EnableApply(true);
            if (result == APPLY_NOT_SAVED) {
                // The keyboard has everything; only the copy in the profile file is missing.
                const std::string path = ProfileFilePath(std::max(0, ActiveProfile()));
                ShowTextMessage(this, APPLY_NOT_SAVED_TEXT, Text(APPLY_NOT_SAVED_TEXT) + path);
            } else if (shown->load() == 0) {
                ShowTextMessage(this, APPLY_FAILED_TEXT);
            }
            finish(false);
        });
}

bool CQuorvelDlg::RefusedWhileBusy(std::function<void()> later) {
    if (!jobs_.Busy() && (profileManager_ == nullptr || !profileManager_->Switching()))
        return false;
    busyNotice_->Show(later ? KEYBOARD_BUSY_LATER_TEXT : KEYBOARD_BUSY_TEXT);
    if (later) putOff_ = std::move(later);
    return true;
}

void CQuorvelDlg::SelectProfile(int k) {
    if (RefusedWhileBusy([this, k] { SelectProfile(k); })) return;
    // After a profile button the key view is the one shown, whatever the switch answers.
    if (lightingPanel_ != nullptr && lightingPanel_->ViewShown())
        lightingPanel_->HideLightingView();
    if (k == link_.CurrentProfileCache()) {
        if (lighting_ != nullptr) lighting_->ReloadLightingAndUserModes();
        return;
    }
    profileManager_->SwitchProfile(k, [this](bool switched) {
        if (!switched) return;
        Shell().colourKeysMode = 0;
        if (map_ != nullptr) map_->SetColourKeysMode(false);
    });
}

void CQuorvelDlg::SwitchToActiveProfile(std::function<void(bool)> done) {
    if (RefusedWhileBusy()) {
        done(false);
        return;
    }
    // An unknown active profile (-1) is refused by the switch itself.
    profileManager_->SwitchProfile(link_.CurrentProfileCache(), std::move(done));
}

void CQuorvelDlg::SetReportRate(int rate) {
    const int previous = profileBar_->CheckedReportRate();
    profileBar_->CheckReportRate(rate);
    jobs_.Run(
        "report rate",
        [this, rate](const KeyboardJobs::Report&) {
            const int profile = link_.CurrentProfileCache();
            if (profile < 0) return CMD_NO_DEVICE;
            const uint8_t value = uint8_t(rate);
            return WriteParamBytes(link_, profile, PARAM_REPORT_RATE, {&value, 1});
        },
        [this, previous](int result) {
            // The buttons show what the keyboard holds.
            if (result != CMD_OK) profileBar_->CheckReportRate(previous);
        });
}

void CQuorvelDlg::RefreshProfileButtons(int reportRate) {
    const int active = link_.CurrentProfileCache();
    profileBar_->CheckProfile(active);
    profileBar_->CheckReportRate(reportRate);
    profileBar_->RebuildProfileMenu(active);
}

void CQuorvelDlg::ProfileChanged() {
    RefreshProfileButtons();
    RefreshAllKeys();
    if (lighting_ != nullptr) lighting_->ReloadLightingAndUserModes();
}

void CQuorvelDlg::RunProfileJob(const QString& name, ProfileHost::Job job, ProfileHost::Done done) {
    jobs_.Run(
        name, [this, job = std::move(job)](const KeyboardJobs::Report&) { return job(link_); },
        std::move(done));
}

void CQuorvelDlg::OpenProfileManager() {
    if (RefusedWhileBusy([this] { OpenProfileManager(); })) return;
    QString error;
    if (!profileManager_->Open(&error))
        qWarning("quorvel: the profile manager cannot be shown: %s", qPrintable(error));
}

void CQuorvelDlg::ShowMessage(QWidget* parent, std::string_view textKey, const std::string& text) {
    ShowTextMessage(parent, textKey, text);
}

bool CQuorvelDlg::AskYesNo(QWidget* parent, std::string_view textKey) {
    return AskYesNoText(parent, textKey);
}

}  // namespace quorvel
