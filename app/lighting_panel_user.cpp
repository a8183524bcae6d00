// The user modes of the per-key lighting mode: the list, the two painting tools with their
// colours, and painting keys on the map.
#include <QComboBox>
#include <QSignalBlocker>

#include "app/lighting_controls.h"
#include "app/lighting_panel.h"
#include "app/lighting_widgets.h"
#include "device/lighting_io.h"
#include "skin/png_button.h"
#include "skin/skin_names.h"

namespace quorvel {

namespace {
constexpr int USER_MODE_NAME_UNITS = 259;
}  // namespace

void CLightingPanel::FillUserModeList() {
    // Refilling writes nothing: the list's signals stay blocked while it is filled.
    const QSignalBlocker blocker(userModeList_);
    userModeList_->clear();
    for (const std::string& name : ReadUserModeNames(paths_, state_.activeProfile))
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

void CLightingPanel::OnUserModeChosen(int row) {
    if (rebuilding_ || row < 0 || row >= USER_MODE_COUNT) return;
    const int profile = state_.activeProfile;
    WritePresentMode(paths_, profile, row);
    user_ = LoadUserMode(paths_, profile, table_, marks_);
    const KeyColourTable table = table_;
    DeviceLink& link = link_;
    RunJob(
        "lighting user mode",
        [&link, profile, table] { return SendKeyColours(link, profile, table); }, true);
    RefreshUserControls();
    if (state_.lightingShown) PreviewPerKey();
}

void CLightingPanel::OnUserModeRenamed(const QString& text) {
    const int row = userModeList_->currentIndex();
    if (rebuilding_ || row < 0) return;
    const QString name = text.left(USER_MODE_NAME_UNITS);
    {
        const QSignalBlocker blocker(userModeList_);
        userModeList_->setItemText(row, name);
    }
    WriteUserModeName(paths_, state_.activeProfile, row, name.toStdString());
}

void CLightingPanel::OnToolChosen(int tool) {
    user_.tool = tool;
    RefreshUserControls();
    WriteToolAndColours(paths_, state_.activeProfile, user_.currentMode, user_);
}

void CLightingPanel::OnUserColourChosen(Colour colour) {
    // Keys already painted keep their colours.
    user_.userColour = colour;
    WriteToolAndColours(paths_, state_.activeProfile, user_.currentMode, user_);
}

void CLightingPanel::OnBaseColourChosen(Colour colour) {
    const int profile = state_.activeProfile;
    if (!ChangeBaseColour(paths_, profile, user_, colour, table_, marks_)) return;
    for (int key = 0; key < MAP_KEY_COUNT; ++key) {
        const int position = MatrixPositionOfMapKey(key);
        if (position >= 0 && marks_[static_cast<size_t>(position)] != 0) Tint(key, colour, true);
    }
    if (marks_[MATRIX_FN_POSITION] != 0) Tint(FN_KEY_POSITION, colour, true);
    const KeyColourTable table = table_;
    DeviceLink& link = link_;
    RunJob(
        "lighting base colour",
        [&link, profile, colour, table] { return SendBaseColour(link, profile, colour, table); },
        true);
}

bool CLightingPanel::PaintingKeys() const {
    return state_.lightingShown && !keyboardGone_ && ChosenMode() == USER_MODE_ID;
}

void CLightingPanel::PaintKey(int mapPosition) {
    if (!PaintingKeys()) return;
    const int position = MatrixPositionOfMapKey(mapPosition);
    if (position < 0) return;
    const int profile = state_.activeProfile;
    const Colour colour = PaintKeyColour(paths_, profile, user_, position, table_, marks_);
    Tint(mapPosition, colour, user_.tool == TOOL_BASE_COLOUR);
    DeviceLink& link = link_;
    RunJob(
        "lighting paint",
        [&link, profile, position, colour] {
            return SendKeyColour(link, profile, position, colour);
        },
        false);
}

}  // namespace quorvel
