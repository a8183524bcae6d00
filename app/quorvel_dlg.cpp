#include "app/quorvel_dlg.h"

#include <QCloseEvent>
#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QUrl>

#include "app/about_dialog.h"
#include "app/message_boxes.h"
#include "app/shell_state.h"
#include "base/atomic_write.h"
#include "base/texts.h"
#include "model/working_set.h"
#include "skin/skin_file.h"
#include "skin/skin_names.h"

namespace quorvel {
namespace {

constexpr const char* MAIN_SKIN_FILE = "Skins/Main.ini";
constexpr const char* HELP_PAGE = "Help/index.html";
constexpr const char* COMPANION_PROGRAM = "RoDodaza";
// The link button opens the user guide unless the skin names a web address.
constexpr const char* DEFAULT_LINK = HELP_PAGE;
// A later copy waits this long for the running one to take its message.
constexpr int HAND_OVER_TIMEOUT_MS = 10000;

constexpr int COMMAND_OK = 1;
constexpr int COMMAND_CANCEL = 2;
constexpr int COMMAND_APPLY = 1006;
constexpr int COMMAND_HELP = 1122;
constexpr int COMMAND_MINIMIZE = 1123;
constexpr int COMMAND_MENU = 1139;
constexpr int COMMAND_LINK = 1121;
constexpr int COMMAND_VERSION = 1134;

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
    macroEvents_.Create();
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
    }
    setWindowTitle(FromUtf8(Text("MAIN_CAPTION")));
    RefreshLightingLabels();
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
    } else if (message == UM_DEVICE_GONE && tag == UM_DEVICE_GONE_TAG) {
        CloseOpenWindows();
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

void CQuorvelDlg::HandleTimer(int timerId) {
    if (timerId == TIMER_LIGHTING_REFRESH) port_.StopTimer(TIMER_LIGHTING_REFRESH);
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

void CQuorvelDlg::CloseOpenWindows() {
    if (about_ != nullptr && about_->isVisible()) about_->reject();
    CloseOpenMessageBoxes();
}

void CQuorvelDlg::ExitApplication() {
    hide();
    CloseOpenWindows();
    instance_.Release();
    macroEvents_.Close();
    tray_.Remove();
    trayIconId_ = 0;
    EnableApply(false);
    *ProfileWorkingSet::Instance().Lock() = FreshWorkingSetData();
    ready_ = false;
    // Workers still waiting for the window are let go; the link stops them afterwards.
    port_.Shutdown();
    ReportState();
    done(QDialog::Rejected);
}

void CQuorvelDlg::RunCommand(int command) {
    switch (command) {
        case COMMAND_OK:
            // Apply has nothing to write while no setting has changed.
            hide();
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
        default:
            break;
    }
}

void CQuorvelDlg::ShowMainMenu() {
    IniFile language = OpenLanguageFile(paths_);
    mainMenu_ = std::make_unique<QMenu>();
    auto add = [&](std::string_view key, int command) {
        QAction* action = mainMenu_->addAction(FromUtf8(ReadDirectText(language, key)));
        action->setData(command);
        connect(action, &QAction::triggered, this, [this, command] { RunCommand(command); });
        return action;
    };
    // Import and export arrive with the profile files; until then they are shown unusable.
    add("MENU_1", COMMAND_IMPORT)->setEnabled(false);
    add("MENU_2", COMMAND_EXPORT)->setEnabled(false);
    add("MENU_3", COMMAND_ABOUT);
    add("CHINESE_5", COMMAND_CHINESE);
    add("ENGINSH_6", COMMAND_ENGLISH);
    mainMenu_->popup(QCursor::pos());
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
    QDesktopServices::openUrl(QUrl::fromLocalFile(FromUtf8(ReadPathFor(paths_, HELP_PAGE))));
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
