#include "app/window_buttons.h"

#include <QLabel>
#include <QWidget>

#include "app/language_file.h"
#include "base/texts.h"
#include "skin/skin_file.h"

namespace quorvel {
namespace {

const QColor CAPTION_WHITE(0xFF, 0xFF, 0xFF);
const QColor CAPTION_GREY(0xE4, 0xE4, 0xE4);

QString FromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

WindowButtons::WindowButtons(QWidget& window, const IniFile& skin, const StateImages& looks,
                             const QString& linkAddress, Command command)
    : QObject(&window), window_(window), skin_(skin), looks_(looks), command_(std::move(command)) {
    ok_ = &AddButton("CONTROL_OK", COMMAND_OK);
    cancel_ = &AddButton("CONTROL_CANCEL", COMMAND_CANCEL);
    apply_ = &AddButton("CONTROL2_APPLY", COMMAND_APPLY);
    for (CPngButton* button : {ok_, cancel_, apply_}) {
        button->SetCaptionFont(true, 9, "Tahoma", CAPTION_WHITE, CAPTION_DEFAULT_FORMAT);
    }
    apply_->setEnabled(false);
    help_ = &AddButton("CONTROL_HELP", COMMAND_HELP);
    minimize_ = &AddButton("CONTROL_MINIMIZE", COMMAND_MINIMIZE);
    menu_ = &AddButton("CONTROL_MENU", COMMAND_MENU);
    close_ = &AddButton("CONTROL_CLOSE", COMMAND_CLOSE);
    link_ = &AddButton("ZELTRA_LINK", COMMAND_LINK);
    link_->SetTooltip(linkAddress, true);
    // The link's words are a caption, not part of the picture, so they follow the language.
    link_->SetCaptionFont(true, 9, "Verdana", CAPTION_GREY,
                          CAPTION_LEFT | CAPTION_VCENTER | CAPTION_SINGLELINE);
    link_->SetMargins(link_->height(), 0, 0, 0);
    version_ = &AddButton("ZELTRA_VER", COMMAND_VERSION);
    version_->SetCaptionFont(true, 8, "Verdana", CAPTION_GREY,
                             CAPTION_VCENTER | CAPTION_SINGLELINE);
    version_->setEnabled(false);

    reportRateLabel_ = &AddLabel("CONTROL_UsbStatic");
    lightingSettingsLabel_ = &AddLabel("CONTROL_DengSettingStatic");
    lightingButtonLabel_ = &AddLabel("CONTROL_LightButtonStatic");
}

CPngButton& WindowButtons::AddButton(const char* skinKey, int command) {
    auto* button = new CPngButton(&window_);
    button->setObjectName(skinKey);
    PlaceSkinned(*button, skin_, SKIN_SECTION_BUTTONS, skinKey, looks_);
    connect(button, &QAbstractButton::clicked, this, [this, command] { command_(command); });
    return *button;
}

QLabel& WindowButtons::AddLabel(const char* skinKey) {
    auto* label = new QLabel(&window_);
    label->setObjectName(skinKey);
    label->setStyleSheet("color: #e4e4e4; background: transparent;");
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    PlaceOnly(*label, skin_, SKIN_SECTION_BUTTONS, skinKey);
    return *label;
}

void WindowButtons::ApplyCaptions(const IniFile& language) {
    auto direct = [&](std::string_view key) { return FromUtf8(ReadDirectText(language, key)); };
    ok_->setText(direct("PROFILE_OK"));
    cancel_->setText(direct("PROFILE_CANCLE"));
    apply_->setText(direct("PROFILE_APPLY"));
    help_->SetTooltip(FromUtf8(Text("MAIN_HELP_PROMPT")), true);
    minimize_->SetTooltip(direct("MAIN_MINIMIZE_PROMPT"), true);
    menu_->SetTooltip(direct("MAIN_MENU_PROMPT"), true);
    close_->SetTooltip(direct("MAIN_CLOSE_PROMPT"), true);
    version_->setText(FromUtf8(Text("MAIN_BUTTON_ZELTRA_VER")));
    link_->setText(direct("EXTRA_LINK_TEXT"));

    const std::optional<LightingLabels> labels =
        ReadLightingLabels(skin_, FileLanguageValue(language));
    if (!labels) return;
    reportRateLabel_->setText(FromUtf8(LightingLabel(*labels, "Usb")));
    lightingSettingsLabel_->setText(FromUtf8(LightingLabel(*labels, "Settings")));
    lightingButtonLabel_->setText(FromUtf8(LightingLabel(*labels, "Button")));
}

void WindowButtons::EnableApply(bool enable) {
    apply_->setEnabled(enable);
}

QRect WindowButtons::OkPlace() const {
    return ok_->geometry();
}

}  // namespace quorvel
