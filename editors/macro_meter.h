#pragma once
// How much of the keyboard's macro memory the macros on the page would take, in a label under
// the macro page: plain while they fit, amber when only their names do not, red when the
// steps alone do not.
#include <QString>
#include <span>

#include "model/macro.h"

class QLabel;

namespace quorvel {

class IniFile;

class MacroMeter {
public:
    explicit MacroMeter(QLabel& label) : label_(label) {}

    // The meter's texts from the language file: "%1" bytes used, "%2" capacity, "%3" without
    // names.
    void LoadTexts(const IniFile& language);
    // capacity: the keyboard's macro capacity in bytes, 0 when not known.
    void Update(std::span<const MacroRecord> macros, int capacity);

    QString Text() const;
    bool OverCapacity() const { return over_; }

private:
    QLabel& label_;
    QString text_;
    QString unknownText_;
    bool over_ = false;
};

}  // namespace quorvel
