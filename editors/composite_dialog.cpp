#include "editors/composite_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>

#include "base/texts.h"
#include "editors/key_capture.h"
#include "model/key_codes.h"
#include "model/macro_list.h"
#include "model/working_set.h"
#include "skin/png_button.h"
#include "skin/skin_file.h"
#include "skin/skin_names.h"

namespace quorvel {
namespace {

constexpr int KEYBOARD_FUNCTION_COUNT = 11;
constexpr int BUSY_POLL_MS = 250;
// The window system maps the window a little after it is shown.
constexpr int GRAB_RETRY_MS = 200;
const QColor CAPTION_WHITE(0xFF, 0xFF, 0xFF);
constexpr const char* LABEL_STYLE = "color: #e4e4e4; background: transparent;";
constexpr const char* NO_DEVICE_TEXT = "MAIN_NO_DEVICE_PROMPT";
constexpr const char* ON_SCREEN_KEYBOARD = "onboard";

QString FromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

QFont Font(const char* face, double pointSize) {
    QFont font(face);
    font.setPointSizeF(pointSize);
    return font;
}

}  // namespace

QPoint PlaceBesideKey(QRect key, QSize dialog, QRect available) {
    const int left = key.left();
    const int top = key.top();
    const int right = key.left() + key.width();
    const int bottom = key.top() + key.height();
    const int w = dialog.width();
    const int h = dialog.height();
    const bool roomRight = available.left() + available.width() - right >= w;
    const bool roomBelow = available.top() + available.height() - bottom >= h;
    const bool roomLeft = left - available.left() >= w;
    const bool roomAbove = top - available.top() >= h;
    if (roomRight && roomBelow) return {right, bottom};
    if (roomRight && roomAbove) return {right, top - h};
    if (roomLeft && roomBelow) return {left - w, bottom};
    if (roomLeft && roomAbove) return {left - w, top - h};
    // Nothing fits beside the key: keep as much of the dialog on the screen as it allows.
    const int x = std::max(available.left(), std::min(right, available.right() + 1 - w));
    const int y = std::max(available.top(), std::min(bottom, available.bottom() + 1 - h));
    return {x, y};
}

Quorvel_DlgComposite::Quorvel_DlgComposite(EditorHost& host, ProfileWorkingSet& workingSet,
                                           const QString& skinFolder,
                                           std::function<IniFile()> languageFile, QWidget* parent)
    : CBaseDialog(parent, skinFolder + QString::fromUtf8(skin_names::COMPOSITE_INI.data()),
                  skinFolder),
      host_(host),
      workingSet_(workingSet),
      languageFile_(std::move(languageFile)),
      recorder_(SteadyTickClock()) {
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

void Quorvel_DlgComposite::SetClock(TickClock clock) {
    recorder_ = MacroRecorder(std::move(clock));
}

CPngButton& Quorvel_DlgComposite::AddButton(const char* skinKey, bool checkedLook) {
    auto* button = new CPngButton(this);
    button->setObjectName(skinKey);
    button->setFocusPolicy(Qt::NoFocus);
    const StateImages images{looks_[0], looks_[1], looks_[2], looks_[3],
                             checkedLook ? looks_[2] : looks_[0]};
    PlaceSkinned(*button, Skin(), SKIN_SECTION_BUTTONS, skinKey, images);
    button->SetCaptionFont(true, 9, "Tahoma", CAPTION_WHITE, CAPTION_DEFAULT_FORMAT);
    return *button;
}

QLabel& Quorvel_DlgComposite::AddLabel(const char* skinKey, double pointSize) {
    auto* label = new QLabel(this);
    label->setObjectName(skinKey);
    label->setStyleSheet(LABEL_STYLE);
    label->setFont(Font("Tahoma", pointSize));
    label->setWordWrap(true);
    PlaceOnly(*label, Skin(), SKIN_SECTION_BUTTONS, skinKey);
    return *label;
}

bool Quorvel_DlgComposite::BuildControls() {
    if (!LoadSkin()) return false;
    const QSize client = Background().size();
    QString error;
    const std::string_view lookNames[] = {skin_names::COMPOSITE_NORMAL, skin_names::COMPOSITE_OVER,
                                          skin_names::COMPOSITE_DOWN,
                                          skin_names::COMPOSITE_DISABLE};
    for (size_t i = 0; i < looks_.size(); ++i) {
        looks_[i] =
            LoadStatePixmap(SkinFolder() + QString::fromUtf8(lookNames[i].data()), client, &error);
        if (looks_[i].isNull()) return false;
    }
    for (size_t i = 0; i < pageImages_.size(); ++i) {
        pageImages_[i] =
            LoadStatePixmap(SkinFolder() + QString::fromUtf8(skin_names::COMPOSITE_PAGES[i].data()),
                            client, &error);
        if (pageImages_[i].isNull()) return false;
    }

    pageMask_ = new QLabel(this);
    pageMask_->setObjectName("CONTROL_MASK");
    PlaceOnly(*pageMask_, Skin(), SKIN_SECTION_BUTTONS, "CONTROL_MASK");

    const char* pageKeys[] = {"CONTROL_KEY", "CONTROL_MACRO", "CONTROL_MEDIA", "CONTROL_FUNCTION"};
    for (int i = 0; i < 4; ++i) {
        pageButtons_[i] = &AddButton(pageKeys[i], true);
        connect(pageButtons_[i], &QAbstractButton::clicked, this,
                [this, i] { ShowPageButton(static_cast<Page>(i)); });
    }
    clear_ = &AddButton("CONTROL_CLEAR");
    connect(clear_, &QAbstractButton::clicked, this, [this] { ClearKey(); });
    osk_ = &AddButton("CONTROL_OSK");
    connect(osk_, &QAbstractButton::clicked, this, [this] { StartOnScreenKeyboard(); });
    ok_ = &AddButton("CONTROL_OK");
    connect(ok_, &QAbstractButton::clicked, this, [this] { CloseDialog(true); });
    cancel_ = &AddButton("CONTROL_CANCEL");
    connect(cancel_, &QAbstractButton::clicked, this, [this] { CloseDialog(false); });
    apply_ = &AddButton("CONTROL2_APPLY");
    connect(apply_, &QAbstractButton::clicked, this, [this] { ApplyChanges(); });

    heading_ = &AddLabel("KEY_SETTING", 10.8);
    singleHint_ = &AddLabel("TISHI_SINGLE_STATIC", 10.8);
    macroHeading_ = &AddLabel("MARCO_NAME_SETTING", 10.8);
    mediaHeading_ = &AddLabel("MEDIA_SETTING_TISHI", 10.8);
    functionHeading_ = &AddLabel("FUNCTION_KEY_SETTING_TISHI", 10.8);

    keyBox_ = new QLineEdit(this);
    keyBox_->setObjectName("FUNC_KEY_INPUT");
    keyBox_->setReadOnly(true);
    keyBox_->setFocusPolicy(Qt::NoFocus);
    keyBox_->setAlignment(Qt::AlignCenter);
    keyBox_->setFont(Font("Verdana", 18));
    PlaceOnly(*keyBox_, Skin(), SKIN_SECTION_BUTTONS, "FUNC_KEY_INPUT");

    mediaList_ = new QComboBox(this);
    mediaList_->setObjectName("FUNC_MEDIA_SELECT");
    mediaList_->setFont(Font("Verdana", 12));
    PlaceOnly(*mediaList_, Skin(), SKIN_SECTION_BUTTONS, "FUNC_MEDIA_SELECT");
    functionList_ = new QComboBox(this);
    functionList_->setObjectName("FUNC_FUNCTION_SELECT");
    functionList_->setFont(Font("Verdana", 12));
    PlaceOnly(*functionList_, Skin(), SKIN_SECTION_BUTTONS, "FUNC_FUNCTION_SELECT");

    macroBox_ = new QComboBox(this);
    macroBox_->setObjectName("FUNC_MACRO_LIST");
    macroBox_->setEditable(true);
    macroBox_->setInsertPolicy(QComboBox::NoInsert);
    macroBox_->setFont(Font("Verdana", 12));
    macroBox_->setMaxVisibleItems(12);
    PlaceOnly(*macroBox_, Skin(), SKIN_SECTION_BUTTONS, "FUNC_MACRO_LIST");
    // A drop-down box, not a list: only its edit line's height counts.
    macroBox_->resize(macroBox_->width(), macroBox_->sizeHint().height());
    connect(macroBox_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!filling_ && index >= 0) SelectMacro(index);
    });
    connect(macroBox_->lineEdit(), &QLineEdit::textEdited, this,
            [this](const QString& text) { TypeMacroName(text); });
    addMacro_ = &AddButton("FUNC_MACRO_ADD");
    connect(addMacro_, &QAbstractButton::clicked, this, [this] { AddMacro(); });
    deleteMacro_ = &AddButton("FUNC_MACRO_DELETE");
    connect(deleteMacro_, &QAbstractButton::clicked, this, [this] { DeleteMacro(); });

