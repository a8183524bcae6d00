#include "editors/macro_meter.h"

#include <QLabel>

#include "base/ini_file.h"
#include "base/texts.h"
#include "device/macro_area.h"

namespace quorvel {

void MacroMeter::LoadTexts(const IniFile& language) {
    const std::string_view section =
        IsEnglish(language, LanguageRule::FILE_VALUE) ? ENGLISH_SECTION : CHINESE_SECTION;
    text_ = QString::fromStdString(language.ReadString(
        section, "MACRO_METER", "Macro memory: %1 of %2 bytes (%3 without names)"));
    unknownText_ = QString::fromStdString(language.ReadString(
        section, "MACRO_METER_UNKNOWN",
        "Macro memory: %1 bytes (%3 without names); the keyboard's size is not known yet"));
}

void MacroMeter::Update(std::span<const MacroRecord> macros, int capacity) {
    const MacroAreaSize sizes = MacroAreaSizes(macros);
    QString colour = "#e4e4e4";
    over_ = false;
    // Both texts may use any of the three numbers.
    const QString text = QString(capacity <= 0 ? unknownText_ : text_)
                             .replace("%1", QString::number(sizes.withNames))
                             .replace("%2", QString::number(capacity))
                             .replace("%3", QString::number(sizes.withoutNames));
    if (capacity > 0) {
        const auto cap = static_cast<size_t>(capacity);
        over_ = sizes.withNames > cap;
        if (sizes.withoutNames > cap) {
            colour = "#ff6060";
        } else if (over_) {
            colour = "#ffc040";
        }
    }
    label_.setText(text);
    label_.setStyleSheet(QString("color: %1; background: transparent;").arg(colour));
}

QString MacroMeter::Text() const {
    return label_.text();
}

}  // namespace quorvel
