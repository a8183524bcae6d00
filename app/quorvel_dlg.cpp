#include "app/quorvel_dlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QProxyStyle>
#include <QStandardPaths>
#include <QUrl>
#include <algorithm>

#include "app/about_dialog.h"
#include "app/busy_indicator.h"
#include "app/help_page.h"
#include "app/keyboard_map.h"
#include "app/lighting_panel.h"
#include "app/message_boxes.h"
#include "app/profile_bar.h"
#include "app/shell_state.h"
#include "base/atomic_write.h"
#include "base/texts.h"
#include "device/device_snapshot.h"
#include "model/profile_store.h"
#include "model/working_set.h"
#include "skin/skin_file.h"
#include "skin/skin_names.h"

namespace quorvel {
namespace {

constexpr const char* MAIN_SKIN_FILE = "Skins/Main.ini";
constexpr const char* PROFILE_SKIN_FILE = "Skins/Profile.ini";
constexpr const char* HELP_PAGE = "Help/index.html";
constexpr const char* COMPANION_PROGRAM = "RoDodaza";
// The link button opens the user guide unless the skin names a web address.
constexpr const char* DEFAULT_LINK = HELP_PAGE;
// A later copy waits this long for the running one to take its message.
constexpr int HAND_OVER_TIMEOUT_MS = 10000;

constexpr int COMMAND_OK = 1;
constexpr int COMMAND_CANCEL = 2;
constexpr int COMMAND_HELP = 1122;
constexpr int COMMAND_MINIMIZE = 1123;
constexpr int COMMAND_MENU = 1139;
constexpr int COMMAND_LINK = 1121;
constexpr int COMMAND_VERSION = 1134;

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

const QColor CAPTION_WHITE(0xFF, 0xFF, 0xFF);
const QColor CAPTION_GREY(0xE4, 0xE4, 0xE4);

QString FromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

QString SkinFilePath(const ProgramPaths& paths) {
    return FromUtf8(ReadPathFor(paths, MAIN_SKIN_FILE));
}

QString FolderOf(const QString& file) {
    return QFileInfo(file).absolutePath() + "/";
}

// The eleven state pictures, in the order the window keeps them.
std::array<std::string_view, MAIN_IMAGE_COUNT> MainImageNames() {
    using namespace skin_names;
    return {MAIN_NORMAL, MAIN_OVER,    MAIN_DOWN, MAIN_DISABLE, MAIN_NORMAL, MAIN_OVER,
            MAIN_DOWN,   MAIN_DISABLE, ARROW,     MAIN_COLOR0,  MAIN_COLOR1};
}

}  // namespace

CQuorvelDlg::CQuorvelDlg(const ProgramPaths& paths, const StartOptions& options)
    : CBaseDialog(nullptr, SkinFilePath(paths), FolderOf(SkinFilePath(paths))),
      paths_(paths),
      options_(options),
      port_(*this),
      link_(port_),
      tray_(paths),
      sessionWatcher_(sessionAway_) {
    setObjectName("MAIN");
    connect(&tray_, &CTrayIcon::Command, this, &CQuorvelDlg::RunCommand);
}

CQuorvelDlg::~CQuorvelDlg() {
    port_.Shutdown();
    if (Shell().mainDialog.load() == this) Shell().mainDialog.store(nullptr);
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

    EnableApply(false);
    if (!LoadStateImages(error)) return false;
    linkAddress_ = FromUtf8(Skin().ReadString(SKIN_SECTION_SCREEN, "Link", DEFAULT_LINK));
    PlaceControls();
    map_ = std::make_unique<KeyboardMap>(
        *this, Skin(),
        MapImages{images_[0], images_[1], images_[2], images_[3], images_[4], images_[8],
                  images_[9], images_[10]},
        *this, jobs_, [this] { return (link_.IndicatorState()[1] & INDICATOR_BANK_B) != 0; },
        [this](const SelectedKey& key) { OpenKeyEditor(key); });
    map_->Place();
    profileBar_ = new ProfileBar(
        *this, Skin(), StateImages{images_[0], images_[1], images_[2], images_[3], images_[2]},
        [this](int command) { RunCommand(command); });
    busy_ = new BusyIndicator(*this, Skin(), SkinFolder());
    connect(&jobs_, &KeyboardJobs::BusyChanged, this, [this](bool busy) {
        if (busy) {
            busy_->Start();
        } else {
            busy_->Stop();
        }
    });
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
    ReportState();
    return true;
}

bool CQuorvelDlg::LoadStateImages(QString* error) {
    const auto names = MainImageNames();
    for (int i = 0; i < MAIN_IMAGE_COUNT; ++i) {
        images_[i] = LoadStatePixmap(SkinFolder() + FromUtf8(std::string(names[i])),
                                     Background().size(), error);
        if (images_[i].isNull()) return false;
    }
    return true;
}

CPngButton& CQuorvelDlg::AddButton(const char* skinKey, int command) {
    auto* button = new CPngButton(this);
    button->setObjectName(skinKey);
    StateImages looks{images_[0], images_[1], images_[2], images_[3], images_[2]};
    PlaceSkinned(*button, Skin(), SKIN_SECTION_BUTTONS, skinKey, looks);
    connect(button, &QAbstractButton::clicked, this, [this, command] { RunCommand(command); });
    return *button;
}

void CQuorvelDlg::PlaceControls() {
    ok_ = &AddButton("CONTROL_OK", COMMAND_OK);
    cancel_ = &AddButton("CONTROL_CANCEL", COMMAND_CANCEL);
    apply_ = &AddButton("CONTROL2_APPLY", COMMAND_APPLY);
    for (CPngButton* button : {ok_, cancel_, apply_}) {
        button->SetCaptionFont(true, 9, "Tahoma", CAPTION_WHITE, CAPTION_DEFAULT_FORMAT);
    }
    apply_->setEnabled(settingsChanged_);
    help_ = &AddButton("CONTROL_HELP", COMMAND_HELP);
    minimize_ = &AddButton("CONTROL_MINIMIZE", COMMAND_MINIMIZE);
    menu_ = &AddButton("CONTROL_MENU", COMMAND_MENU);
    close_ = &AddButton("CONTROL_CLOSE", COMMAND_CLOSE);
    linkButton_ = &AddButton("ZELTRA_LINK", COMMAND_LINK);
    linkButton_->SetTooltip(linkAddress_, true);
    // The link's words are a caption, not part of the picture, so they follow the language.
    linkButton_->SetCaptionFont(true, 9, "Verdana", CAPTION_GREY,
                                CAPTION_LEFT | CAPTION_VCENTER | CAPTION_SINGLELINE);
    linkButton_->SetMargins(linkButton_->height(), 0, 0, 0);
    version_ = &AddButton("ZELTRA_VER", COMMAND_VERSION);
    version_->SetCaptionFont(true, 8, "Verdana", CAPTION_GREY,
                             CAPTION_VCENTER | CAPTION_SINGLELINE);
    version_->setEnabled(false);

    auto addLabel = [this](const char* skinKey) {
        auto* label = new QLabel(this);
        label->setObjectName(skinKey);
        label->setStyleSheet("color: #e4e4e4; background: transparent;");
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        PlaceOnly(*label, Skin(), SKIN_SECTION_BUTTONS, skinKey);
        return label;
    };
    reportRateLabel_ = addLabel("CONTROL_UsbStatic");
    lightingSettingsLabel_ = addLabel("CONTROL_DengSettingStatic");
    lightingButtonLabel_ = addLabel("CONTROL_LightButtonStatic");
}

void CQuorvelDlg::ApplyMainCaptions() {
    IniFile language = OpenLanguageFile(paths_);
    auto direct = [&](std::string_view key) { return FromUtf8(ReadDirectText(language, key)); };
    if (ok_ != nullptr) {
        ok_->setText(direct("PROFILE_OK"));
        cancel_->setText(direct("PROFILE_CANCLE"));
        apply_->setText(direct("PROFILE_APPLY"));
        help_->SetTooltip(FromUtf8(Text("MAIN_HELP_PROMPT")), true);
        minimize_->SetTooltip(direct("MAIN_MINIMIZE_PROMPT"), true);
        menu_->SetTooltip(direct("MAIN_MENU_PROMPT"), true);
        close_->SetTooltip(direct("MAIN_CLOSE_PROMPT"), true);
        version_->setText(FromUtf8(Text("MAIN_BUTTON_ZELTRA_VER")));
        linkButton_->setText(direct("EXTRA_LINK_TEXT"));
    }
    setWindowTitle(FromUtf8(Text("MAIN_CAPTION")));
    RefreshLightingLabels();
    if (map_ != nullptr) map_->ApplyCaptions();
    if (profileBar_ != nullptr) profileBar_->ApplyCaptions(language);
    if (lighting_ != nullptr) lighting_->ApplyCaptions();
}

void CQuorvelDlg::RefreshLightingLabels() {
    if (reportRateLabel_ == nullptr) return;
    std::optional<LightingLabels> labels =
        ReadLightingLabels(Skin(), FileLanguageValue(OpenLanguageFile(paths_)));
    if (!labels) return;
    reportRateLabel_->setText(FromUtf8(LightingLabel(*labels, "Usb")));
    lightingSettingsLabel_->setText(FromUtf8(LightingLabel(*labels, "Settings")));
    lightingButtonLabel_->setText(FromUtf8(LightingLabel(*labels, "Button")));
}

void CQuorvelDlg::SwitchLanguage(int language) {
    SetCurrentLanguage(static_cast<int16_t>(language));
    // A read-only file keeps its value; the current language still changes for this run.
    StoreLanguageChoice(paths_, language);
    LoadTexts(OpenLanguageFile(paths_));
    ApplyMainCaptions();
    tray_.SetTooltipText(FromUtf8(Text("KEYBOARD_TRAY_DESC")));
    update();
    ReportState();
}

void CQuorvelDlg::HandleShellMessage(uint32_t message, uint32_t tag) {
    if (message == UM_KILL && tag == UM_KILL_TAG) {
        ExitApplication();
    } else if (message == UM_OPEN && tag == UM_OPEN_TAG) {
        ShowMainWindow();
    } else if (message == UM_INIT && tag == UM_INIT_TAG) {
        OnInit();
    } else if (message == UM_PROFILE && tag == UM_PROFILE_TAG) {
        OnProfileMessage();
    } else if (message == UM_DEVICE_GONE && tag == UM_DEVICE_GONE_TAG) {
        OnDeviceGone();
    } else if (message == UM_GKEY_STATE && tag == UM_GKEY_STATE_TAG) {
        OnGKeyState();
    }
}

void CQuorvelDlg::OnInit() {
    tray_.Create(FromUtf8(Text("KEYBOARD_TRAY_DESC")), ICON_NO_KEYBOARD);
    trayIconId_ = ICON_NO_KEYBOARD;
    ready_ = true;
    // The start-up hides have done their work once the window is hidden here; a later
    // opening must not be swallowed by one still pending.
    pendingHides_ = 0;
    hide();
    ReportState();
}

void CQuorvelDlg::HideMainWindow() {
    hide();
}

void CQuorvelDlg::SetTrayIcon(TrayIconMode mode, int iconId) {
    int wanted;
    if (mode == TRAY_SPECIAL_ICON) {
        wanted = ICON_SPECIAL_STATE;
    } else if (mode == TRAY_BASE_ICON) {
        if (iconId != 0) baseIconId_ = iconId;
        wanted = baseIconId_;
    } else {
        return;
    }
    if (wanted == trayIconId_) return;
    tray_.SetIcon(wanted);
    trayIconId_ = wanted;
    ReportState();
}

void CQuorvelDlg::SetDeviceIcon(uint32_t count) {
    SetTrayIcon(TRAY_BASE_ICON, count > 0 ? ICON_KEYBOARD : ICON_NO_KEYBOARD);
}

void CQuorvelDlg::ShowGKeyBank(bool bankB) {
    gKeyBankB_ = bankB;
    if (map_ != nullptr) map_->ShowGKeyBank(bankB);
}

void CQuorvelDlg::EnableApply(bool enable) {
    settingsChanged_ = enable;
    if (apply_ != nullptr) apply_->setEnabled(enable);
}

void CQuorvelDlg::ShowMainWindow() {
    if (!KeyboardPresent()) {
        // Not waited for: a later copy handing over must not hang on an unanswered box.
        ShowTextMessageLater(nullptr, "MAIN_NO_DEVICE_PROMPT");
        return;
    }
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    showNormal();
    raise();
    activateWindow();
    ++openCount_;
    ReportState();
}

// Boxes first: a box inside one of the dialogs runs a nested loop that must end before the
// dialog can close.
void CQuorvelDlg::CloseOpenWindows() {
    CloseOpenMessageBoxes();
    if (about_ != nullptr && about_->isVisible()) about_->reject();
    if (profileManager_ != nullptr) profileManager_->CloseIfOpen();
    CloseKeyEditor();
}

bool CQuorvelDlg::KeyEditorOpen() const {
    return keyEditor_ != nullptr && keyEditor_->IsOpen();
}

void CQuorvelDlg::CloseKeyEditor() {
    if (keyEditor_ != nullptr) keyEditor_->CancelIfOpen();
}

void CQuorvelDlg::ExitApplication() {
    hide();
    CloseOpenWindows();
    instance_.Release();
    tray_.Remove();
    trayIconId_ = 0;
    ready_ = false;
    // Workers still waiting for the window are let go first; then the running keyboard job
    // ends before anything it uses is freed, and the link stops its own workers afterwards.
    port_.Shutdown();
    jobs_.Shutdown();
    EnableApply(false);
    *ProfileWorkingSet::Instance().Lock() = FreshWorkingSetData();
    *DeviceSnapshot::Instance().Take() = WorkingSetData{};
    ReportState();
    done(QDialog::Rejected);
}

void CQuorvelDlg::RunCommand(int command) {
    switch (command) {
        case COMMAND_OK:
            Apply();
            hide();
            break;
        case COMMAND_APPLY:
            Apply();
            break;
        case COMMAND_CANCEL:
            hide();
            break;
        case COMMAND_HELP:
            OpenHelp();
            break;
        case COMMAND_MINIMIZE:
            showMinimized();
            break;
        case COMMAND_MENU:
            ShowMainMenu();
            break;
        case COMMAND_LINK:
            OpenLink();
            break;
        case COMMAND_OPEN:
            ShowMainWindow();
            break;
        case COMMAND_ABOUT:
            OpenAbout();
            break;
        case COMMAND_CLOSE:
        case COMMAND_EXIT:
        case COMMAND_EXIT_ALSO:
            ExitApplication();
            break;
        case COMMAND_CHINESE:
            SwitchLanguage(0);
            break;
        case COMMAND_ENGLISH:
            SwitchLanguage(1);
            break;
        case COMMAND_IMPORT:
            ImportProfileFile();
            break;
        case COMMAND_EXPORT:
            ExportProfileFile();
            break;
        case CONTROL_PROFILE_1:
        case CONTROL_PROFILE_1 + 1:
        case CONTROL_PROFILE_1 + 2:
            SelectProfile(command - CONTROL_PROFILE_1);
            break;
        case CONTROL_PROFILES:
            OpenProfileManager();
            break;
        case COMMAND_QUICK_SWITCH_MENU:
            ShowQuickSwitchMenu();
            break;
        case CONTROL_MACRO:
            // Macro stands for a click on G9.
            if (map_ != nullptr) map_->OnKeyClicked(CONTROL_G9);
            break;
        case CONTROL_DEFAULT:
            // The lighting panel asks, resets the keys through the map and then applies.
            if (!RefuseWhileBusy() && lightingPanel_ != nullptr) lightingPanel_->RestoreDefaults();
            break;
        default: {
            const auto rate =
                std::find(REPORT_RATE_CONTROLS.begin(), REPORT_RATE_CONTROLS.end(), command);
            if (rate != REPORT_RATE_CONTROLS.end()) {
                SetReportRate(int(rate - REPORT_RATE_CONTROLS.begin()));
            } else if (command >= COMMAND_QUICK_SWITCH_DEFAULT &&
                       command <= COMMAND_QUICK_SWITCH_LAST) {
                // Item c switches to profile c - 9001; the default item asks for -1.
                profileManager_->SwitchProfile(command - COMMAND_QUICK_SWITCH_DEFAULT - 1);
            }
            break;
        }
    }
}

// A link without a scheme names a file relative to the program folder.
void CQuorvelDlg::OpenLink() {
    const QUrl url(linkAddress_);
    if (!url.scheme().isEmpty()) {
        QDesktopServices::openUrl(url);
        return;
    }
    const std::string relative = linkAddress_.toStdString();
    QDesktopServices::openUrl(QUrl::fromLocalFile(FromUtf8(ReadPathFor(paths_, relative))));
}

void CQuorvelDlg::OpenHelp() {
    QDesktopServices::openUrl(QUrl::fromLocalFile(FromUtf8(HelpPagePath(paths_))));
}

void CQuorvelDlg::OpenAbout() {
    if (about_ == nullptr) about_ = new CAboutDlg(paths_, this);
    about_->ShowTexts();
}

void CQuorvelDlg::paintEvent(QPaintEvent* event) {
    if (pendingHides_ > 0) {
        --pendingHides_;
        QMetaObject::invokeMethod(this, &QWidget::hide, Qt::QueuedConnection);
        return;
    }
    CBaseDialog::paintEvent(event);
}

void CQuorvelDlg::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            // Never reach OK or Cancel from the keyboard.
            event->accept();
            return;
        case Qt::Key_F1:
            OpenHelp();
            event->accept();
            return;
        default:
            CBaseDialog::keyPressEvent(event);
    }
}