    stepList_ = new QTreeWidget(this);
    stepList_->setObjectName("FUNC_MACRO_LIST2");
    stepList_->setColumnCount(3);
    stepList_->setRootIsDecorated(false);
    stepList_->setUniformRowHeights(true);
    stepList_->setSelectionMode(QAbstractItemView::SingleSelection);
    stepList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    stepList_->header()->setStretchLastSection(true);
    stepList_->setColumnWidth(0, 70);
    stepList_->setColumnWidth(1, 39);
    stepList_->setColumnWidth(2, 76);
    PlaceOnly(*stepList_, Skin(), SKIN_SECTION_BUTTONS, "FUNC_MACRO_LIST2");
    connect(stepList_, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item, int column) { BeginCellEdit(item, column); });

    const char* stepKeys[] = {"FUNC_MACRO_RECORD",     "FUNC_MACRO_DELETE2", "FUNC_MACRO_CLEAR",
                              "FUNC_MACRO_UP_TOP",     "FUNC_MACRO_UP",      "FUNC_MACRO_DOWN",
                              "FUNC_MACRO_DOWN_BOTTOM"};
    for (size_t i = 0; i < stepButtons_.size(); ++i) {
        stepButtons_[i] = &AddButton(stepKeys[i], i == 0);
    }
    connect(stepButtons_[0], &QAbstractButton::clicked, this, [this] { ToggleRecording(); });
    connect(stepButtons_[1], &QAbstractButton::clicked, this, [this] { DeleteStep(); });
    connect(stepButtons_[2], &QAbstractButton::clicked, this, [this] { ClearSteps(); });
    const StepMove moves[] = {MOVE_TOP, MOVE_UP, MOVE_DOWN, MOVE_BOTTOM};
    for (int i = 0; i < 4; ++i) {
        connect(stepButtons_[3 + i], &QAbstractButton::clicked, this,
                [this, move = moves[i]] { MoveSelectedStep(move); });
    }

    recordDelay_ = new QCheckBox(this);
    recordDelay_->setObjectName("FUNC_MACRO_RECORD_DELAY");
    // A box of its own on the dark page, so the option shows when it is off as well.
    recordDelay_->setStyleSheet(
        "QCheckBox { background: transparent; }"
        "QCheckBox::indicator { width: 14px; height: 14px; border: 1px solid #e4e4e4;"
        " background: #15181d; }"
        "QCheckBox::indicator:checked { background: #19a7dd; }");
    PlaceOnly(*recordDelay_, Skin(), SKIN_SECTION_BUTTONS, "FUNC_MACRO_RECORD_DELAY");
    // The option flips on a click; the box only shows it.
    connect(recordDelay_, &QCheckBox::clicked, this, [this] { ToggleRecordDelay(); });
    recordDelayLabel_ = &AddLabel("FUNC_MACRO_RECORD_DELAY2", 9);
    cycles_ = new QLineEdit(this);
    cycles_->setObjectName("FUNC_MACRO_CYCLES");
    PlaceOnly(*cycles_, Skin(), SKIN_SECTION_BUTTONS, "FUNC_MACRO_CYCLES");
    connect(cycles_, &QLineEdit::textChanged, this,
            [this](const QString& text) { SetCyclesText(text); });
    cyclesLabel_ = &AddLabel("FUNC_MACRO_CYCLES_PROMPT", 9);
    meter_ = &AddLabel("FUNC_MACRO_METER", 8);
    meter_->setWordWrap(false);
    return true;
}

