// The window's start: the single instance settled, then everything before the window is usable
// wired together in start-up order, and UM_INIT's tray icon.
#include <QApplication>
#include <QFileInfo>
#include <QMenu>
#include <QProcess>
#include <QProxyStyle>
#include <QStandardPaths>

#include "app/app_profile_switcher.h"
#include "app/busy_indicator.h"
#include "app/busy_notice.h"
#include "app/keyboard_map.h"
#include "app/lighting_panel.h"
#include "app/profile_bar.h"
#include "app/program_profiles_dialog.h"
#include "app/quorvel_dlg.h"
#include "app/shell_state.h"
#include "app/window_buttons.h"
#include "base/texts.h"
#include "desktop/active_window_factory.h"
#include "model/app_rules.h"
#include "model/profile_store.h"
#include "model/working_set.h"
#include "skin/skin_file.h"
#include "skin/skin_names.h"

namespace quorvel {
namespace {

constexpr const char* MAIN_SKIN_FILE = "Skins/Main.ini";
constexpr const char* PROFILE_SKIN_FILE = "Skins/Profile.ini";
constexpr const char* PROGRAM_PROFILES_SKIN_FILE = "Skins/ProgramProfiles.ini";
constexpr const char* COMPANION_PROGRAM = "RoDodaza";
// A later copy waits this long for the running one to take its message.
constexpr int HAND_OVER_TIMEOUT_MS = 10000;
// The skinned buttons' tips wait this long before they show.
constexpr int TOOLTIP_DELAY_MS = 2000;

class TooltipDelayStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override {
        if (hint == QStyle::SH_ToolTip_WakeUpDelay) return TOOLTIP_DELAY_MS;
        return QProxyStyle::styleHint(hint, option, widget, data);
    }
};

QString FromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

QString SkinFilePath(const ProgramPaths& paths) {
    return FromUtf8(ReadPathFor(paths, MAIN_SKIN_FILE));
}

QString FolderOf(const QString& file) {
    return QFileInfo(file).absolutePath() + "/";
}

}  // namespace

CQuorvelDlg::CQuorvelDlg(const ProgramPaths& paths, const StartOptions& options,
                         std::unique_ptr<desktop::NotificationArea> notificationArea)
    : CBaseDialog(nullptr, SkinFilePath(paths), FolderOf(SkinFilePath(paths))),
      paths_(paths),
      options_(options),
      port_(*this),
      link_(port_),
      tray_(paths, std::move(notificationArea)),
      sessionWatcher_(sessionAway_) {
    setObjectName("MAIN");
    connect(&tray_, &CTrayIcon::Command, this, &CQuorvelDlg::RunCommand);
    connect(&tray_, &CTrayIcon::AreaLost, this, &CQuorvelDlg::OnNotificationAreaLost);
}

std::optional<int> CQuorvelDlg::SettleInstance() {
    Shell().autoOpenDone = false;
    if (options_.kill) {
        // A copy holding the instance is asked to exit; without one there is nothing to do.
        // Either way this process ends without starting.
        if (!instance_.Acquire())
            instance_.SendToRunning(UM_KILL, UM_KILL_TAG, HAND_OVER_TIMEOUT_MS);
        instance_.Release();
        return 0;
    }
    if (options_.start) Shell().autoOpenDone = true;
    if (!instance_.Acquire()) {
        instance_.SendToRunning(UM_OPEN, UM_OPEN_TAG, HAND_OVER_TIMEOUT_MS);
        return 0;
    }
    QString companion =
        QFileInfo(FromUtf8(paths_.programDir)).absoluteFilePath() + "/" + COMPANION_PROGRAM;
    if (QFileInfo(companion).isExecutable()) QProcess::startDetached(companion, {});
    settingsChanged_ = false;
    return std::nullopt;
}

