// The user modes of the per-key lighting mode: the list, the two painting tools with their
// colours, and painting keys on the map. The panel shows each change at once; its user colour
// file and the keyboard take it on the job worker, in the order the changes were made.
#include <QComboBox>
#include <QPointer>
#include <QSignalBlocker>
#include <memory>

#include "app/lighting_controls.h"
#include "app/lighting_panel.h"
#include "app/lighting_widgets.h"
#include "device/device_link.h"
#include "device/lighting_io.h"
#include "device/result_codes.h"
#include "skin/png_button.h"
#include "skin/skin_names.h"

namespace quorvel {

namespace {
constexpr int USER_MODE_NAME_UNITS = 259;

// A user mode as its file holds it, handed from the worker to the window's thread.
struct LoadedUserMode {
    UserModeState state;
    KeyColourTable table{};
    KeyColourMarks marks{};
};
}  // namespace

void CLightingPanel::FillUserModeList() {
    // Refilling writes nothing: the list's signals stay blocked while it is filled.
    const QSignalBlocker blocker(userModeList_);
    userModeList_->clear();
    for (const std::string& name : userModeNames_)
        userModeList_->addItem(QString::fromStdString(name));
}

void CLightingPanel::RefreshUserControls() {
    namespace n = skin_names;
    {
        const QSignalBlocker blocker(userModeList_);
        userModeList_->setCurrentIndex(user_.currentMode);
    }
    baseColour_->SetColour(user_.baseColour);
    userColour_->SetColour(user_.userColour);
    const bool baseTool = user_.tool == TOOL_BASE_COLOUR;
    SetPicture(LIGHTING_TOOL_USER, baseTool ? n::TOOLS[0].up : n::TOOLS[0].down);
    SetPicture(LIGHTING_TOOL_BASE, baseTool ? n::TOOLS[1].down : n::TOOLS[1].up);
}

bool CLightingPanel::UserModeSettled() {
    if (!userModePending_) return true;
    writer_.ShowNotice(Label("Busy", "The keyboard is busy; try again in a moment."));
    return false;
}

void CLightingPanel::OnUserModeChosen(int row) {
    if (rebuilding_ || row < 0 || row >= USER_MODE_COUNT) return;
    const int profile = state_.activeProfile;
    const ProgramPaths paths = paths_;
    DeviceLink& link = link_;
    auto loaded = std::make_shared<LoadedUserMode>();
    QPointer<CLightingPanel> self(this);
    const bool queued = writer_.Run(
        "lighting user mode",
        [&link, paths, profile, row, loaded] {
            if (!WritePresentMode(paths, profile, row)) return USER_FILE_NOT_WRITTEN;
            return LoadUserMode(link, paths, profile, loaded->state, loaded->table, loaded->marks);
        },
        true, LightingWriteScope::USER_MODES,
        [self, loaded](int result) {
            if (self == nullptr) return;
            self->userModePending_ = false;
            // A failure shows the file's user mode again.
            if (result != CMD_OK) return;
            self->user_ = loaded->state;
            self->table_ = loaded->table;
            self->marks_ = loaded->marks;
            self->RefreshUserControls();
            if (self->state_.lightingShown) self->PreviewPerKey();
        });
    if (queued) {
        userModePending_ = true;
    } else {
        RefreshUserControls();
    }
}

void CLightingPanel::OnUserModeRenamed(const QString& text) {
    const int row = userModeList_->currentIndex();
    if (rebuilding_ || row < 0 || row >= USER_MODE_COUNT) return;
    const std::string name = text.left(USER_MODE_NAME_UNITS).toStdString();
    const int profile = state_.activeProfile;
    const ProgramPaths paths = paths_;
    // Typing a name costs one write for the newest text; each mode's name is a job of its own.
    if (!writer_.Run(
            QStringLiteral("lighting user mode name %1").arg(row),
            [paths, profile, row, name] {
                return WriteUserModeName(paths, profile, row, name) ? CMD_OK
                                                                    : USER_FILE_NOT_WRITTEN;
            },
            true, LightingWriteScope::USER_MODES))
        return;
    userModeNames_[static_cast<size_t>(row)] = name;
    const QSignalBlocker blocker(userModeList_);
    userModeList_->setItemText(row, QString::fromStdString(name));
}

void CLightingPanel::WriteToolAndColoursLater() {
    const int profile = state_.activeProfile;
    const ProgramPaths paths = paths_;
    const UserModeState user = user_;
    writer_.Run(
        "lighting tool and colours",
        [paths, profile, user] {
            return WriteToolAndColours(paths, profile, user.currentMode, user)
                       ? CMD_OK
                       : USER_FILE_NOT_WRITTEN;
        },
        true, LightingWriteScope::USER_MODES);
}

void CLightingPanel::OnToolChosen(int tool) {
    if (UserModeSettled() && writer_.Writable()) {
        user_.tool = tool;
        WriteToolAndColoursLater();
    }
    RefreshUserControls();
}

void CLightingPanel::OnUserColourChosen(Colour colour) {
    // Keys already painted keep their colours.
    if (colour != user_.userColour && UserModeSettled() && writer_.Writable()) {
        user_.userColour = colour;
        WriteToolAndColoursLater();
    }
    userColour_->SetColour(user_.userColour);
}

void CLightingPanel::OnBaseColourChosen(Colour colour) {
    if (!UserModeSettled() || !writer_.Writable() ||
        !RecolourBaseKeys(user_, colour, table_, marks_)) {
        // Nothing changes: the keys the colour dialog tinted show the base colour again.
        baseColour_->SetColour(user_.baseColour);
        TintBaseKeys(user_.baseColour);
        return;
    }
    TintBaseKeys(colour);
    const int profile = state_.activeProfile;
    const ProgramPaths paths = paths_;
    const UserModeState user = user_;
    const KeyColourTable table = table_;
    const KeyColourMarks marks = marks_;
    DeviceLink& link = link_;
    writer_.Run(
        "lighting base colour",
        [&link, paths, profile, user, table, marks] {
            if (!WriteBaseColourKeys(paths, profile, user, table, marks))
                return USER_FILE_NOT_WRITTEN;
            return SendBaseColour(link, profile, user.baseColour, table);
        },
        true, LightingWriteScope::USER_MODES);
}

bool CLightingPanel::PaintingKeys() const {
    return state_.lightingShown && !keyboardGone_ && ChosenMode() == USER_MODE_ID;
}

void CLightingPanel::PaintKey(int mapPosition) {
    if (!PaintingKeys() || !UserModeSettled()) return;
    const int position = MatrixPositionOfMapKey(mapPosition);
    if (position < 0 || !writer_.Writable()) return;
    const KeyColourEntry painted = PaintedEntry(user_);
    table_[static_cast<size_t>(position)] = painted.colour;
    marks_[static_cast<size_t>(position)] = painted.mark;
    Tint(mapPosition, painted.colour, painted.mark != 0);
    const int profile = state_.activeProfile;
    const int mode = user_.currentMode;
    const ProgramPaths paths = paths_;
    DeviceLink& link = link_;
    // One write of the key's entry per click, behind any running job: an import rewriting the
    // file first keeps it, and the key lands on top.
    writer_.Run(
        "lighting paint",
        [&link, paths, profile, mode, position, painted] {
            if (!WriteKeyColour(paths, profile, mode, position, painted.colour, painted.mark))
                return USER_FILE_NOT_WRITTEN;
            return SendKeyColour(link, profile, position, painted.colour);
        },
        false, LightingWriteScope::USER_MODES);
}

}  // namespace quorvel
