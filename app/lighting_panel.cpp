#include "app/lighting_panel.h"

#include <QComboBox>
#include <QSignalBlocker>
#include <memory>
#include <set>

#include "app/keyboard_jobs.h"
#include "app/lighting_controls.h"
#include "app/lighting_keyboard.h"
#include "app/lighting_widgets.h"
#include "device/device_link.h"
#include "device/lighting_io.h"
#include "device/result_codes.h"
#include "model/profile_store.h"
#include "skin/skin_file.h"

namespace quorvel {
namespace {

// What the keyboard read hands back to the window's thread.
struct ReadResult {
    LightingState state;
    UserModeState user;
    KeyColourTable table{};
    KeyColourMarks marks{};
    std::array<std::string, USER_MODE_COUNT> names;
    int code = READ_LIGHTING_FAILED;
    int coloursSent = CMD_OK;
};

}  // namespace

CLightingPanel::CLightingPanel(QWidget& window, const IniFile& skin, const QString& skinFolder,
                               const ProgramPaths& paths, DeviceLink& link, KeyboardJobs& jobs,
                               LightingPanelHost host)
    : QObject(&window),
      window_(window),
      skin_(skin),
      skinFolder_(skinFolder),
      paths_(paths),
      link_(link),
      jobs_(jobs),
      host_(std::move(host)),
      writer_(window, ReadSkinRect(skin, SKIN_SECTION_BUTTONS, "CONTROL_DengSettingStatic"), jobs) {
    CreateControls();
    connect(&writer_, &LightingWriter::Failed, this, &CLightingPanel::OnWriteFailed);
    ApplyCaptions();
    state_.lightingShown = ReadDengCheck();
    UpdateWritable();
    Rebuild();
}

CLightingPanel::~CLightingPanel() = default;

// ---- Rebuilding from the keyboard's state ----

void CLightingPanel::Reload(bool userModes) {
    auto result = std::make_shared<ReadResult>();
    result->state = state_;
    result->user = user_;
    result->table = table_;
    result->marks = marks_;
    const int generation = ++reloadGeneration_;
    DeviceLink& link = link_;
    const ProgramPaths paths = paths_;
    QPointer<CLightingPanel> self(this);
    jobs_.Run(
        "lighting read",
        [&link, result, paths, userModes](const KeyboardJobs::Report&) {
            UserModeTarget target{paths, result->user, result->table, result->marks,
                                  &result->coloursSent};
            result->code = ReadActiveLighting(link, result->state, userModes ? &target : nullptr);
            // Read here, in turn with the panel's writes, never on the window's thread.
            if (result->state.activeProfile >= 0)
                result->names = ReadUserModeNames(paths, result->state.activeProfile);
            return result->code;
        },
        [self, result, generation, userModes](int code) {
            // A later read supersedes this one; a failed read leaves the panel as it was.
            if (self == nullptr || generation != self->reloadGeneration_) return;
            if (code != READ_LIGHTING_OK) return;
            // The colours not taken stay unknown, so the next refresh sends them again; until
            // then the keyboard does not show what the panel does.
            if (result->coloursSent != CMD_OK) self->ShowWriteFailure(result->coloursSent);
            self->keyboardGone_ = false;
            // The panel alone writes the view's setting, and a read started before the view
            // opened or closed must not undo that.
            const bool shown = self->state_.lightingShown;
            self->state_ = result->state;
            self->state_.lightingShown = shown;
            self->userModeNames_ = result->names;
            if (userModes) {
                self->user_ = result->user;
                self->table_ = result->table;
                self->marks_ = result->marks;
            }
            self->UpdateWritable();
            self->Rebuild();
        });
}

void CLightingPanel::Rebuild() {
    rebuilding_ = true;
    std::vector<QSignalBlocker> blockers;
    for (auto& [id, control] : controls_) blockers.emplace_back(control);
    FillModeList();
    brightness_->SetPosition(state_.brightness);
    speed_->SetPosition(SpeedSliderPosition(state_));
    colourA_->SetColour(state_.colour);
    colourB_->SetColour(state_.colour);
    ShowColourful();
    ShowPresets();
    ShowDirection(state_.modeId);
    if (SupportsUserMode(state_)) FillUserModeList();
    RefreshUserControls();
    ShowSwitch();
    ShowControlsFor(state_.lightingShown ? state_.modeId : -1);
    if (state_.lightingShown) ShowPreview(state_.modeId);
    blockers.clear();
    rebuilding_ = false;
    emit Rebuilt();
}

// ---- The view ----

void CLightingPanel::OnLightingSwitch() {
    if (state_.lightingShown) {
        HideLightingView();
    } else {
        ShowLightingView();
    }
}

void CLightingPanel::ShowLightingView() {
    // A second click while the switch still asks or waits for the keyboard is not a second
    // request.
    if (state_.lightingShown || showPending_) return;
    if (!host_.confirmShow) {
        OpenView();
        return;
    }
    showPending_ = true;
    QPointer<CLightingPanel> self(this);
    host_.confirmShow([self](bool proceed) {
        if (self == nullptr) return;
        self->showPending_ = false;
        if (proceed) self->OpenView();
    });
}

void CLightingPanel::OpenView() {
    state_.lightingShown = true;
    WriteDengCheck(true);
    ShowSwitch();
    // Never read yet (the keyboard came before the panel): the read rebuilds the open view.
    if (ModeListIds(state_).empty()) Reload(false);
    const int id = ChosenMode() != 0 ? ChosenMode() : state_.modeId;
    ShowPreview(id);
    ShowControlsFor(id);
}

void CLightingPanel::HideLightingView() {
    state_.lightingShown = false;
    WriteDengCheck(false);
    ShowSwitch();
    PreviewPlain();
    ShowControlsFor(-1);
    if (host_.viewHidden) host_.viewHidden();
}

void CLightingPanel::KeyboardGone() {
    keyboardGone_ = true;
    ++reloadGeneration_;
    UpdateWritable();
}

// ---- Writing ----

void CLightingPanel::UpdateWritable() {
    writer_.SetWritable(!keyboardGone_ && state_.activeProfile >= 0);
}

void CLightingPanel::OnWriteFailed(int result, LightingWriteScope scope) {
    ShowWriteFailure(result);
    // Never show a change that was not taken. The user modes come again from their file, and
    // the keyboard gets their colours with them.
    Reload(scope == LightingWriteScope::USER_MODES);
}

void CLightingPanel::ShowWriteFailure(int result) {
    emit WriteFailed(result);
    if (result == USER_FILE_NOT_WRITTEN) {
        writer_.ShowNotice(Label("FileWriteFailed",
                                 "The user colour file could not be written; showing what it "
                                 "holds."));
    } else {
        writer_.ShowNotice(
            Label("WriteFailed", "The keyboard did not take the change; showing its lighting."));
    }
}

}  // namespace quorvel
