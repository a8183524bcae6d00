#pragma once
// Lighting previews drawn over the key pictures of the map: a light wash of the colour inside a
// frame of it, and a corner mark for keys the base colour paints.
#include <QColor>
#include <array>
#include <functional>
#include <optional>
#include <vector>

#include "app/key_painter.h"
#include "skin/png_button.h"

namespace quorvel {

class KeyTints {
public:
    // The buttons a tint position draws on: a key, Fn, or all nine G keys.
    using ButtonsOf = std::function<std::vector<CPngButton*>(int position)>;
    explicit KeyTints(ButtonsOf buttonsOf) : buttonsOf_(std::move(buttonsOf)) {}

    // position 0-103, FN_KEY_POSITION or G_KEYS_POSITION; no colour removes the tint.
    void Set(int position, std::optional<QColor> colour, bool marked);
    void Clear();
    // Called from the button's paint, after its picture.
    void Draw(CPngButton& button, int position) const;

private:
    struct Tint {
        QColor colour;
        bool marked = false;
    };
    ButtonsOf buttonsOf_;
    // Indexed by tint position: the map keys, Fn, then the G keys.
    std::array<std::optional<Tint>, G_KEYS_POSITION + 1> tints_{};
};

}  // namespace quorvel