std::string Quorvel_DlgComposite::Caption(const IniFile& language, const char* textKey) const {
    std::string text = ReadDirectText(language, textKey);
    return text.empty() ? Text(textKey) : text;
}

void Quorvel_DlgComposite::ApplyCaptions() {
    const IniFile language = languageFile_ ? languageFile_() : IniFile(std::string());
    const auto text = [&](const char* key) { return FromUtf8(Caption(language, key)); };
    pageButtons_[PAGE_KEY]->setText(text("SINGLE_KEY"));
    pageButtons_[PAGE_MACRO]->setText(text("MACRO_SETTING"));
    pageButtons_[PAGE_MEDIA]->setText(text("MULTI_MEDIA"));
    pageButtons_[PAGE_FUNCTION]->setText(text("FUNCTION_KEY"));
    ok_->setText(text("MACRO_OK"));
    cancel_->setText(text("MACRO_CANCLE"));
    const char* stepCaptions[] = {"A_RECORD", "A_DELETE", "A_CLEAR", "A_TOP",
                                  "A_UP",     "A_DOWN",   "A_BOTTOM"};
    for (size_t i = 0; i < stepButtons_.size(); ++i)
        stepButtons_[i]->setText(text(stepCaptions[i]));
    clear_->SetTooltip(text("COMPOSITE_PROMPT_CLEAR"), true);
    osk_->SetTooltip(text("COMPOSITE_PROMPT_OSK"), true);
    heading_->setText(text(macroOnlyKey_ ? "MACRO_EDIT_TISHI" : "KEY_SETTING_TISHI"));
    singleHint_->setText(text("SINGLE_STATIC"));
    macroHeading_->setText(text("MACRO_NAME_SETTING"));
    mediaHeading_->setText(text("MEDIA_EDIT_TISHI"));
    functionHeading_->setText(text("FUNCTION_TISHI"));
    recordDelayLabel_->setText(text("RECORD_DELAY"));
    cyclesLabel_->setText(text("MACRO_CYCLES"));
    stepList_->setHeaderLabels(
        {text("MACRO_KEYS_TISHI"), text("MACRO_ACTION_TISHI"), text("MACRO_DELAY_MS")});
    const std::string_view section =
        IsEnglish(language, LanguageRule::FILE_VALUE) ? ENGLISH_SECTION : CHINESE_SECTION;
    meterText_ = FromUtf8(language.ReadString(section, "MACRO_METER",
                                              "Macro memory: %1 of %2 bytes (%3 without names)"));
    meterUnknownText_ = FromUtf8(language.ReadString(
        section, "MACRO_METER_UNKNOWN",
        "Macro memory: %1 bytes (%3 without names); the keyboard's size is not known yet"));

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
    LoadRecordDelayOption();
    histories_.clear();
    recorder_.Stop();
    FillMacroBox();
    filling_ = true;
    cycles_->setText("1");
    filling_ = false;
    {
        WorkingSetLock data = workingSet_.Lock();
        const KeyAssignment& a = data->keyAreas[area_][editedEntryIndex_];
        pageType_ = a.type;
        initialValue_ = a.value;
    }
    openedType_ = pageType_;

    for (CPngButton* button :
         {pageButtons_[PAGE_KEY], pageButtons_[PAGE_MEDIA], pageButtons_[PAGE_FUNCTION], clear_}) {
        button->setEnabled(!macroOnlyKey_);
        if (macroOnlyKey_) button->setText(QString());
    }
    if (macroOnlyKey_) pageType_ = ASSIGN_MACRO;

    capturedKey_ = 0;
    lastCapturePress_ = 0;
    keyBox_->clear();
    macroPageShown_ = false;
    ShowPage(true);
    SetModified(false);
    UpdateMeter();
    Place();
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
    FinishCellEdit();
    StopRecording();
    StopKeyCapture();
    ReleaseCopies();
    SetModified(false);
    --openCount_;
    done(apply ? QDialog::Accepted : QDialog::Rejected);
}

