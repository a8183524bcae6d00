#pragma once
// How the keyboard map reaches the lighting panel's per-key painting: while the lighting view
// is shown, a click on a key colours it in the painting mode and does nothing in the others,
// instead of opening the key assignment dialog.
namespace quorvel {

// Key-list position of the Fn key, which takes part only in per-key colouring.
inline constexpr int FN_KEY_POSITION = 104;
// The nine G keys as one tint position: the keyboard lights them with one shared colour.
inline constexpr int G_KEYS_POSITION = 105;

class KeyPainter {
public:
    virtual ~KeyPainter() = default;
    // While the lighting view is shown, key clicks belong to it: they paint or do nothing.
    virtual bool ViewShown() const = 0;
    virtual bool PaintingKeys() const = 0;
    // position: key-list position 0-103, or FN_KEY_POSITION.
    virtual void PaintKey(int position) = 0;
};

}  // namespace quorvel