void CQuorvelDlg::closeEvent(QCloseEvent* event) {
    // Closing the window only hides it; the program ends through the exit commands.
    event->ignore();
    hide();
}

void CQuorvelDlg::reject() {
    hide();
}

void CQuorvelDlg::showEvent(QShowEvent* event) {
    CBaseDialog::showEvent(event);
    ReportState();
}

void CQuorvelDlg::hideEvent(QHideEvent* event) {
    CBaseDialog::hideEvent(event);
    ReportState();
}

void CQuorvelDlg::ReportState() {
    static const QString path = qEnvironmentVariable("QUORVEL_SHELL_STATE_FILE");
    if (path.isEmpty()) return;
    QString state = QStringLiteral(
                        "ready=%1\ntray=%2\ntrayCreated=%3\ntrayAvailable=%4\nwindow=%5\n"
                        "opened=%6\nlanguage=%7\n")
                        .arg(ready_)
                        .arg(trayIconId_)
                        .arg(tray_.IsCreated())
                        .arg(CTrayIcon::TrayAvailable())
                        .arg(isVisible() ? "shown" : "hidden")
                        .arg(openCount_)
                        .arg(CurrentLanguage());
    QByteArray bytes = state.toUtf8();
    WriteFileAtomically(path.toStdString(), {reinterpret_cast<const uint8_t*>(bytes.constData()),
                                             static_cast<size_t>(bytes.size())});
}

}  // namespace quorvel