void Quorvel_DlgComposite::ReleaseCopies() {
    filling_ = true;
    macroBox_->clear();
    stepList_->clear();
    filling_ = false;
    macros_.clear();
    histories_.clear();
    selectedMacro_ = -1;
}

void Quorvel_DlgComposite::Place() {
    const QRect key = host_.KeyRectOnScreen(key_.controlId);
    QScreen* screen = QGuiApplication::screenAt(key.center());
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    move(PlaceBesideKey(key, size(), screen->availableGeometry()));
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
            ShowMacroPage(initial);
            page = PAGE_MACRO;
            break;
        case ASSIGN_MEDIA:
        case ASSIGN_FUNCTION: {
            StopKeyCapture();
            StopRecording();
            const bool media = pageType_ == ASSIGN_MEDIA;
            QComboBox* list = media ? mediaList_ : functionList_;
            if (initial && initialValue_ >= 0 && initialValue_ < list->count())
                list->setCurrentIndex(initialValue_);
            page = media ? PAGE_MEDIA : PAGE_FUNCTION;
            break;
        }
        default:
            StopRecording();
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
        {singleHint_, keyBox_},
        {macroHeading_, macroBox_, addMacro_, deleteMacro_, stepList_, stepButtons_[0],
         stepButtons_[1], stepButtons_[2], stepButtons_[3], stepButtons_[4], stepButtons_[5],
         stepButtons_[6], recordDelay_, recordDelayLabel_, cycles_, cyclesLabel_, meter_},
        {mediaHeading_, mediaList_},
        {functionHeading_, functionList_}};
    for (int i = 0; i < 4; ++i) {
        for (QWidget* control : pages[i]) control->setVisible(i == page);
    }
    if (macroOnlyKey_) {
        for (QWidget* heading : {singleHint_, mediaHeading_, functionHeading_}) heading->hide();
    }
    for (int i = 0; i < 4; ++i) pageButtons_[i]->SetChecked(i == page);
    const QRect rect = pageMask_->geometry();
    pageMask_->setPixmap(pageImages_[page].copy(rect));
    pageMask_->lower();
}

