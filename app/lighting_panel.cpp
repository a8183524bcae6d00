#include "app/lighting_panel.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTimer>
#include <memory>
#include <set>

#include "app/keyboard_jobs.h"
#include "app/language_file.h"
#include "app/lighting_controls.h"
#include "app/lighting_keyboard.h"
#include "app/lighting_widgets.h"
#include "device/device_link.h"
#include "device/lighting_io.h"
#include "device/result_codes.h"
#include "model/profile_store.h"
#include "skin/png_button.h"
#include "skin/skin_file.h"
#include "skin/skin_names.h"

namespace quorvel {
namespace {

constexpr int NOTICE_MS = 4000;
const char* const LABEL_STYLE = "color: #e4e4e4; background: transparent;";
const char* const LIST_STYLE =
    "QComboBox { color: #e4e4e4; background: #1b1e24; border: 1px solid #555c68;"
    " border-radius: 3px; padding: 1px 6px; }"
    "QComboBox QAbstractItemView { color: #e4e4e4; background: #1b1e24;"
    " selection-background-color: #3a4150; }";

// What the keyboard read hands back to the window's thread.
struct ReadResult {
    LightingState state;
    UserModeState user;
    KeyColourTable table{};
    KeyColourMarks marks{};
    int code = READ_LIGHTING_FAILED;
};

}  // namespace

CLightingPanel::CLightingPanel(QWidget& window, const IniFile& skin, const QString& skinFolder,
                               const ProgramPaths& paths, DeviceLink& link, KeyboardJobs& jobs,
                               LightingPanelHost host)
    : QObject(&window),
      window_(window),
      skin_(skin),
      skinFolder_(skinFolder),
      paths_(paths),
      link_(link),
      jobs_(jobs),
      host_(std::move(host)) {
    CreateControls();
    ApplyCaptions();
    state_.lightingShown = ReadDengCheck();
    Rebuild();
}

CLightingPanel::~CLightingPanel() = default;

QPixmap CLightingPanel::Picture(std::string_view name) const {
    return QPixmap(skinFolder_ + QString::fromUtf8(name.data(), static_cast<int>(name.size())));
}

void CLightingPanel::CreateControls() {
    for (const LightingControlInfo& info : LightingControls()) {
        QWidget* control = nullptr;
        switch (info.kind) {
            case LightingControlKind::LABEL: {
                auto* label = new QLabel(&window_);
                label->setStyleSheet(LABEL_STYLE);
                label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
                control = label;
                break;
            }
            case LightingControlKind::LIST:
            case LightingControlKind::EDITABLE_LIST: {
                auto* list = new QComboBox(&window_);
                list->setStyleSheet(LIST_STYLE);
                if (info.kind == LightingControlKind::EDITABLE_LIST) {
                    list->setEditable(true);
                    list->setInsertPolicy(QComboBox::NoInsert);
                }
                control = list;
                break;
            }
            case LightingControlKind::SLIDER:
                control = new CLightingSlider(&window_);
                break;
            case LightingControlKind::PICTURE: {
                auto* button = new CPngButton(&window_);
                button->setCursor(Qt::PointingHandCursor);
                control = button;
                break;
            }
            case LightingControlKind::COLOUR:
                control = new CLightingColourButton(&window_);
                break;
        }
        control->setObjectName(
            QString::fromUtf8(info.skinKey.data(), static_cast<int>(info.skinKey.size())));
        PlaceOnly(*control, skin_, SKIN_SECTION_BUTTONS, info.skinKey);
        // The switch is always there; everything else waits for the view.
        control->setVisible(info.id == LIGHTING_SWITCH);
        controls_[info.id] = control;
    }
    namespace n = skin_names;
    brightness_ = static_cast<CLightingSlider*>(Control(LIGHTING_BRIGHTNESS_SLIDER));
    speed_ = static_cast<CLightingSlider*>(Control(LIGHTING_SPEED_SLIDER));
    std::array<QPixmap, CLightingSlider::POSITIONS> brightnessPictures, speedPictures;
    for (int i = 0; i < CLightingSlider::POSITIONS; ++i) {
        brightnessPictures[static_cast<size_t>(i)] =
            Picture(std::to_string(n::BRIGHTNESS_SLIDER_FIRST + i) + ".bmp");
        speedPictures[static_cast<size_t>(i)] =
            Picture(std::to_string(n::SPEED_SLIDER_FIRST + i) + ".bmp");
    }
    brightness_->SetPictures(brightnessPictures);
    speed_->SetPictures(speedPictures);
    modeList_ = static_cast<QComboBox*>(Control(LIGHTING_MODE_LIST));
    userModeList_ = static_cast<QComboBox*>(Control(LIGHTING_USER_MODE_LIST));
    colourA_ = static_cast<CLightingColourButton*>(Control(LIGHTING_COLOUR_A));
    colourB_ = static_cast<CLightingColourButton*>(Control(LIGHTING_COLOUR_B));
    userColour_ = static_cast<CLightingColourButton*>(Control(LIGHTING_USER_COLOUR));
    baseColour_ = static_cast<CLightingColourButton*>(Control(LIGHTING_BASE_COLOUR));
    // The automatic colours are those of the default record: red effects, white base.
    colourA_->SetAutomaticColour(COLOUR_RED);
    colourB_->SetAutomaticColour(COLOUR_RED);
    userColour_->SetAutomaticColour(COLOUR_RED);
    baseColour_->SetAutomaticColour(COLOUR_WHITE);

    connect(modeList_, &QComboBox::currentIndexChanged, this, &CLightingPanel::OnModeChosen);
    connect(brightness_, &CLightingSlider::Moved, this, &CLightingPanel::OnBrightness);
    connect(speed_, &CLightingSlider::Moved, this, &CLightingPanel::OnSpeed);
    connect(PictureButton(LIGHTING_DIRECTION_FIRST), &QAbstractButton::clicked, this,
            [this] { OnDirection(1); });
    connect(PictureButton(LIGHTING_DIRECTION_SECOND), &QAbstractButton::clicked, this,
            [this] { OnDirection(0); });
    for (CLightingColourButton* button : {colourA_, colourB_})
        connect(button, &CLightingColourButton::ColourChosen, this,
                &CLightingPanel::OnColourChosen);
    connect(PictureButton(LIGHTING_COLOURFUL_A), &QAbstractButton::clicked, this,
            [this] { OnColourfulToggled(false); });
    connect(PictureButton(LIGHTING_COLOURFUL_B), &QAbstractButton::clicked, this,
            [this] { OnColourfulToggled(true); });
    for (int k = 0; k < PRESET_COUNT; ++k) {
        connect(PictureButton(LIGHTING_PRESET_RED + k), &QAbstractButton::clicked, this,
                [this, k] { OnPresetChosen(k); });
    }
    connect(PictureButton(LIGHTING_SWITCH), &QAbstractButton::clicked, this,
            &CLightingPanel::OnLightingSwitch);
    connect(userModeList_, &QComboBox::currentIndexChanged, this,
            &CLightingPanel::OnUserModeChosen);
    connect(userModeList_->lineEdit(), &QLineEdit::textEdited, this,
            &CLightingPanel::OnUserModeRenamed);
    connect(PictureButton(LIGHTING_TOOL_USER), &QAbstractButton::clicked, this,
            [this] { OnToolChosen(TOOL_USER_COLOUR); });
    connect(PictureButton(LIGHTING_TOOL_BASE), &QAbstractButton::clicked, this,
            [this] { OnToolChosen(TOOL_BASE_COLOUR); });
    connect(userColour_, &CLightingColourButton::ColourChosen, this,
            &CLightingPanel::OnUserColourChosen);
    connect(baseColour_, &CLightingColourButton::ColourChosen, this,
            &CLightingPanel::OnBaseColourChosen);
}

QWidget* CLightingPanel::Control(int id) const {
    auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : found->second;
}

CPngButton* CLightingPanel::PictureButton(int id) const {
    return static_cast<CPngButton*>(Control(id));
}

void CLightingPanel::SetPicture(int id, std::string_view name) {
    const QPixmap picture = Picture(name);
    // Pieces are cut from one pixel up and left of the origin, so (1, 1) shows the whole picture.
    PictureButton(id)->SetImages(1, 1, StateImages{picture, picture, picture, picture, picture});
}

QString CLightingPanel::Label(std::string_view key, const QString& fallback) const {
    const int language = FileLanguageValue(OpenLanguageFile(paths_));
    const std::string_view section = language == 1 ? "Control_Name1" : "Control_Name";
    return QString::fromStdString(skin_.ReadString(section, key, fallback.toStdString()));
}

void CLightingPanel::ApplyCaptions() {
    for (const LightingControlInfo& info : LightingControls()) {
        if (info.labelKey.empty()) continue;
        static_cast<QLabel*>(Control(info.id))->setText(Label(info.labelKey, {}));
    }
    const QString automatic = Label("Auto", "Automatic");
    const QString more = Label("MoreColours", "More colours...");
    for (CLightingColourButton* button : {colourA_, colourB_, userColour_, baseColour_})
        button->SetTexts(automatic, more);
    FillModeList();
}

void CLightingPanel::FillModeList() {
    const int language = FileLanguageValue(OpenLanguageFile(paths_));
    const std::string_view section = language == 1 ? "Mode1" : "Mode";
    const QSignalBlocker blocker(modeList_);
    modeList_->clear();
    // Each row keeps the id the keyboard announced for it, whatever order they came in.
    for (uint8_t id : ModeListIds(state_)) {
        const std::string name = skin_.ReadString(section, std::to_string(id), std::to_string(id));
        modeList_->addItem(QString::fromStdString(name), static_cast<int>(id));
    }
    modeList_->setCurrentIndex(modeList_->findData(state_.modeId));
}

int CLightingPanel::ChosenMode() const {
    const int row = modeList_->currentIndex();
    return row < 0 ? 0 : modeList_->itemData(row).toInt();
}

// ---- Rebuilding from the keyboard's state ----

void CLightingPanel::Reload(bool userModes) {
    auto result = std::make_shared<ReadResult>();
    result->state = state_;
    result->user = user_;
    result->table = table_;
    result->marks = marks_;
    const int generation = ++reloadGeneration_;
    DeviceLink& link = link_;
    const ProgramPaths paths = paths_;
    QPointer<CLightingPanel> self(this);
    jobs_.Run(
        "lighting read",
        [&link, result, paths, userModes](const KeyboardJobs::Report&) {
            UserModeTarget target{paths, result->user, result->table, result->marks};
            result->code = ReadActiveLighting(link, result->state, userModes ? &target : nullptr);
            return result->code;
        },
        [self, result, generation, userModes](int code) {
            // A later read supersedes this one; a failed read leaves the panel as it was.
            if (self == nullptr || generation != self->reloadGeneration_) return;
            if (code != READ_LIGHTING_OK) return;
            self->keyboardGone_ = false;
            // The panel alone writes the view's setting, and a read started before the view
            // opened or closed must not undo that.
            const bool shown = self->state_.lightingShown;
            self->state_ = result->state;
            self->state_.lightingShown = shown;
            if (userModes) {
                self->user_ = result->user;
                self->table_ = result->table;
                self->marks_ = result->marks;
            }
            self->Rebuild();
        });
}

void CLightingPanel::Rebuild() {
    rebuilding_ = true;
    std::vector<QSignalBlocker> blockers;
    for (auto& [id, control] : controls_) blockers.emplace_back(control);
    FillModeList();
    brightness_->SetPosition(state_.brightness);
    speed_->SetPosition(SpeedSliderPosition(state_));
    colourA_->SetColour(state_.colour);
    colourB_->SetColour(state_.colour);
    ShowColourful();
    ShowPresets();
    ShowDirection(state_.modeId);
    if (SupportsUserMode(state_)) FillUserModeList();
    RefreshUserControls();
    ShowSwitch();
    ShowControlsFor(state_.lightingShown ? state_.modeId : -1);
    if (state_.lightingShown) ShowPreview(state_.modeId);
    blockers.clear();
    rebuilding_ = false;
    emit Rebuilt();
}

void CLightingPanel::ShowControlsFor(int modeId) {
    // -1: the view is hidden and only the switch stays.
    std::set<int> shown;
    if (modeId != -1) {
        for (int id : ControlsShownFor(modeId)) shown.insert(id);
        shown.insert({LIGHTING_MODE_LIST, LIGHTING_MODE_LABEL});
    }
    shown.insert(LIGHTING_SWITCH);
    for (auto& [id, control] : controls_) control->setVisible(shown.count(id) != 0);
    if (modeId != -1) ShowDirection(modeId);
}

void CLightingPanel::ShowDirection(int modeId) {
    namespace n = skin_names;
    const EffectMode* mode = FindEffectMode(modeId);
    const LightingGroup group = mode != nullptr ? mode->group : LightingGroup::NONE;
    const auto& pairs = group == LightingGroup::VERTICAL    ? n::DIRECTION_VERTICAL
                        : group == LightingGroup::SPREADING ? n::DIRECTION_SPREAD
                                                            : n::DIRECTION_SIDEWAYS;
    const DirectionPlaces places = DirectionPlacesFor(modeId);
    PlaceOnly(*Control(LIGHTING_DIRECTION_LABEL), skin_, SKIN_SECTION_BUTTONS, places.label);
    PlaceOnly(*Control(LIGHTING_DIRECTION_FIRST), skin_, SKIN_SECTION_BUTTONS, places.first);
    PlaceOnly(*Control(LIGHTING_DIRECTION_SECOND), skin_, SKIN_SECTION_BUTTONS, places.second);
    // The "down" picture marks the side whose value the direction holds.
    SetPicture(LIGHTING_DIRECTION_FIRST, state_.direction == 1 ? pairs[0].down : pairs[0].up);
    SetPicture(LIGHTING_DIRECTION_SECOND, state_.direction == 0 ? pairs[1].down : pairs[1].up);
}

void CLightingPanel::ShowColourful() {
    namespace n = skin_names;
    // Both switches write the colourful byte and the preview follows it, so both show it. The
    // second colourful look only takes part in mode 7, which shows switch A; showing it on
    // switch B drew the steady modes' switch off while the keyboard lit many colours.
    const std::string_view look = state_.colourful ? n::COLOURFUL_ON : n::COLOURFUL_OFF;
    SetPicture(LIGHTING_COLOURFUL_A, look);
    SetPicture(LIGHTING_COLOURFUL_B, look);
}

void CLightingPanel::ShowPresets() {
    namespace n = skin_names;
    for (int k = 0; k < PRESET_COUNT; ++k) {
        const auto& pair = n::PRESETS[static_cast<size_t>(k)];
        SetPicture(LIGHTING_PRESET_RED + k, k == state_.preset ? pair.down : pair.up);
    }
}

void CLightingPanel::ShowSwitch() {
    namespace n = skin_names;
    SetPicture(LIGHTING_SWITCH,
               state_.lightingShown ? n::LIGHTING_SWITCH_ON : n::LIGHTING_SWITCH_OFF);
}

// ---- The effect controls ----

void CLightingPanel::OnModeChosen(int row) {
    if (rebuilding_ || row < 0) return;
    const int id = modeList_->itemData(row).toInt();
    // A row whose id this program does not know shows only the list and writes nothing.
    if (FindEffectMode(id) == nullptr) {
        ShowControlsFor(id);
        PreviewPlain();
        return;
    }
    state_.modeId = id;
    Write("lighting mode", ModeWrite(state_.activeProfile, id, state_), false);
    ShowPreview(id);
    ShowControlsFor(id);
}

void CLightingPanel::OnBrightness(int position) {
    if (std::optional<ParamWrite> write = MoveBrightnessSlider(state_, position))
        Write("lighting brightness", *write, true);
}

void CLightingPanel::OnSpeed(int position) {
    if (std::optional<ParamWrite> write = MoveSpeedSlider(state_, position))
        Write("lighting speed", *write, true);
}

void CLightingPanel::OnDirection(int direction) {
    state_.direction = direction;
    ShowDirection(state_.modeId);
    Write("lighting direction", DirectionWrite(state_.activeProfile, direction), false);
}

void CLightingPanel::OnColourChosen(Colour colour) {
    state_.colourful = false;
    state_.colour = colour;
    colourA_->SetColour(colour);
    colourB_->SetColour(colour);
    ShowColourful();
    Write("lighting colour", ColourWrite(state_.activeProfile, colour), true);
    PreviewSingle(colour);
}

void CLightingPanel::OnColourfulToggled(bool switchB) {
    state_.colourful = !state_.colourful;
    if (switchB) state_.secondColourfulLook = state_.secondColourfulLook != 0 ? 0 : 1;
    ShowColourful();
    Write("lighting colourful", ColourfulWrite(state_.activeProfile, state_.colourful), false);
    if (state_.colourful) {
        PreviewRainbow();
    } else {
        PreviewSingle(state_.colour);
    }
}

void CLightingPanel::OnPresetChosen(int preset) {
    state_.preset = preset;
    ShowPresets();
    Write("lighting preset", PresetWrite(state_.activeProfile, preset), false);
}

// ---- The view ----

void CLightingPanel::OnLightingSwitch() {
    if (state_.lightingShown) {
        HideLightingView();
    } else {
        ShowLightingView();
    }
}

void CLightingPanel::ShowLightingView() {
    // A second click while the switch still asks or waits for the keyboard is not a second
    // request.
    if (state_.lightingShown || showPending_) return;
    if (!host_.confirmShow) {
        OpenView();
        return;
    }
    showPending_ = true;
    QPointer<CLightingPanel> self(this);
    host_.confirmShow([self](bool proceed) {
        if (self == nullptr) return;
        self->showPending_ = false;
        if (proceed) self->OpenView();
    });
}

void CLightingPanel::OpenView() {
    state_.lightingShown = true;
    WriteDengCheck(true);
    ShowSwitch();
    // Never read yet (the keyboard came before the panel): the read rebuilds the open view.
    if (ModeListIds(state_).empty()) Reload(false);
    const int id = ChosenMode() != 0 ? ChosenMode() : state_.modeId;
    ShowPreview(id);
    ShowControlsFor(id);
}

void CLightingPanel::HideLightingView() {
    state_.lightingShown = false;
    WriteDengCheck(false);
    ShowSwitch();
    PreviewPlain();
    ShowControlsFor(-1);
    if (host_.viewHidden) host_.viewHidden();
}

void CLightingPanel::KeyboardGone() {
    keyboardGone_ = true;
    ++reloadGeneration_;
}

// ---- Writing ----

bool CLightingPanel::CanWrite() const {
    return !keyboardGone_ && state_.activeProfile >= 0;
}

void CLightingPanel::Write(const QString& name, const ParamWrite& write, bool latest) {
    DeviceLink& link = link_;
    RunJob(
        name, [&link, write] { return SendParamWrite(link, write); }, latest);
}

void CLightingPanel::RunJob(const QString& name, std::function<int()> job, bool latest) {
    if (!CanWrite()) return;
    QPointer<CLightingPanel> self(this);
    auto work = [job = std::move(job)](const KeyboardJobs::Report&) { return job(); };
    auto done = [self](int result) {
        if (self != nullptr) self->WriteDone(result);
    };
    if (latest) {
        jobs_.RunLatest(name, std::move(work), std::move(done));
    } else {
        jobs_.Run(name, std::move(work), std::move(done));
    }
}

void CLightingPanel::WriteDone(int result) {
    if (result == CMD_OK || keyboardGone_) return;
    // Never show a change the keyboard did not take: show what it holds instead.
    emit WriteFailed(result);
    ShowNotice(Label("WriteFailed", "The keyboard did not take the change; showing its lighting."));
    Reload(false);
}

void CLightingPanel::ShowNotice(const QString& text) {
    const SkinRect place = ReadSkinRect(skin_, SKIN_SECTION_BUTTONS, "CONTROL_DengSettingStatic");
    // Made on first use: a window that never needed it carries no empty caption.
    if (notice_ == nullptr) {
        notice_ = new QLabel(&window_);
        notice_->setObjectName("LIGHTING_NOTICE");
        notice_->setStyleSheet(
            "color: #ffffff; background: #8a2b2b; border-radius: 3px; padding: 2px 6px;");
        notice_->setWordWrap(true);
    }
    notice_->setText(text);
    notice_->setGeometry(place.x, place.y, place.width, place.height * 2);
    notice_->show();
    notice_->raise();
    QTimer::singleShot(NOTICE_MS, notice_, &QWidget::hide);
}

}  // namespace quorvel
