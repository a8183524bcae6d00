#pragma once
// The main window. It starts hidden and lives in the notification area; it settles the single
// instance, binds the keyboard, draws its skin and answers the shell messages of the device
// side and of later copies of the program.
#include <QPixmap>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "app/command_line.h"
#include "app/keyboard_jobs.h"
#include "app/language_file.h"
#include "app/qt_shell_port.h"
#include "app/session_watch.h"
#include "app/single_instance.h"
#include "app/tray_icon.h"
#include "device/device_link.h"
#include "editors/composite_dialog.h"
#include "editors/editor_host.h"
#include "editors/profile_dialog.h"
#include "model/program_paths.h"
#include "skin/base_dialog.h"
#include "skin/png_button.h"

class QLabel;
class QMenu;

namespace quorvel {

class BusyIndicator;
class CAboutDlg;
class ProfileBar;
class CLightingPanel;
class KeyboardMap;
class LightingView;

// Window and menu commands.
inline constexpr int COMMAND_CLOSE = 1124;
inline constexpr int COMMAND_EXIT_ALSO = 32779;
inline constexpr int COMMAND_IMPORT = 32776;
inline constexpr int COMMAND_EXPORT = 32777;
inline constexpr int COMMAND_CHINESE = 32784;
inline constexpr int COMMAND_ENGLISH = 32785;

inline constexpr int COMMAND_APPLY = 1006;
// Shown when Apply or an import could not write everything and nothing else explained why.
inline constexpr const char* APPLY_FAILED_TEXT = "EXTRA_APPLY_FAILED";

// The main window's shared state pictures, in loading order.
inline constexpr int MAIN_IMAGE_COUNT = 11;

class CQuorvelDlg : public CBaseDialog, public ShellWindow, public EditorHost, public ProfileHost {
    Q_OBJECT
public:
    CQuorvelDlg(const ProgramPaths& paths, const StartOptions& options);
    ~CQuorvelDlg() override;

    // Handles "/Kill" and a copy already running. Returns the exit code when this process
    // must end now instead of starting; otherwise it is the only copy and has started the
    // companion program.
    std::optional<int> SettleInstance();

    // Everything before the window is usable, in start-up order; ends with UM_INIT posted.
    // False with one line in error when the program cannot run (service library, skin).
    bool Initialise(QString* error);

    // ShellWindow
    void HandleShellMessage(uint32_t message, uint32_t tag) override;
    void HandleTimer(int timerId) override;
    bool IsReady() const override { return ready_; }
    void HideMainWindow() override;
    void SetTrayIcon(TrayIconMode mode, int iconId) override;
    void ShowGKeyBank(bool bankB) override;
    QWidget* MessageParent() override { return this; }

    void ShowMainWindow();
    void ExitApplication();
    void SwitchLanguage(int language);
    void ApplyMainCaptions();
    // 141 while a keyboard is attached, 128 otherwise.
    void SetDeviceIcon(uint32_t count);
    void EnableApply(bool enable) override;
    void ShowMainMenu();
    void OpenHelp() override;
    void OpenLink();
    void OpenAbout();
    // A menu or window command by its number.
    void RunCommand(int command);

    CTrayIcon& Tray() { return tray_; }
    int TrayIconId() const { return trayIconId_; }
    bool SettingsChanged() const { return settingsChanged_; }
    const SessionAwayState& SessionAway() const { return sessionAway_; }
    bool GKeyBankB() const { return gKeyBankB_; }
    // How often the window has been brought up by ShowMainWindow.
    int OpenCount() const { return openCount_; }
    QtShellPort& Port() { return port_; }
    DeviceLink& Link() { return link_; }
    SessionAwayState& SessionAwayForTest() { return sessionAway_; }
    KeyboardJobs& Jobs() { return jobs_; }
    // Null until Initialise has placed it.
    KeyboardMap* Map() { return map_.get(); }
    CLightingPanel* Lighting() { return lightingPanel_; }

    // EditorHost (window_editor_host.cpp)
    void RefreshKey(int entryIndex) override;
    void RefreshAllKeys() override;
    QRect KeyRectOnScreen(uint32_t controlId) const override;
    int ActiveProfile() const override;
    bool KeyboardBusy() const override;
    int MacroCapacity() const override;
    QWidget* EditorParent() override { return this; }
    // A key of the map was picked: the key assignment dialog edits it.
    void OpenKeyEditor(const SelectedKey& key);
    // The key assignment dialog: whether it is open, and closing it as a Cancel.
    bool KeyEditorOpen() const override;
    void CloseKeyEditor();
    // The editors' boxes go through the window's message boxes (and their test seam).
    void ShowMessage(QWidget* parent, std::string_view textKey, const std::string& text) override;
    bool AskYesNo(QWidget* parent, std::string_view textKey) override;

