#pragma once
// The lighting view of the main window: the controls beside the keyboard picture that choose
// the effect mode and its brightness, speed, direction, colours and presets, the user modes of
// the per-key mode with their painting tools, and the previews drawn on the keyboard map.
// Every change goes to the keyboard and the user colour files at once, through the panel's
// writer on the window's keyboard job worker; a rebuild from the keyboard's state writes
// nothing. The class is split by purpose: the controls and captions, the looks and previews,
// the effect handlers, the user modes, and restoring the defaults each have a file.
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <array>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "app/key_painter.h"
#include "app/lighting_view.h"
#include "app/lighting_writer.h"
#include "base/ini_file.h"
#include "model/lighting.h"
#include "model/program_paths.h"
#include "model/user_colours.h"

class QColor;
class QComboBox;
class QWidget;

namespace quorvel {

class CLightingColourButton;
class CLightingSlider;
class CPngButton;
class DeviceLink;
class KeyboardJobs;

// What the panel needs from the window around it. Unset members do nothing (showing the view
// is then never refused).
struct LightingPanelHost {
    // Previews on the keyboard map: position 0-103, FN_KEY_POSITION or G_KEYS_POSITION;
    // nullopt = plain look.
    std::function<void(int position, std::optional<QColor> colour, bool marked)> setKeyTint;
    std::function<void()> clearKeyTints;
    // Before the view opens: the switch to the active profile, which may refuse (an editor is
    // open, unapplied key changes kept) and may first ask the user or wait for the keyboard.
    // It calls proceed once, with false when refused.
    std::function<void(std::function<void(bool proceed)> done)> confirmShow;
    // After the view closed: the map shows the key assignments again.
    std::function<void()> viewHidden;
    // Restore defaults: back to the default key assignments of the active profile, then Apply.
    // resetAssignments returns false when it refused (the keyboard is busy).
    std::function<bool()> resetAssignments;
    std::function<void()> applyAll;
};

class CLightingPanel : public QObject, public LightingView, public KeyPainter {
    Q_OBJECT
public:
    // Creates the controls as children of window, placed by the main skin file; all hidden
    // until the view is shown.
    CLightingPanel(QWidget& window, const IniFile& skin, const QString& skinFolder,
                   const ProgramPaths& paths, DeviceLink& link, KeyboardJobs& jobs,
                   LightingPanelHost host);
    ~CLightingPanel() override;

    void SetHost(LightingPanelHost host) { host_ = std::move(host); }

    // LightingView
    void ReloadLighting() override { Reload(false); }
    void ReloadLightingAndUserModes() override { Reload(true); }
    void KeyboardGone() override;
    void ApplyCaptions() override;
    // Reads the active profile's lighting; with userModes also reloads its user modes and
    // sends their colours (after the keyboard reported its profiles).
    void Reload(bool userModes);

    // KeyPainter
    bool PaintingKeys() const override;
    void PaintKey(int position) override;

    // Opens the view once the window's profile switch agreed; nothing happens when it refused.
    void ShowLightingView();
    void HideLightingView();
    bool ViewShown() const { return state_.lightingShown; }
    // The profile switch asked for by ShowLightingView has not answered yet.
    bool ShowPending() const { return showPending_; }
    void RestoreDefaults();

    const LightingState& State() const { return state_; }
    const UserModeState& UserMode() const { return user_; }
    const KeyColourTable& KeyColours() const { return table_; }
    const KeyColourMarks& KeyMarks() const { return marks_; }
    // A control by its dialog id (LightingControlId), for the window and tests.
    QWidget* Control(int id) const;
    // The mode id the mode list's current row stands for; 0 when none.
    int ChosenMode() const;

signals:
    // After every rebuild from the keyboard's state.
    void Rebuilt();
    // A write the keyboard or a user colour file did not take; the panel shows what they hold
    // instead.
    void WriteFailed(int result);

private:
    // Controls and captions.
    void CreateControls();
    void ConnectControls();
    QPixmap Picture(std::string_view name) const;
    CPngButton* PictureButton(int id) const;
    void SetPicture(int id, std::string_view name);
    QString Label(std::string_view key, const QString& fallback) const;
    void FillModeList();

    // Rebuilding from the state, with every control's signals blocked.
    void Rebuild();
    void ShowControlsFor(int modeId);
    void ShowDirection(int modeId);
    void ShowColourful();
    void ShowPresets();
    void ShowSwitch();
    void RefreshUserControls();
    void FillUserModeList();

    // Handlers of the controls.
    void OnModeChosen(int row);
    void OnBrightness(int position);
    void OnSpeed(int position);
    void OnDirection(int direction);
    void OnColourChosen(Colour colour);
    void OnColourfulToggled(bool switchB);
    void OnPresetChosen(int preset);
    void OnLightingSwitch();
    void OpenView();
    void OnUserModeChosen(int row);
    void OnUserModeRenamed(const QString& text);
    void OnToolChosen(int tool);
    void OnUserColourChosen(Colour colour);
    void OnBaseColourChosen(Colour colour);
    // False, with the busy notice, while a change of user mode is on its way.
    bool UserModeSettled();
    void WriteToolAndColoursLater();

    // Previews on the map.
    void ShowPreview(int modeId);
    void PreviewRainbow();
    void PreviewSingle(Colour colour);
    void PreviewPerKey();
    void PreviewPlain();
    void TintBaseKeys(Colour colour);
    void Tint(int mapPosition, Colour colour, bool marked = false);
    void PlainGKeys();

    void Write(const QString& name, const ParamWrite& write, bool latest);
    void UpdateWritable();
    // A write not taken: the panel shows what the keyboard and the files hold instead.
    void OnWriteFailed(int result, LightingWriteScope scope);
    // WriteFailed and the notice that says what was not taken.
    void ShowWriteFailure(int result);
    void RestoreDefaultLighting();

    QWidget& window_;
    const IniFile& skin_;
    QString skinFolder_;
    ProgramPaths paths_;
    DeviceLink& link_;
    KeyboardJobs& jobs_;
    LightingPanelHost host_;
    LightingWriter writer_;

    LightingState state_;
    UserModeState user_;
    KeyColourTable table_{};
    KeyColourMarks marks_{};
    std::array<std::string, USER_MODE_COUNT> userModeNames_;
    bool keyboardGone_ = false;
    bool showPending_ = false;
    // A change of user mode is queued: the tools would otherwise write into the old one.
    bool userModePending_ = false;
    // Set while the panel fills its own controls.
    bool rebuilding_ = false;
    int reloadGeneration_ = 0;

    std::map<int, QWidget*> controls_;
    CLightingSlider* brightness_ = nullptr;
    CLightingSlider* speed_ = nullptr;
    QComboBox* modeList_ = nullptr;
    QComboBox* userModeList_ = nullptr;
    CLightingColourButton* colourA_ = nullptr;
    CLightingColourButton* colourB_ = nullptr;
    CLightingColourButton* userColour_ = nullptr;
    CLightingColourButton* baseColour_ = nullptr;
};

}  // namespace quorvel