bool Quorvel_DlgComposite::CapturingKeys() const {
    return capturingKeys_;
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

void Quorvel_DlgComposite::StartOnScreenKeyboard() {
    const QString program = QStandardPaths::findExecutable(ON_SCREEN_KEYBOARD);
    if (!program.isEmpty()) QProcess::startDetached(program, {});
}

bool Quorvel_DlgComposite::ApplyChanges() {
    if (openCount_ <= 0 || host_.KeyboardBusy()) return false;
    FinishCellEdit();
    StopRecording();
    WarnCapacity();
    if (openCount_ <= 0) return false;
    // A failed commit keeps the old list; the key is still written.
    CommitMacros(workingSet_, macros_);

    const bool gKey = editedEntryIndex_ >= G_KEY_ENTRY_BANK_A &&
                      editedEntryIndex_ < G_KEY_ENTRY_BANK_B + G_KEY_COUNT;
    const int gIndex = editedEntryIndex_ - G_KEY_ENTRY_BANK_A;
    uint16_t aux = 0;
    if (gKey)
        aux = static_cast<uint16_t>(gIndex < G_KEY_COUNT ? 0x0301 + gIndex
                                                         : 0x1301 + gIndex - G_KEY_COUNT);
    int type = pageType_;
    int32_t value = 0;
    switch (type) {
        case ASSIGN_KEY:
            value = capturedKey_;
            if (capturedKey_ == 0 || KeyIndexOf(capturedKey_) == editedEntryIndex_) {
                type = ASSIGN_DEFAULT;
                value = 0;
            }
            break;
        case ASSIGN_MACRO:
            if (!macros_.empty()) {
                value = MacroIdAt(workingSet_, selectedMacro_);
                aux = static_cast<uint16_t>(CyclesOf(cycles_->text().toStdString()));
            } else {
                type = ASSIGN_DEFAULT;
            }
            break;
        case ASSIGN_MEDIA:
            value = std::max(mediaList_->currentIndex(), 0);
            break;
        case ASSIGN_FUNCTION:
            value = std::max(functionList_->currentIndex(), 0);
            break;
        default:
            break;
    }
    // A program, text, disabled or stop-macro key the user did not move to a page keeps its
    // assignment and its text: this dialog has nothing to put in its place.
    const bool untouched = type == ASSIGN_DISABLED || type == ASSIGN_PROGRAM ||
                           type == ASSIGN_STOP_MACRO || type == ASSIGN_TEXT;
    if (!untouched) {
        WorkingSetLock data = workingSet_.Lock();
        KeyAssignment& entry = data->keyAreas[area_][editedEntryIndex_];
        data->texts.Set(WorkingSetEntryIndex(area_, editedEntryIndex_), std::nullopt);
        entry.type = static_cast<int16_t>(type);
        entry.aux = aux;
        entry.value = value;
    }
    host_.RefreshKey(editedEntryIndex_);
    host_.RefreshAllKeys();
    SetModified(false);
    host_.EnableApply(true);
    return true;
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

void Quorvel_DlgComposite::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            // Neither closes the dialog.
            event->accept();
            return;
        case Qt::Key_F1:
            if (!recorder_.Recording()) host_.OpenHelp();
            event->accept();
            return;
        default:
            break;
    }
    if (event->matches(QKeySequence::Undo)) {
        UndoSteps();
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::Redo) ||
        (event->key() == Qt::Key_Z &&
         event->modifiers() == (Qt::ControlModifier | Qt::ShiftModifier))) {
        RedoSteps();
        event->accept();
        return;
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
