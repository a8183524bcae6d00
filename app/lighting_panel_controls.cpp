// The lighting panel's controls: made from the control table and placed by the skin, wired to
// their handlers, and captioned from the skin's texts in the chosen language.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <algorithm>

#include "app/language_file.h"
#include "app/lighting_controls.h"
#include "app/lighting_panel.h"
#include "app/lighting_widgets.h"
#include "skin/png_button.h"
#include "skin/skin_file.h"
#include "skin/skin_names.h"

namespace quorvel {
namespace {

const char* const LABEL_STYLE = "color: #e4e4e4; background: transparent;";
const char* const LIST_STYLE =
    "QComboBox { color: #e4e4e4; background: #1b1e24; border: 1px solid #555c68;"
    " border-radius: 3px; padding: 1px 6px; }"
    "QComboBox QAbstractItemView { color: #e4e4e4; background: #1b1e24;"
    " selection-background-color: #3a4150; }";

QWidget* MakeControl(LightingControlKind kind, QWidget& window) {
    switch (kind) {
        case LightingControlKind::LABEL: {
            auto* label = new QLabel(&window);
            label->setStyleSheet(LABEL_STYLE);
            label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            return label;
        }
        case LightingControlKind::LIST:
        case LightingControlKind::EDITABLE_LIST: {
            auto* list = new QComboBox(&window);
            list->setStyleSheet(LIST_STYLE);
            if (kind == LightingControlKind::EDITABLE_LIST) {
                list->setEditable(true);
                list->setInsertPolicy(QComboBox::NoInsert);
            }
            return list;
        }
        case LightingControlKind::SLIDER:
            return new CLightingSlider(&window);
        case LightingControlKind::PICTURE: {
            auto* button = new CPngButton(&window);
            button->setCursor(Qt::PointingHandCursor);
            return button;
        }
        case LightingControlKind::COLOUR:
            return new CLightingColourButton(&window);
    }
    return nullptr;
}

}  // namespace

QPixmap CLightingPanel::Picture(std::string_view name) const {
    return QPixmap(skinFolder_ + QString::fromUtf8(name.data(), static_cast<int>(name.size())));
}

void CLightingPanel::CreateControls() {
    for (const LightingControlInfo& info : LightingControls()) {
        QWidget* control = MakeControl(info.kind, window_);
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
    ConnectControls();
}

void CLightingPanel::ConnectControls() {
    connect(modeList_, &QComboBox::currentIndexChanged, this, &CLightingPanel::OnModeChosen);
    connect(brightness_, &CLightingSlider::Moved, this, &CLightingPanel::OnBrightness);
    connect(speed_, &CLightingSlider::Moved, this, &CLightingPanel::OnSpeed);
    connect(PictureButton(LIGHTING_DIRECTION_FIRST), &QAbstractButton::clicked, this,
            [this] { OnDirection(1); });
    connect(PictureButton(LIGHTING_DIRECTION_SECOND), &QAbstractButton::clicked, this,
            [this] { OnDirection(0); });
    // The effect colours go to the keyboard while the colour dialog is open (the writer keeps
    // only the newest); the user modes' colours are written to their file once, when chosen.
    for (CLightingColourButton* button : {colourA_, colourB_}) {
        connect(button, &CLightingColourButton::ColourChosen, this,
                &CLightingPanel::OnColourChosen);
        connect(button, &CLightingColourButton::ColourPreviewed, this,
                &CLightingPanel::OnColourChosen);
    }
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
    connect(baseColour_, &CLightingColourButton::ColourPreviewed, this,
            &CLightingPanel::TintBaseKeys);
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
    std::vector<uint8_t> ids = ModeListIds(state_);
    // A mode the keyboard reached without the list (its lighting key steps to the colour
    // presets) gets a row of its own, so the box names the mode the keyboard is in.
    if (state_.modeId > 0 && std::find(ids.begin(), ids.end(), state_.modeId) == ids.end())
        ids.push_back(static_cast<uint8_t>(state_.modeId));
    // Each row keeps the id the keyboard announced for it, whatever order they came in.
    for (uint8_t id : ids) {
        const std::string name = skin_.ReadString(section, std::to_string(id), std::to_string(id));
        modeList_->addItem(QString::fromStdString(name), static_cast<int>(id));
    }
    modeList_->setCurrentIndex(modeList_->findData(state_.modeId));
}

int CLightingPanel::ChosenMode() const {
    const int row = modeList_->currentIndex();
    return row < 0 ? 0 : modeList_->itemData(row).toInt();
}

}  // namespace quorvel