    // Apply (1006) on the keyboard job worker; done(true) once the profile file and the
    // keyboard took everything (or nothing needed writing). Refused (done(false)) while an
    // Apply is already on its way.
    void Apply(std::function<void(bool applied)> done = {});
    // A profile button: the lighting follows k, and the quick switch makes k active.
    void SelectProfile(int k);
    // The quick switch to the profile already active, run before the lighting view opens: it
    // refuses while an editor is open or a keyboard job runs, and asks about unapplied key
    // changes. done(true) once switched.
    void SwitchToActiveProfile(std::function<void(bool switched)> done);
    // A report-rate button: rate 0-3 of the active profile, written at once.
    void SetReportRate(int rate);
    // UM_PROFILE's refresh: the buttons of the active profile and its report rate.
    void RefreshProfileButtons(int reportRate = -1);
    void ShowQuickSwitchMenu();
    void ImportProfileFile();
    void ExportProfileFile();
    // Main menu: the keyboard against the profile files, and Apply in full.
    void CheckKeyboard();
    void WriteEverything();
    void OpenProfileManager();
    ProfileBar& Bar() { return *profileBar_; }
    CQuorvel_DlgProfile& ProfileManager() { return *profileManager_; }
    BusyIndicator& Busy() { return *busy_; }
    bool ApplyRunning() const { return applyRunning_; }

    // ProfileHost
    void RunProfileJob(const QString& name, ProfileHost::Job job, ProfileHost::Done done) override;
    void ApplyChanges(std::function<void(bool applied)> done) override { Apply(std::move(done)); }
    bool UnappliedChanges() const override { return settingsChanged_; }
    int KeyboardGoneCount() const override { return keyboardGoneCount_; }
    void ProfileChanged() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void reject() override;

private:
    void OnInit();
    void CloseOpenWindows();
    // Device messages (device_messages.cpp).
    void OnProfileMessage();
    void OnDeviceGone();
    void OnGKeyState();
    // Window commands that touch the working set wait while a keyboard job may hold it.
    bool RefuseWhileBusy() const;
    bool LoadStateImages(QString* error);
    void PlaceControls();
    CPngButton& AddButton(const char* skinKey, int command);
    void RefreshLightingLabels();
    // Whether the device side last reported a keyboard: it sets the base icon from the device
    // count it acted on.
    bool KeyboardPresent() const { return baseIconId_ == ICON_KEYBOARD; }
    // Writes the observable shell state for tests, when QUORVEL_SHELL_STATE_FILE names a file.
    void ReportState();

    ProgramPaths paths_;
    StartOptions options_;
    SingleInstance instance_;
    // Declared before the link: the link's workers stop before the port goes away.
    QtShellPort port_;
    DeviceLink link_;
    CTrayIcon tray_;
    SessionAwayState sessionAway_;
    SessionWatcher sessionWatcher_;
    // After the link: jobs use it, and the running one is waited for before it goes.
    KeyboardJobs jobs_;
    std::unique_ptr<KeyboardMap> map_;
    // Null until Initialise has placed the lighting panel; a child of the window.
    CLightingPanel* lightingPanel_ = nullptr;
    LightingView* lighting_ = nullptr;
    CAboutDlg* about_ = nullptr;
    std::unique_ptr<QMenu> mainMenu_;
    ProfileBar* profileBar_ = nullptr;
    BusyIndicator* busy_ = nullptr;
    CQuorvel_DlgProfile* profileManager_ = nullptr;
    // The key assignment dialog, made once and reused for every key.
    Quorvel_DlgComposite* keyEditor_ = nullptr;

    std::array<QPixmap, MAIN_IMAGE_COUNT> images_;
    CPngButton* ok_ = nullptr;
    CPngButton* cancel_ = nullptr;
    CPngButton* apply_ = nullptr;
    CPngButton* help_ = nullptr;
    CPngButton* minimize_ = nullptr;
    CPngButton* menu_ = nullptr;
    CPngButton* close_ = nullptr;
    CPngButton* linkButton_ = nullptr;
    CPngButton* version_ = nullptr;
    QLabel* reportRateLabel_ = nullptr;
    QLabel* lightingSettingsLabel_ = nullptr;
    QLabel* lightingButtonLabel_ = nullptr;
    QString linkAddress_;

    bool ready_ = false;
    bool settingsChanged_ = false;
    int trayIconId_ = 0;
    int baseIconId_ = ICON_NO_KEYBOARD;
    bool gKeyBankB_ = false;
    // The first frame paints after the start hide the window before it is seen.
    int pendingHides_ = 2;
    int openCount_ = 0;
    bool applyRunning_ = false;
    int keyboardGoneCount_ = 0;
};

}  // namespace quorvel
