#pragma once
// The main window. It starts hidden and lives in the notification area (minimised while the
// desktop has none); it settles the single
// instance, binds the keyboard, draws its skin and answers the shell messages of the device
// side and of later copies of the program.
#include <QPixmap>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "app/command_line.h"
#include "app/keyboard_jobs.h"
#include "app/keyboard_map.h"
#include "app/language_file.h"
#include "app/qt_shell_port.h"
#include "app/session_watch.h"
#include "app/single_instance.h"
#include "app/tray_icon.h"
#include "app/tray_icon_state.h"
#include "app/window_buttons.h"
#include "device/device_link.h"
#include "editors/composite_dialog.h"
#include "editors/editor_host.h"
#include "editors/profile_dialog.h"
#include "model/program_paths.h"
#include "skin/base_dialog.h"
#include "skin/png_button.h"

class QMenu;

namespace quorvel {

class AppProfileSwitcher;
class BusyIndicator;
class BusyNotice;
class CAboutDlg;
class CProgramProfilesDlg;
class ProfileBar;
class CLightingPanel;
class LightingView;

// The user guide beside the program: Help and F1 open it, and so does the link button unless
// the skin names a web address.
inline constexpr const char* HELP_PAGE = "Help/index.html";

// Menu commands; the window's own buttons are in window_buttons.h.
inline constexpr int COMMAND_EXIT_ALSO = 32779;
inline constexpr int COMMAND_IMPORT = 32776;
inline constexpr int COMMAND_EXPORT = 32777;
inline constexpr int COMMAND_CHINESE = 32784;
inline constexpr int COMMAND_ENGLISH = 32785;

// Shown when Apply or an import could not write everything and nothing else explained why.
inline constexpr const char* APPLY_FAILED_TEXT = "EXTRA_APPLY_FAILED";
// Shown with the file's path when the keyboard took Apply's write but the profile file could
// not be saved.
inline constexpr const char* APPLY_NOT_SAVED_TEXT = "EXTRA_APPLY_NOT_SAVED";
inline constexpr const char* EXIT_UNAPPLIED_TEXT = "EXTRA_EXIT_UNAPPLIED";

class CQuorvelDlg : public CBaseDialog, public ShellWindow, public EditorHost, public ProfileHost {
    Q_OBJECT
public:
    // Without a notification area given, the desktop's own answer is used.
    CQuorvelDlg(const ProgramPaths& paths, const StartOptions& options,
                std::unique_ptr<desktop::NotificationArea> notificationArea = nullptr);
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
    // Into the notification area; where there is none, minimised with a task-bar entry, so the
    // program never runs where nobody can see it.
    void HideMainWindow() override;
    void SetTrayIcon(TrayIconMode mode, int iconId) override;
    void ShowGKeyBank(bool bankB) override;
    QWidget* MessageParent() override { return this; }

    void ShowMainWindow();
    // Close and the exit commands: with changes not applied yet the user is asked first (Yes
    // applies, then exits; No exits; Cancel stays).
    void RequestExit();
    // Ends the program without asking ("/Kill").
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
    int TrayIconId() const { return trayState_.Shown(); }
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
    BusyNotice& Notice() { return *busyNotice_; }
    bool ApplyRunning() const { return applyRunning_; }
    // The program rules and the switching they drive; null until Initialise has made it.
    AppProfileSwitcher* ProgramProfiles() { return programProfiles_; }
    // Main menu: the rules dialog; the switching follows what it saved at once.
    void OpenProgramProfiles();

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
    void reject() override;

private:
    void OnInit();
    // The notification area went: a hidden window comes back as it would without one.
    void OnNotificationAreaLost();
    void CloseOpenWindows();
    // Device messages (device_messages.cpp).
    void OnProfileMessage();
    void OnDeviceGone();
    void OnGKeyState();
    // Window commands that touch the working set are refused, with the busy notice, while a
    // keyboard job or a profile switch may hold it; later, when given, runs once the job ends
    // (only the last one put off).
    bool RefusedWhileBusy(std::function<void()> later = {});
    bool LoadStateImages(QString* error);
    void StartProgramProfiles();

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
    BusyNotice* busyNotice_ = nullptr;
    std::function<void()> putOff_;
    CQuorvel_DlgProfile* profileManager_ = nullptr;
    // The key assignment dialog, made once and reused for every key.
    Quorvel_DlgComposite* keyEditor_ = nullptr;
    AppProfileSwitcher* programProfiles_ = nullptr;
    CProgramProfilesDlg* programProfilesDlg_ = nullptr;

    // The state pictures every button's looks are cut from.
    MapImages images_;
    WindowButtons* buttons_ = nullptr;
    QString linkAddress_;

    bool ready_ = false;
    bool exiting_ = false;
    bool settingsChanged_ = false;
    // The device side sets the base icon from the device count it acted on, so the icon also
    // says whether a keyboard is there.
    TrayIconState trayState_;
    // An opening asked for before the device side's first report waits for it.
    bool openWhenReported_ = false;
    bool gKeyBankB_ = false;
    // The first frame paints after the start hide the window before it is seen.
    int pendingHides_ = 2;
    int openCount_ = 0;
    bool applyRunning_ = false;
    int keyboardGoneCount_ = 0;
};

}  // namespace quorvel
