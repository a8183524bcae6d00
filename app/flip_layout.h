#pragma once
// The Flip layout of the keyboard map: F1-F4 or the keys D1-D6 in their place, the frame that
// shows which, the two toggles and their arrow indicators. Flip is kept in the user's settings.
#include <QObject>
#include <QString>
#include <array>

#include "app/map_buttons.h"

namespace quorvel {

inline constexpr int CONTROL_FLIP_0 = 1129;
inline constexpr int CONTROL_FLIP_1 = 1130;
inline constexpr int CONTROL_FLIP_2 = 1131;
inline constexpr int CONTROL_LEFT_ARROW = 1132;
inline constexpr int CONTROL_RIGHT_ARROW = 1133;
inline constexpr int CONTROL_FLIP_D1 = 1016;  // D1-D6 are 1016-1021
inline constexpr int FLIP_D_KEY_COUNT = 6;
inline constexpr int FLIP_F_KEY_COUNT = 4;

enum class ArrowSide { Left = 0, Right = 1 };

// Flip as stored in the user's settings: any value other than 0 counts as on.
int ReadFlipSetting();
void WriteFlipSetting(int flip);

class FlipLayout : public QObject {
    Q_OBJECT
public:
    explicit FlipLayout(MapButtons& buttons) : buttons_(buttons) {}

    // FLIP_0 frames the Flip keys and the toggles, so it is placed below them, first.
    void PlaceFrame();
    // D1-D6, the arrows and the toggles; fKeys are F1-F4, which give way to D1-D6.
    void Place(const std::array<CPngButton*, FLIP_F_KEY_COUNT>& fKeys);

    void Toggle();
    // Enables the keys of the stored layout and gives the frame its look.
    void Apply();
    // The toggle of side was drawn; normalLook when with its normal picture.
    void UpdateArrow(ArrowSide side, bool normalLook);

private:
    MapButtons& buttons_;
    std::array<CPngButton*, FLIP_F_KEY_COUNT> fKeys_{};
    std::array<CPngButton*, FLIP_D_KEY_COUNT> dKeys_{};
    CPngButton* frame_ = nullptr;
    std::array<CPngButton*, 2> arrows_{};
    int flip_ = 0;
    struct ArrowState {
        int frame = 1;
        bool show = true;
        QString shownFrame;
    };
    std::array<ArrowState, 2> arrowStates_{};
};

}  // namespace quorvel
