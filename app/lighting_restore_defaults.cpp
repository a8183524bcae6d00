// Restore defaults: the active profile's key assignments, then (with the view shown) its
// lighting and user modes, then Apply.
#include "app/lighting_panel.h"
#include "app/message_boxes.h"
#include "device/device_link.h"
#include "device/lighting_io.h"
#include "device/result_codes.h"

namespace quorvel {

void CLightingPanel::RestoreDefaults() {
    if (!AskYesNoText(&window_, "MAIN_PROMPT_DEFAULT")) return;
    // The keys can be refused (a keyboard job started while the question was open): then
    // nothing is restored and Apply does not run as if they had been.
    if (host_.resetAssignments && !host_.resetAssignments()) {
        const QString text = Label("DefaultsRefused",
                                   "The keyboard is busy; the defaults were not restored. Try "
                                   "again when it is done.");
        ShowTextMessage(&window_, "DefaultsRefused", text.toStdString());
        return;
    }
    if (state_.lightingShown) RestoreDefaultLighting();
    if (host_.applyAll) host_.applyAll();
}

// The language stays as the user chose it: restoring the lighting re-reads the keyboard and
// rebuilds the panel instead.
void CLightingPanel::RestoreDefaultLighting() {
    const int profile = state_.activeProfile;
    const bool userModes = SupportsUserMode(state_);
    LightingState modeOne = state_;
    modeOne.colourful = true;
    const ParamWrite mode = ModeWrite(profile, 1, modeOne);
    DeviceLink& link = link_;
    const ProgramPaths paths = paths_;
    const bool queued = writer_.Run(
        "lighting defaults",
        [&link, paths, profile, userModes, mode] {
            if (userModes && !RestoreFactoryUserColours(paths, profile))
                return USER_FILE_NOT_WRITTEN;
            int result = SendParamWrite(link, mode);
            if (userModes) {
                UserModeState user;
                KeyColourTable table{};
                KeyColourMarks marks{};
                const int sent = LoadUserMode(link, paths, profile, user, table, marks);
                if (result == CMD_OK) result = sent;
            }
            const int defaults = SendParamWrite(link, DefaultParamsWrite(profile));
            return result == CMD_OK ? defaults : result;
        },
        false, LightingWriteScope::USER_MODES);
    if (!queued) return;
    // What the keyboard and the restored file now hold rebuilds the panel.
    Reload(userModes);
    PreviewRainbow();
}

}  // namespace quorvel
