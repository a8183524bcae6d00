#pragma once
// File names inside the skin folder that the program asks for by name rather than through a
// skin INI. The skin generator draws exactly these, so both sides share this one list.
#include <array>
#include <string_view>

namespace quorvel::skin_names {

inline constexpr std::string_view MAIN_INI = "Main.ini";
inline constexpr std::string_view COMPOSITE_INI = "Composite.ini";
inline constexpr std::string_view PROFILE_INI = "Profile.ini";
inline constexpr std::string_view PROGRAM_PROFILES_INI = "ProgramProfiles.ini";

// Main window state pictures, each a full picture of the window in that state.
inline constexpr std::string_view MAIN_NORMAL = "main_normal.jpg";
inline constexpr std::string_view MAIN_OVER = "main_over.jpg";
inline constexpr std::string_view MAIN_DOWN = "main_down.jpg";
inline constexpr std::string_view MAIN_DISABLE = "main_disable.jpg";
inline constexpr std::string_view MAIN_COLOR0 = "main_color0.jpg";
inline constexpr std::string_view MAIN_COLOR1 = "main_color1.jpg";
inline constexpr std::string_view ARROW = "Arrow.jpg";

// Lighting panel pictures. Slider picture n is "<n>.bmp": brightness positions 0-5 are 0-5,
// speed positions 0-5 are 6-11.
inline constexpr int SLIDER_POSITIONS = 6;
inline constexpr int BRIGHTNESS_SLIDER_FIRST = 0;
inline constexpr int SPEED_SLIDER_FIRST = 6;
inline constexpr std::string_view LIGHTING_SWITCH_ON = "dengdown.bmp";
inline constexpr std::string_view LIGHTING_SWITCH_OFF = "dengup.bmp";
// Busy animation frame n (1-10) is "jdt<n>.bmp".
inline constexpr int BUSY_FRAMES = 10;
// Colourful switches A and B.
inline constexpr std::string_view COLOURFUL_ON = "dcon.bmp";
inline constexpr std::string_view COLOURFUL_OFF = "dcoff.bmp";

// A picture with its selected ("down") and plain ("up") looks.
struct PicturePair {
    std::string_view down;
    std::string_view up;
};
// Direction pictures: first the one that sets direction 1, then the one that sets 0.
inline constexpr std::array<PicturePair, 2> DIRECTION_SIDEWAYS{
    {{"leftdown.bmp", "leftup.bmp"}, {"rightdown.bmp", "rightup.bmp"}}};
inline constexpr std::array<PicturePair, 2> DIRECTION_VERTICAL{
    {{"updown.bmp", "upup.bmp"}, {"downdown.bmp", "downup.bmp"}}};
inline constexpr std::array<PicturePair, 2> DIRECTION_SPREAD{
    {{"kuosandown.bmp", "kuosan.bmp"}, {"julongdown.bmp", "julong.bmp"}}};
// User mode tools 0 and 1.
inline constexpr std::array<PicturePair, 2> TOOLS{
    {{"user1down.bmp", "user1up.bmp"}, {"user2down.bmp", "user2up.bmp"}}};
// Colour presets 0-3: red, yellow, green, blue.
inline constexpr std::array<PicturePair, 4> PRESETS{{{"hongdown.bmp", "hongup.bmp"},
                                                     {"huangdown.bmp", "huangup.bmp"},
                                                     {"lvdown.bmp", "lvup.bmp"},
                                                     {"landown.bmp", "lanup.bmp"}}};

// Composite dialog: button states, and one full picture per page for the page background.
inline constexpr std::string_view COMPOSITE_NORMAL = "Composite_normal.jpg";
inline constexpr std::string_view COMPOSITE_OVER = "Composite_over.jpg";
inline constexpr std::string_view COMPOSITE_DOWN = "Composite_down.jpg";
inline constexpr std::string_view COMPOSITE_DISABLE = "Composite_disable.jpg";
// Pages in the order single key, macro, multimedia, keyboard function.
inline constexpr std::array<std::string_view, 4> COMPOSITE_PAGES{
    "Composite_key.jpg", "Composite_macro.jpg", "Composite_media.jpg", "Composite_function.jpg"};

// Profile manager button states; the down picture also serves as the disabled look.
inline constexpr std::string_view PROFILE_NORMAL = "Profile_normal.jpg";
inline constexpr std::string_view PROFILE_OVER = "Profile_over.jpg";
inline constexpr std::string_view PROFILE_DOWN = "Profile_down.jpg";

// Program profiles dialog button states, as in the profile manager.
inline constexpr std::string_view PROGRAM_PROFILES_NORMAL = "ProgramProfiles_normal.jpg";
inline constexpr std::string_view PROGRAM_PROFILES_OVER = "ProgramProfiles_over.jpg";
inline constexpr std::string_view PROGRAM_PROFILES_DOWN = "ProgramProfiles_down.jpg";

}  // namespace quorvel::skin_names
