#include "editors/composite_dialog.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <algorithm>

#include "base/texts.h"
#include "editors/assignment_builder.h"
#include "editors/dialog_placement.h"
#include "editors/kept_keys_offer.h"
#include "editors/on_screen_keyboard.h"
#include "model/key_codes.h"
#include "model/macro_list.h"
#include "model/working_set.h"
#include "skin/png_button.h"
#include "skin/skin_names.h"

namespace quorvel {
namespace {

constexpr int KEYBOARD_FUNCTION_COUNT = 11;
constexpr int BUSY_POLL_MS = 250;
// The window system maps the window a little after it is shown.
constexpr int GRAB_RETRY_MS = 200;
constexpr const char* NO_DEVICE_TEXT = "MAIN_NO_DEVICE_PROMPT";
// The title as the skin pictures drew it beside their icon.
constexpr const char* TITLE_STYLE = "color: #d9dde5; background: transparent;";
constexpr double TITLE_PIXELS = 15;
// Room under the key box for the list of keys the desktop keeps and its note.
constexpr int KEPT_KEYS_HEIGHT = 100;

QString FromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

QFont Font(const char* face, double pointSize) {
    QFont font(face);
    font.setPointSizeF(pointSize);
    return font;
}

}  // namespace

Quorvel_DlgComposite::Quorvel_DlgComposite(EditorHost& host, ProfileWorkingSet& workingSet,
                                           const QString& skinFolder,
                                           std::function<IniFile()> languageFile, QWidget* parent)
    : CBaseDialog(parent, skinFolder + QString::fromUtf8(skin_names::COMPOSITE_INI.data()),
                  skinFolder),
      host_(host),
      workingSet_(workingSet),
      languageFile_(std::move(languageFile)),
      skin_(*this) {
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setModal(true);
    setObjectName("Quorvel_DlgComposite");
    capture_ = new KeyCapture(this);
    skinReady_ = BuildControls();
    if (!skinReady_) qWarning("quorvel: key settings skin unusable: %s", qPrintable(SkinError()));
    busyTimer_ = new QTimer(this);
    busyTimer_->setInterval(BUSY_POLL_MS);
    connect(busyTimer_, &QTimer::timeout, this, [this] { RefreshBusy(); });
}

Quorvel_DlgComposite::~Quorvel_DlgComposite() {
    capture_->Stop();
}

bool Quorvel_DlgComposite::BuildControls() {
    if (!skin_.Load()) return false;
    pageMask_ = new QLabel(this);
    pageMask_->setObjectName("CONTROL_MASK");
    skin_.Place(*pageMask_, "CONTROL_MASK");
    title_ = &skin_.Label("TITLE_CAPTION", 11);
    title_->setStyleSheet(TITLE_STYLE);
    QFont titleFont = title_->font();
    titleFont.setPixelSize(static_cast<int>(TITLE_PIXELS));
    titleFont.setWeight(QFont::DemiBold);
    title_->setFont(titleFont);
    title_->setWordWrap(false);

    const char* pageKeys[] = {"CONTROL_KEY", "CONTROL_MACRO", "CONTROL_MEDIA", "CONTROL_FUNCTION"};
    for (int i = 0; i < 4; ++i) {
        pageButtons_[i] = &skin_.Button(pageKeys[i], true);
        connect(pageButtons_[i], &QAbstractButton::clicked, this,
                [this, i] { ShowPageButton(static_cast<Page>(i)); });
    }
    clear_ = &skin_.Button("CONTROL_CLEAR");
    connect(clear_, &QAbstractButton::clicked, this, [this] { ClearKey(); });
    osk_ = &skin_.Button("CONTROL_OSK");
    connect(osk_, &QAbstractButton::clicked, this, [this] { OpenOnScreenKeyboard(); });
    ok_ = &skin_.Button("CONTROL_OK");
    connect(ok_, &QAbstractButton::clicked, this, [this] { CloseDialog(true); });
    cancel_ = &skin_.Button("CONTROL_CANCEL");
    connect(cancel_, &QAbstractButton::clicked, this, [this] { CloseDialog(false); });
    apply_ = &skin_.Button("CONTROL2_APPLY");
    connect(apply_, &QAbstractButton::clicked, this, [this] { ApplyChanges(); });

    heading_ = &skin_.Label("KEY_SETTING", 10.8);
    singleHint_ = &skin_.Label("TISHI_SINGLE_STATIC", 10.8);
    mediaHeading_ = &skin_.Label("MEDIA_SETTING_TISHI", 10.8);
    functionHeading_ = &skin_.Label("FUNCTION_KEY_SETTING_TISHI", 10.8);

    keyBox_ = new QLineEdit(this);
    keyBox_->setObjectName("FUNC_KEY_INPUT");
    keyBox_->setReadOnly(true);
    keyBox_->setFocusPolicy(Qt::NoFocus);
    keyBox_->setAlignment(Qt::AlignCenter);
    keyBox_->setFont(Font("Verdana", 18));
    skin_.Place(*keyBox_, "FUNC_KEY_INPUT");
    keptKeys_ =
        new KeptKeysOffer(*keyBox_, KEPT_KEYS_HEIGHT, {"KEPT_KEYS_NOTE", "KEPT_KEYS_CHOOSE"},
                          [this](ScanCode key) { OnCapturedKey({key}); });
    mediaList_ = new QComboBox(this);
    mediaList_->setObjectName("FUNC_MEDIA_SELECT");
    mediaList_->setFont(Font("Verdana", 12));
    skin_.Place(*mediaList_, "FUNC_MEDIA_SELECT");
    functionList_ = new QComboBox(this);
    functionList_->setObjectName("FUNC_FUNCTION_SELECT");
    functionList_->setFont(Font("Verdana", 12));
    skin_.Place(*functionList_, "FUNC_FUNCTION_SELECT");

    macroPage_ =
        new MacroPage(skin_, {host_, workingSet_, *capture_, *this, [this] { SetModified(true); }});
    return true;
}

std::string Quorvel_DlgComposite::Caption(const IniFile& language, const char* textKey) const {
    std::string text = ReadDirectText(language, textKey);
    return text.empty() ? Text(textKey) : text;
}

void Quorvel_DlgComposite::ApplyCaptions() {
    const IniFile language = languageFile_ ? languageFile_() : IniFile(std::string());
    const auto text = [&](const char* key) { return FromUtf8(Caption(language, key)); };
    title_->setText(text("COMPOSITE_TITLE"));
    pageButtons_[PAGE_KEY]->setText(text("SINGLE_KEY"));
    pageButtons_[PAGE_MACRO]->setText(text("MACRO_SETTING"));
    pageButtons_[PAGE_MEDIA]->setText(text("MULTI_MEDIA"));
    pageButtons_[PAGE_FUNCTION]->setText(text("FUNCTION_KEY"));
    ok_->setText(text("MACRO_OK"));
    cancel_->setText(text("MACRO_CANCLE"));
    apply_->setText(text("COMPOSITE_APPLY"));
    clear_->SetTooltip(text("COMPOSITE_PROMPT_CLEAR"), true);
    OfferOnScreenKeyboard(*osk_, text);
    keptKeys_->ApplyCaptions(text);
    heading_->setText(text(macroOnlyKey_ ? "MACRO_EDIT_TISHI" : "KEY_SETTING_TISHI"));
    singleHint_->setText(text("SINGLE_STATIC"));
    mediaHeading_->setText(text("MEDIA_EDIT_TISHI"));
    functionHeading_->setText(text("FUNCTION_TISHI"));
    macroPage_->ApplyCaptions(text, language);

    mediaList_->clear();
    for (int i = 0; i < MEDIA_COUNT; ++i) mediaList_->addItem(FromUtf8(KeyName(MediaScanCode(i))));
    mediaList_->setCurrentIndex(0);
    functionList_->clear();
    for (int i = 1; i <= KEYBOARD_FUNCTION_COUNT; ++i) {
        functionList_->addItem(FromUtf8(Text("FUNC_KEY_DESC" + std::to_string(i))));
    }
    functionList_->setCurrentIndex(0);
}

bool Quorvel_DlgComposite::Prepare(const SelectedKey& key) {
    if (!skinReady_ || openCount_ > 0) return false;
    const int area = host_.ActiveProfile();
    if (area < 0 || area >= KEY_AREA_COUNT) {
        // No key area to read or write: say so instead of editing a guessed profile.
        host_.ShowMessage(host_.EditorParent(), NO_DEVICE_TEXT, Text(NO_DEVICE_TEXT));
        return false;
    }
    const int entry = key.keyCode >= 0x100 ? G_KEY_ENTRY_BANK_A + (key.keyCode - 0x100)
                                           : static_cast<int>(key.keyCode);
    if (entry < 0 || entry >= G_KEY_ENTRY_BANK_B + G_KEY_COUNT) return false;
    key_ = key;
    area_ = area;
    editedEntryIndex_ = entry;
    macroOnlyKey_ = key.isG9 != 0;
    ++openCount_;

    ApplyCaptions();
    {
        WorkingSetLock data = workingSet_.Lock();
        const KeyAssignment& a = data->keyAreas[area_][editedEntryIndex_];
        pageType_ = a.type;
        initialValue_ = a.value;
    }
    macroPage_->Open(pageType_, initialValue_);

    for (CPngButton* button :
         {pageButtons_[PAGE_KEY], pageButtons_[PAGE_MEDIA], pageButtons_[PAGE_FUNCTION], clear_}) {
        button->setEnabled(!macroOnlyKey_);
        if (macroOnlyKey_) button->setText(QString());
    }
    if (macroOnlyKey_) pageType_ = ASSIGN_MACRO;

    capturedKey_ = 0;
    lastCapturePress_ = 0;
    keyBox_->clear();
    ShowPage(true);
    SetModified(false);
    MoveBesideKey(*this, host_.KeyRectOnScreen(key_.controlId));
    RefreshBusy();
    busyTimer_->start();
    return true;
}

void Quorvel_DlgComposite::Run(const SelectedKey& key) {
    if (!Prepare(key)) return;
    exec();
    // A window that closed us some other way still gets everything released.
    if (openCount_ > 0) CloseDialog(false);
}

void Quorvel_DlgComposite::CancelIfOpen() {
    if (openCount_ <= 0) return;
    // Questions still open inside the dialog answer No; the code after them sees the dialog
    // closed and does nothing more.
    const auto boxes = findChildren<QMessageBox*>();
    CloseDialog(false);
    for (QMessageBox* box : boxes) box->done(QMessageBox::No);
}

void Quorvel_DlgComposite::CloseDialog(bool apply) {
    if (openCount_ <= 0) return;
    if (apply && !ApplyChanges()) return;
    busyTimer_->stop();
    macroPage_->Close();
    StopKeyCapture();
    SetModified(false);
    --openCount_;
    done(apply ? QDialog::Accepted : QDialog::Rejected);
}

void Quorvel_DlgComposite::SetModified(bool modified) {
    modified_ = modified;
    if (apply_) apply_->setEnabled(modified_ && !host_.KeyboardBusy());
}

void Quorvel_DlgComposite::RefreshBusy() {
    // While the keyboard is being written the working set is not ours to change.
    const bool busy = host_.KeyboardBusy();
    ok_->setEnabled(!busy);
    apply_->setEnabled(modified_ && !busy);
}

void Quorvel_DlgComposite::ShowPageButton(Page page) {
    if (openCount_ <= 0) return;
    if (macroOnlyKey_ && page != PAGE_MACRO) return;
    static constexpr int TYPES[] = {ASSIGN_KEY, ASSIGN_MACRO, ASSIGN_MEDIA, ASSIGN_FUNCTION};
    if (page == PAGE_KEY) {
        if (pageType_ == ASSIGN_KEY || pageType_ == ASSIGN_DEFAULT) return;
    } else if (pageType_ == TYPES[page]) {
        return;
    }
    pageType_ = TYPES[page];
    ShowPage(false);
    SetModified(true);
}

void Quorvel_DlgComposite::ClearKey() {
    if (openCount_ <= 0 || macroOnlyKey_) return;
    ShowPageButton(PAGE_KEY);
    if (pageType_ == ASSIGN_KEY) {
        keyBox_->clear();
        capturedKey_ = 0;
        pageType_ = ASSIGN_DEFAULT;
        SetModified(true);
    }
}

void Quorvel_DlgComposite::ShowPage(bool initial) {
    Page page = PAGE_KEY;
    switch (pageType_) {
        case ASSIGN_MACRO:
            StopKeyCapture();
            macroPage_->Show(initial);
            page = PAGE_MACRO;
            break;
        case ASSIGN_MEDIA:
        case ASSIGN_FUNCTION: {
            StopKeyCapture();
            macroPage_->StopRecording();
            const bool media = pageType_ == ASSIGN_MEDIA;
            QComboBox* list = media ? mediaList_ : functionList_;
            if (initial && initialValue_ >= 0 && initialValue_ < list->count())
                list->setCurrentIndex(initialValue_);
            page = media ? PAGE_MEDIA : PAGE_FUNCTION;
            break;
        }
        default:
            macroPage_->StopRecording();
            StartKeyCapture();
            // Only a key assignment's value is a key; other types keep offsets or ids there.
            if (initial && pageType_ == ASSIGN_KEY)
                capturedKey_ = static_cast<ScanCode>(initialValue_);
            if (pageType_ == ASSIGN_KEY && capturedKey_ != 0)
                keyBox_->setText(FromUtf8(KeyName(capturedKey_)));
            break;
    }
    ShowOnlyPageControls(page);
}

void Quorvel_DlgComposite::ShowOnlyPageControls(Page page) {
    const std::vector<QWidget*> pages[4] = {
        {singleHint_, keyBox_}, {}, {mediaHeading_, mediaList_}, {functionHeading_, functionList_}};
    for (int i = 0; i < 4; ++i) {
        for (QWidget* control : pages[i]) control->setVisible(i == page);
    }
    macroPage_->SetVisible(page == PAGE_MACRO);
    keptKeys_->ShowWithPage(page == PAGE_KEY);
    if (macroOnlyKey_) {
        for (QWidget* heading : {singleHint_, mediaHeading_, functionHeading_}) heading->hide();
    }
    for (int i = 0; i < 4; ++i) pageButtons_[i]->SetChecked(i == page);
    const QRect rect = pageMask_->geometry();
    pageMask_->setPixmap(skin_.PageImage(page).copy(rect));
    pageMask_->lower();
}

void Quorvel_DlgComposite::StartKeyCapture() {
    if (capturingKeys_) return;
    capturingKeys_ = true;
    capture_->Start([this](const CapturedKey& key) { OnCapturedKey(key); });
}

void Quorvel_DlgComposite::StopKeyCapture() {
    if (!capturingKeys_) return;
    capturingKeys_ = false;
    capture_->Stop();
}

void Quorvel_DlgComposite::OnCapturedKey(const CapturedKey& key) {
    if (key.autoRepeat) return;
    if (key.release) {
        // Keys that report only their release are taken then; the others were taken on press.
        if (!IsSingleTransitionKey(key.scanCode) || lastCapturePress_ == key.scanCode) return;
    } else {
        lastCapturePress_ = key.scanCode;
    }
    capturedKey_ = key.scanCode;
    keyBox_->setText(FromUtf8(KeyName(capturedKey_)));
    pageType_ = ASSIGN_KEY;
    SetModified(true);
}

void Quorvel_DlgComposite::OpenOnScreenKeyboard() {
    if (openCount_ > 0) StartOnScreenKeyboard();
}

bool Quorvel_DlgComposite::ApplyChanges() {
    if (openCount_ <= 0 || host_.KeyboardBusy()) return false;
    // Whether the macros fit the keyboard is told once, by the main window's Apply that
    // writes them.
    macroPage_->Commit();
    StoreAssignment();
    host_.RefreshKey(editedEntryIndex_);
    host_.RefreshAllKeys();
    SetModified(false);
    host_.EnableApply(true);
    return true;
}

void Quorvel_DlgComposite::StoreAssignment() {
    AssignmentChoice choice;
    choice.entryIndex = editedEntryIndex_;
    choice.pageType = pageType_;
    choice.capturedKey = capturedKey_;
    choice.haveMacros = macroPage_->HasMacros();
    if (choice.haveMacros) choice.macroId = MacroIdAt(workingSet_, macroPage_->SelectedMacro());
    choice.cycles = macroPage_->Cycles();
    choice.mediaIndex = mediaList_->currentIndex();
    choice.functionIndex = functionList_->currentIndex();
    WorkingSetLock data = workingSet_.Lock();
    KeyAssignment& entry = data->keyAreas[area_][editedEntryIndex_];
    const std::optional<KeyAssignment> assignment = BuildAssignment(choice, entry);
    if (!assignment) return;
    data->texts.Set(WorkingSetEntryIndex(area_, editedEntryIndex_), std::nullopt);
    entry = *assignment;
}

void Quorvel_DlgComposite::SelectMedia(int index) {
    mediaList_->setCurrentIndex(index);
}

void Quorvel_DlgComposite::SelectFunction(int index) {
    functionList_->setCurrentIndex(index);
}

QString Quorvel_DlgComposite::KeyBoxText() const {
    return keyBox_->text();
}

QString Quorvel_DlgComposite::TitleText() const {
    return title_->text();
}

void Quorvel_DlgComposite::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            // Neither closes the dialog.
            event->accept();
            return;
        case Qt::Key_F1:
            if (!macroPage_->Recording()) host_.OpenHelp();
            event->accept();
            return;
        default:
            break;
    }
    CBaseDialog::keyPressEvent(event);
}

void Quorvel_DlgComposite::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
        event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    CBaseDialog::keyReleaseEvent(event);
}

void Quorvel_DlgComposite::closeEvent(QCloseEvent* event) {
    CloseDialog(false);
    event->accept();
}

void Quorvel_DlgComposite::showEvent(QShowEvent* event) {
    CBaseDialog::showEvent(event);
    activateWindow();
    capture_->GrabIfShown();
    QTimer::singleShot(GRAB_RETRY_MS, this, [this] {
        activateWindow();
        capture_->GrabIfShown();
    });
}

void Quorvel_DlgComposite::reject() {
    CloseDialog(false);
}

}  // namespace quorvel
