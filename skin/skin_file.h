#pragma once
// Reading skin INI files: control rectangles, frame origins and the pictures of a skinned window.
#include <QImage>
#include <QPixmap>
#include <QRegion>
#include <QSize>
#include <QString>
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "base/ini_file.h"

class QWidget;

namespace quorvel {

class CPngButton;
struct StateImages;

inline constexpr std::string_view SKIN_SECTION_SCREEN = "SCREEN";
inline constexpr std::string_view SKIN_SECTION_BUTTONS = "BUTTONINFO";
inline constexpr std::string_view SKIN_SECTION_FRAMES = "BUTTONINFO2";

// A control rectangle in client coordinates. Its x, y are also where the control's piece starts
// in the state pictures.
struct SkinRect {
    int x = 1;
    int y = 1;
    int width = 1;
    int height = 1;

    // A skin marks a control it does not use by putting it at 1,1.
    bool IsUnused() const { return x == 1 && y == 1; }
    bool operator==(const SkinRect&) const = default;
};

// Parses "x,y,width,height" the way "%d,%d,%d,%d" scans it: fields that do not scan keep 1.
SkinRect ParseSkinRect(std::string_view text);

// The rectangle under [section] key; a missing key reads as "1,1,1,1,x".
SkinRect ReadSkinRect(const IniFile& skin, std::string_view section, std::string_view key);

// Full paths of the background and mask pictures named in [SCREEN]; the mask defaults to the
// background.
struct SkinScreen {
    QString mainPath;
    QString maskPath;
};
SkinScreen ReadSkinScreen(const IniFile& skin, const QString& skinFolder);

// Decodes a skin picture. On failure returns a null image and sets error to one line naming
// the file and what went wrong.
QImage LoadSkinPicture(const QString& path, QString* error);

// A state picture made ready for cutting control pieces: the picture drawn unscaled from its
// top-left corner onto a canvas 100 pixels wider and taller than the window's client area, so
// pieces cut near the edges stay inside it. Null with error set when the picture cannot be used.
QPixmap LoadStatePixmap(const QString& path, QSize clientSize, QString* error);

// The button looks of a dialog whose three state pictures (normal, over, down, named inside the
// skin folder) hold all its buttons; the down picture also serves as the disabled and checked
// looks. Nullopt with error set when a picture cannot be used.
std::optional<StateImages> LoadButtonLooks(const QString& skinFolder,
                                           const std::array<std::string_view, 3>& names,
                                           QSize clientSize, QString* error);

// The window shape given by a mask picture: every pixel that is not pure white is inside.
QRegion MaskRegion(const QImage& mask);

// Moves the button to the rectangle of [section] key and gives it the five state images, cut
// from the rectangle's own position. A control placed at 1,1 is disabled. Returns the rectangle.
SkinRect PlaceSkinned(CPngButton& button, const IniFile& skin, std::string_view section,
                      std::string_view key, const StateImages& images);

// Moves any control to the rectangle of [section] key; its look is its own business.
SkinRect PlaceOnly(QWidget& control, const IniFile& skin, std::string_view section,
                   std::string_view key);

// Moves the button to the rectangle of [section] key and shows one image in every state, cut
// from the origin that [frameSection] frameKey gives (only its x and y count).
SkinRect PlaceWithFrame(CPngButton& button, const IniFile& skin, std::string_view section,
                        std::string_view key, std::string_view frameSection,
                        std::string_view frameKey, const QPixmap& image);

}  // namespace quorvel