bool CQuorvelDlg::Initialise(QString* error) {
    if (!LoadSkin()) {
        *error = SkinError();
        return false;
    }
    setWindowIcon(LoadProgramIcon(paths_, ICON_NO_KEYBOARD));
    if (dynamic_cast<TooltipDelayStyle*>(QApplication::style()) == nullptr)
        QApplication::setStyle(new TooltipDelayStyle);
    // The desktop's own Documents folder, wherever the user's settings put it.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty()) SetDocumentsFolder(documents.toStdString());
    ready_ = false;
    Shell().mainDialog = this;

    // Binding also starts the presence worker with the number of keyboards attached, and
    // marks the automatic opening done when there is none.
    BindOptions bindOptions;
    bindOptions.virtualKeyboard = options_.virtualKeyboard;
    BindResult bound = link_.Bind(bindOptions);
    if (!bound.Ok()) {
        *error = FromUtf8(bound.message);
        return false;
    }

    if (!LoadStateImages(error)) return false;
    const StateImages buttonLooks{images_.normal, images_.over, images_.down, images_.disable,
                                  images_.down};
    linkAddress_ = FromUtf8(Skin().ReadString(SKIN_SECTION_SCREEN, "Link", HELP_PAGE));
    buttons_ = new WindowButtons(*this, Skin(), buttonLooks, linkAddress_,
                                 [this](int command) { RunCommand(command); });
    EnableApply(false);
    map_ = std::make_unique<KeyboardMap>(
        *this, Skin(), images_, *this, jobs_,
        [this] { return (link_.IndicatorState()[1] & INDICATOR_BANK_B) != 0; },
        [this](const SelectedKey& key) { OpenKeyEditor(key); });
    map_->Place();
    profileBar_ =
        new ProfileBar(*this, Skin(), buttonLooks, [this](int command) { RunCommand(command); });
    busy_ = new BusyIndicator(*this, Skin(), SkinFolder());
    busyNotice_ = new BusyNotice(*this, busy_->geometry(), buttons_->OkPlace().left());
    // The indicator follows the keyboard work; clicks stay refused until the completions ran.
    connect(&jobs_, &KeyboardJobs::WorkingChanged, this, [this](bool working) {
        if (working) {
            busy_->Start();
        } else {
            busy_->Stop();
        }
    });
    connect(&jobs_, &KeyboardJobs::BusyChanged, this, [this](bool busy) {
        if (busy) return;
        busyNotice_->JobEnded();
        // After the events the job's end posted, so the action meets the window as it left it.
        if (std::function<void()> later = std::exchange(putOff_, {}))
            QMetaObject::invokeMethod(this, later, Qt::QueuedConnection);
    });
    connect(map_.get(), &KeyboardMap::ClickRefused, this,
            [this] { busyNotice_->Show(KEYBOARD_BUSY_TEXT); });
    connect(&jobs_, &KeyboardJobs::ProgressChanged, busy_, &BusyIndicator::SetProgress);
    const QString profileSkin = FromUtf8(ReadPathFor(paths_, PROFILE_SKIN_FILE));
    profileManager_ =
        new CQuorvel_DlgProfile(profileSkin, FolderOf(profileSkin), *this, *this, this);
    keyEditor_ = new Quorvel_DlgComposite(
        *this, ProfileWorkingSet::Instance(), SkinFolder(),
        [this] { return OpenLanguageFile(paths_); }, this);
    lightingPanel_ = new CLightingPanel(
        *this, Skin(), SkinFolder(), paths_, link_, jobs_,
        LightingPanelHost{
            .setKeyTint = [this](int position, std::optional<QColor> colour,
                                 bool marked) { map_->SetKeyTint(position, colour, marked); },
            .clearKeyTints = [this] { map_->ClearKeyTints(); },
            .confirmShow =
                [this](std::function<void(bool)> proceed) {
                    SwitchToActiveProfile(std::move(proceed));
                },
            .viewHidden = [this] { map_->RefreshAll(); },
            .resetAssignments = [this] { return map_->ResetProfileAssignments(); },
            .applyAll = [this] { Apply(); }});
    lighting_ = lightingPanel_;
    // The report rate is part of the lighting record the panel reads.
    connect(lightingPanel_, &CLightingPanel::Rebuilt, this,
            [this] { profileBar_->CheckReportRate(lightingPanel_->State().reportRate); });
    map_->SetKeyPainter(lightingPanel_);
    StartProgramProfiles();

    // No task-bar entry while hidden.
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    QString listenError;
    if (!instance_.Listen(
            [this](uint32_t message, uint32_t tag) { HandleShellMessage(message, tag); },
            &listenError)) {
        // Later copies cannot reach this one, but this copy works; they end as before.
        qWarning("quorvel: single-instance channel unavailable: %s", qPrintable(listenError));
    }
    setWindowTitle(FromUtf8(Text("MAIN_CAPTION")));
    Shell().colourKeysMode = 0;
    port_.PostMessage(UM_INIT, UM_INIT_TAG);
    sessionWatcher_.Register();
    ApplyMainCaptions();
    return true;
}

bool CQuorvelDlg::LoadStateImages(QString* error) {
    using namespace skin_names;
    const std::pair<QPixmap MapImages::*, std::string_view> pictures[] = {
        {&MapImages::normal, MAIN_NORMAL},       {&MapImages::over, MAIN_OVER},
        {&MapImages::down, MAIN_DOWN},           {&MapImages::disable, MAIN_DISABLE},
        {&MapImages::secondNormal, MAIN_NORMAL}, {&MapImages::arrow, ARROW},
        {&MapImages::colourOff, MAIN_COLOR0},    {&MapImages::colourOn, MAIN_COLOR1}};
    for (const auto& [picture, name] : pictures) {
        images_.*picture =
            LoadStatePixmap(SkinFolder() + FromUtf8(std::string(name)), Background().size(), error);
        if ((images_.*picture).isNull()) return false;
    }
    return true;
}

void CQuorvelDlg::StartProgramProfiles() {
    programProfiles_ = new AppProfileSwitcher(
        desktop::CreateActiveWindowSource(), DefaultAppRulesPath(),
        AppSwitchHost{.activeProfile = [this] { return link_.CurrentProfileCache(); },
                      .mustWait =
                          [this] {
                              return KeyEditorOpen() || profileManager_->IsOpen() ||
                                     profileManager_->Switching() || settingsChanged_ ||
                                     jobs_.Busy();
                          },
                      .switchProfile = [this](int k) { SelectProfile(k); },
                      .isOwnWindow = IsOwnWindow},
        this);
    const QString skin = FromUtf8(ReadPathFor(paths_, PROGRAM_PROFILES_SKIN_FILE));
    programProfilesDlg_ = new CProgramProfilesDlg(
        skin, FolderOf(skin), programProfiles_->RulesPath(), programProfiles_->Source(), this);
}

void CQuorvelDlg::OnInit() {
    tray_.Create(FromUtf8(Text("KEYBOARD_TRAY_DESC")), ICON_NO_KEYBOARD);
    trayState_.Created();
    ready_ = true;
    // The start-up hides have done their work once the window is hidden here; a later
    // opening must not be swallowed by one still pending.
    pendingHides_ = 0;
    HideMainWindow();
}

}  // namespace quorvel
