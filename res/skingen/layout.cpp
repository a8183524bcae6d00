#include "res/skingen/layout.h"

#include <QRectF>

namespace quorvel::skingen {

namespace {

// Key pitch in pixels and the gap between neighbouring caps.
constexpr double UNIT = 36;
constexpr QSize MAIN_SIZE(1216, 476);
constexpr int PLATE_LEFT = 20;
constexpr int PLATE_TOP = 112;
constexpr int PLATE_RIGHT = 921;
constexpr int PLATE_BOTTOM = 399;
// Origin of the key grid: the G-key column starts here, the main block 1.75 units further.
constexpr double GRID_LEFT = 34;
constexpr double GRID_TOP = 160;
constexpr double BLOCK_LEFT = GRID_LEFT + 1.75 * UNIT;
// The strip above the function row with the Flip layout and the lock indicators.
constexpr int STRIP_TOP = 124;
constexpr int STRIP_HEIGHT = 24;
constexpr int PANEL_LEFT = 936;

struct KeyDef {
    int scanCode;
    double column;  // in units from the left of the main block
    double row;     // in units from the top of the function row
    double width;
    double height;
    const char* legend;
    const char* shifted;
};

// A full-size keyboard. Rows 1-5 sit 0.25 units below the function row.
constexpr KeyDef KEYS[] = {
    // Function row
    {0x001, 0, 0, 1, 1, "Esc", ""},
    {0x03B, 2, 0, 1, 1, "F1", ""},
    {0x03C, 3, 0, 1, 1, "F2", ""},
    {0x03D, 4, 0, 1, 1, "F3", ""},
    {0x03E, 5, 0, 1, 1, "F4", ""},
    {0x03F, 6.5, 0, 1, 1, "F5", ""},
    {0x040, 7.5, 0, 1, 1, "F6", ""},
    {0x041, 8.5, 0, 1, 1, "F7", ""},
    {0x042, 9.5, 0, 1, 1, "F8", ""},
    {0x043, 11, 0, 1, 1, "F9", ""},
    {0x044, 12, 0, 1, 1, "F10", ""},
    {0x057, 13, 0, 1, 1, "F11", ""},
    {0x058, 14, 0, 1, 1, "F12", ""},
    {0x137, 15.25, 0, 1, 1, "PrtSc", ""},
    {0x046, 16.25, 0, 1, 1, "ScrLk", ""},
    {0x045, 17.25, 0, 1, 1, "Pause", ""},
    // Number row
    {0x029, 0, 1.25, 1, 1, "`", "~"},
    {0x002, 1, 1.25, 1, 1, "1", "!"},
    {0x003, 2, 1.25, 1, 1, "2", "@"},
    {0x004, 3, 1.25, 1, 1, "3", "#"},
    {0x005, 4, 1.25, 1, 1, "4", "$"},
    {0x006, 5, 1.25, 1, 1, "5", "%"},
    {0x007, 6, 1.25, 1, 1, "6", "^"},
    {0x008, 7, 1.25, 1, 1, "7", "&"},
    {0x009, 8, 1.25, 1, 1, "8", "*"},
    {0x00A, 9, 1.25, 1, 1, "9", "("},
    {0x00B, 10, 1.25, 1, 1, "0", ")"},
    {0x00C, 11, 1.25, 1, 1, "-", "_"},
    {0x00D, 12, 1.25, 1, 1, "=", "+"},
    {0x00E, 13, 1.25, 2, 1, "Backspace", ""},
    {0x152, 15.25, 1.25, 1, 1, "Ins", ""},
    {0x147, 16.25, 1.25, 1, 1, "Home", ""},
    {0x149, 17.25, 1.25, 1, 1, "PgUp", ""},
    {0x145, 18.5, 1.25, 1, 1, "Num", ""},
    {0x135, 19.5, 1.25, 1, 1, "/", ""},
    {0x037, 20.5, 1.25, 1, 1, "*", ""},
    {0x04A, 21.5, 1.25, 1, 1, "-", ""},
    // Top letter row
    {0x00F, 0, 2.25, 1.5, 1, "Tab", ""},
    {0x010, 1.5, 2.25, 1, 1, "Q", ""},
    {0x011, 2.5, 2.25, 1, 1, "W", ""},
    {0x012, 3.5, 2.25, 1, 1, "E", ""},
    {0x013, 4.5, 2.25, 1, 1, "R", ""},
    {0x014, 5.5, 2.25, 1, 1, "T", ""},
    {0x015, 6.5, 2.25, 1, 1, "Y", ""},
    {0x016, 7.5, 2.25, 1, 1, "U", ""},
    {0x017, 8.5, 2.25, 1, 1, "I", ""},
    {0x018, 9.5, 2.25, 1, 1, "O", ""},
    {0x019, 10.5, 2.25, 1, 1, "P", ""},
    {0x01A, 11.5, 2.25, 1, 1, "[", "{"},
    {0x01B, 12.5, 2.25, 1, 1, "]", "}"},
    {0x02B, 13.5, 2.25, 1.5, 1, "\\", "|"},
    {0x153, 15.25, 2.25, 1, 1, "Del", ""},
    {0x14F, 16.25, 2.25, 1, 1, "End", ""},
    {0x151, 17.25, 2.25, 1, 1, "PgDn", ""},
    {0x047, 18.5, 2.25, 1, 1, "7", ""},
    {0x048, 19.5, 2.25, 1, 1, "8", ""},
    {0x049, 20.5, 2.25, 1, 1, "9", ""},
    {0x04E, 21.5, 2.25, 1, 2, "+", ""},
    // Home row
    {0x03A, 0, 3.25, 1.75, 1, "Caps", ""},
    {0x01E, 1.75, 3.25, 1, 1, "A", ""},
    {0x01F, 2.75, 3.25, 1, 1, "S", ""},
    {0x020, 3.75, 3.25, 1, 1, "D", ""},
    {0x021, 4.75, 3.25, 1, 1, "F", ""},
    {0x022, 5.75, 3.25, 1, 1, "G", ""},
    {0x023, 6.75, 3.25, 1, 1, "H", ""},
    {0x024, 7.75, 3.25, 1, 1, "J", ""},
    {0x025, 8.75, 3.25, 1, 1, "K", ""},
    {0x026, 9.75, 3.25, 1, 1, "L", ""},
    {0x027, 10.75, 3.25, 1, 1, ";", ":"},
    {0x028, 11.75, 3.25, 1, 1, "'", "\""},
    {0x01C, 12.75, 3.25, 2.25, 1, "Enter", ""},
    {0x04B, 18.5, 3.25, 1, 1, "4", ""},
    {0x04C, 19.5, 3.25, 1, 1, "5", ""},
    {0x04D, 20.5, 3.25, 1, 1, "6", ""},
    // Bottom letter row
    {0x02A, 0, 4.25, 2.25, 1, "Shift", ""},
    {0x02C, 2.25, 4.25, 1, 1, "Z", ""},
    {0x02D, 3.25, 4.25, 1, 1, "X", ""},
    {0x02E, 4.25, 4.25, 1, 1, "C", ""},
    {0x02F, 5.25, 4.25, 1, 1, "V", ""},
    {0x030, 6.25, 4.25, 1, 1, "B", ""},
    {0x031, 7.25, 4.25, 1, 1, "N", ""},
    {0x032, 8.25, 4.25, 1, 1, "M", ""},
    {0x033, 9.25, 4.25, 1, 1, ",", "<"},
    {0x034, 10.25, 4.25, 1, 1, ".", ">"},
    {0x035, 11.25, 4.25, 1, 1, "/", "?"},
    {0x036, 12.25, 4.25, 2.75, 1, "Shift", ""},
    {0x148, 16.25, 4.25, 1, 1, "\u2191", ""},
    {0x04F, 18.5, 4.25, 1, 1, "1", ""},
    {0x050, 19.5, 4.25, 1, 1, "2", ""},
    {0x051, 20.5, 4.25, 1, 1, "3", ""},
    {0x11C, 21.5, 4.25, 1, 2, "Enter", ""},
    // Space row; Fn sits between the right Win and App keys
    {0x01D, 0, 5.25, 1.25, 1, "Ctrl", ""},
    {0x15B, 1.25, 5.25, 1.25, 1, "Win", ""},
    {0x038, 2.5, 5.25, 1.25, 1, "Alt", ""},
    {0x039, 3.75, 5.25, 6.25, 1, "", ""},
    {0x138, 10, 5.25, 1, 1, "Alt", ""},
    {0x15C, 11, 5.25, 1, 1, "Win", ""},
    {0x15D, 13, 5.25, 1, 1, "Menu", ""},
    {0x11D, 14, 5.25, 1, 1, "Ctrl", ""},
    {0x14B, 15.25, 5.25, 1, 1, "\u2190", ""},
    {0x150, 16.25, 5.25, 1, 1, "\u2193", ""},
    {0x14D, 17.25, 5.25, 1, 1, "\u2192", ""},
    {0x052, 18.5, 5.25, 2, 1, "0", ""},
    {0x053, 20.5, 5.25, 1, 1, ".", ""},
};
static_assert(std::size(KEYS) == 104, "the keyboard map has 104 keys");

constexpr double FN_COLUMN = 12;
constexpr double FN_ROW = 5.25;

// The control rectangle of a cap: the cap face, leaving the gap between caps, plus the one pixel
// of plate around it that every drawn control keeps as its margin.
QRect Cap(double left, double top, double width, double height) {
    constexpr double GAP = 4;
    const QRectF face(left + GAP / 2, top + GAP / 2, width * UNIT - GAP, height * UNIT - GAP);
    return face.toRect().adjusted(-1, -1, 1, 1);
}

QRect BlockCap(double column, double row, double width = 1, double height = 1) {
    return Cap(BLOCK_LEFT + column * UNIT, GRID_TOP + row * UNIT, width, height);
}

int BlockX(double column) {
    return int(BLOCK_LEFT + column * UNIT);
}

void AddKeyMap(std::vector<SkinControl>& out) {
    for (const KeyDef& key : KEYS) {
        out.push_back({KeySkinName(key.scanCode),
                       BlockCap(key.column, key.row, key.width, key.height), Draw::Key,
                       QString::fromUtf8(key.legend), QString::fromUtf8(key.shifted)});
    }
    out.push_back({"KEY_FN", BlockCap(FN_COLUMN, FN_ROW), Draw::Key, "Fn", ""});

    // G1-G5 run down the left column beside rows 1-5; G6-G9 sit above the number pad.
    for (int g = 1; g <= 5; ++g) {
        out.push_back({QStringLiteral("FUNC_G%1").arg(g),
                       Cap(GRID_LEFT, GRID_TOP + (g + 0.25) * UNIT, 1.25, 1), Draw::GKey,
                       QStringLiteral("G%1").arg(g)});
    }
    for (int g = 6; g <= 9; ++g) {
        out.push_back({QStringLiteral("FUNC_G%1").arg(g), BlockCap(18.5 + (g - 6), 0), Draw::GKey,
                       QStringLiteral("G%1").arg(g)});
    }
    out.push_back({"LOCK_AB", Cap(GRID_LEFT, GRID_TOP, 1.25, 1), Draw::BankLed, "A", "B"});

    // The lock indicators share the strip above the number pad.
    const char* locks[][2] = {{"LOCK_NUM", "NUM"}, {"LOCK_CAPS", "CAPS"}, {"LOCK_SCROLL", "SCRL"}};
    for (int i = 0; i < 3; ++i) {
        const int left = BlockX(18.5 + i * 4.0 / 3);
        out.push_back({locks[i][0],
                       QRect(left + 2, STRIP_TOP, int(4.0 / 3 * UNIT) - 4, STRIP_HEIGHT),
                       Draw::LockLed, locks[i][1]});
    }

    // The Flip layout: six keys that take the place of F1-F4, framed by FLIP_0, with a toggle
    // and an arrow at each end.
    const int flipLeft = BlockX(0.5);
    const int flipRight = BlockX(7.0);
    out.push_back({"FLIP_0", QRect(flipLeft, STRIP_TOP - 2, flipRight - flipLeft, STRIP_HEIGHT + 4),
                   Draw::FlipPanel});
    const int toggleWidth = 26;
    out.push_back({"FLIP_1", QRect(flipLeft + 4, STRIP_TOP, toggleWidth, STRIP_HEIGHT),
                   Draw::FlipToggle, "", "", Icon::Swap});
    out.push_back({"FLIP_2",
                   QRect(flipRight - 4 - toggleWidth, STRIP_TOP, toggleWidth, STRIP_HEIGHT),
                   Draw::FlipToggle, "", "", Icon::Swap});
    const int dLeft = flipLeft + 8 + toggleWidth;
    const double dPitch = (flipRight - flipLeft - 2 * (8 + toggleWidth)) / 6.0;
    for (int d = 1; d <= 6; ++d) {
        const QRectF cell(dLeft + (d - 1) * dPitch + 2, STRIP_TOP, dPitch - 4, STRIP_HEIGHT);
        out.push_back({QStringLiteral("FLIP_D%1").arg(d), cell.toRect(), Draw::FlipKey,
                       QStringLiteral("D%1").arg(d)});
    }
    out.push_back({"LEFT_ARROW", QRect(flipLeft - 16, STRIP_TOP, 14, STRIP_HEIGHT)});
    out.push_back({"RIGHT_ARROW", QRect(flipRight + 2, STRIP_TOP, 14, STRIP_HEIGHT)});
}

void AddMainButtons(std::vector<SkinControl>& out) {
    // Window buttons, top right.
    const struct {
        const char* key;
        Icon icon;
    } windowButtons[] = {{"CONTROL_MENU", Icon::Menu},
                         {"CONTROL_HELP", Icon::Help},
                         {"CONTROL_MINIMIZE", Icon::Minimize},
                         {"CONTROL_CLOSE", Icon::Close}};
    int x = MAIN_SIZE.width() - 20 - 4 * 34 + 6;
    for (const auto& b : windowButtons) {
        out.push_back({b.key, QRect(x, 12, 28, 28), Draw::IconButton, "", "", b.icon});
        x += 34;
    }

    // Profile bar.
    out.push_back({"FUNC_PROFILES", QRect(20, 58, 132, 44), Draw::Tile, "", "", Icon::Folder});
    const char* profiles[] = {"FUNC_PROFILE1", "FUNC_PROFILE2", "FUNC_PROFILE3"};
    for (int i = 0; i < 3; ++i)
        out.push_back({profiles[i], QRect(164 + i * 104, 64, 98, 32), Draw::Button});
    out.push_back({"FUNC_MACRO", QRect(484, 64, 98, 32), Draw::Button});
    out.push_back({"FUNC_DEFAULT", QRect(588, 64, 110, 32), Draw::Button});
    out.push_back({"FUNC_SWITCH", QRect(710, 64, 211, 32), Draw::Button});

    // Bottom bar: report rate, busy indicator, version and link, then OK, Cancel and Apply.
    for (int r = 1; r <= 4; ++r) {
        out.push_back({QStringLiteral("FUNC_REPORT%1").arg(r),
                       QRect(116 + (r - 1) * 48, 422, 42, 30), Draw::ReportRate, "", "", Icon::None,
                       r});
    }
    out.push_back({"ZELTRA_VER", QRect(470, 426, 170, 22), Draw::Flat});
    out.push_back({"ZELTRA_LINK", QRect(648, 424, 120, 26), Draw::Link, "", "", Icon::Globe});
    const char* closing[] = {"CONTROL_OK", "CONTROL_CANCEL", "CONTROL2_APPLY"};
    for (int i = 0; i < 3; ++i) {
        out.push_back({closing[i], QRect(MAIN_SIZE.width() - 20 - (3 - i) * 104 + 6, 420, 98, 34),
                       Draw::Button});
    }
}

void AddLightingPanel(std::vector<SkinControl>& out) {
    const int label = PANEL_LEFT + 14;
    const int control = label + 86;
    const int labelWidth = 80;
    const auto add = [&out](const char* key, QRect rect) { out.push_back({key, rect}); };
    const auto labelAt = [&](const char* key, int y) {
        add(key, QRect(label, y + 3, labelWidth, 22));
    };

    add("CONTROL_LightButtonStatic", QRect(label, 68, 150, 24));
    add("CONTROL_DengStaPic", QRect(PANEL_LEFT + 264 - 14 - 64, 64, 64, 32));
    add("CONTROL_DengSettingStatic", QRect(label, 122, 236, 22));
    labelAt("CONTROL_DengStatic", 152);
    add("CONTROL_XGcombox", QRect(control, 152, 150, 26));
    labelAt("CONTROL_LightStatic", 188);
    add("CONTROL_LightSlider", QRect(control, 189, 150, 24));
    labelAt("CONTROL_SpeedStatic", 222);
    add("CONTROL_SpeedSlider", QRect(control, 223, 150, 24));

    // Rows below the sliders; only one mode group is shown at a time, so groups share them.
    constexpr int ROW_A = 258, ROW_B = 294, ROW_C = 330, ROW_D = 366;
    for (const char* suffix : {"", "2", "3"}) {
        labelAt(qPrintable(QStringLiteral("CONTROL_BLFXStatic%1").arg(suffix)), ROW_A);
        out.push_back(
            {QStringLiteral("CONTROL_BLFXLStaPic%1").arg(suffix), QRect(control, ROW_A, 44, 30)});
        out.push_back({QStringLiteral("CONTROL_BLFXRStaPic%1").arg(suffix),
                       QRect(control + 52, ROW_A, 44, 30)});
    }
    const char* presets[] = {"CONTROL_HONGPIC", "CONTROL_HUANGPIC", "CONTROL_LVPIC",
                             "CONTROL_LANPIC"};
    for (int i = 0; i < 4; ++i) add(presets[i], QRect(label + i * 60, ROW_A, 52, 30));
    labelAt("CONTROL_HXysStatic", ROW_A);
    add("CONTROL_HXysButton", QRect(control, ROW_A + 2, 60, 26));
    labelAt("CONTROL_USERysStatic", ROW_A);
    add("CONTROL_USERysButton", QRect(control, ROW_A + 2, 60, 26));

    labelAt("CONTROL_FYYSStatic", ROW_B);
    add("CONTROL_FYYSButton", QRect(control, ROW_B + 2, 60, 26));
    labelAt("CONTROL_HXsjsStatic", ROW_B);
    add("CONTROL_HXsjsStaPic", QRect(control, ROW_B + 2, 52, 26));
    labelAt("CONTROL_USERjsStatic", ROW_B);
    add("CONTROL_USERjsButton", QRect(control, ROW_B + 2, 60, 26));

    labelAt("CONTROL_FYSJSStatic", ROW_C);
    add("CONTROL_FYSJSStaPic", QRect(control, ROW_C + 2, 52, 26));
    labelAt("CONTROL_USERgjStatic", ROW_C);
    add("CONTROL_USERgjStaPic1", QRect(control, ROW_C, 44, 30));
    add("CONTROL_USERgjStaPic2", QRect(control + 52, ROW_C, 44, 30));

    add("CONTROL_umCombo", QRect(label, ROW_D, 236, 26));

    // Trigger and extra colour controls exist in the window but are never shown.
    for (const char* key : {"CONTROL_FYCFStatic", "CONTROL_FYdjcfStatic", "CONTROL_FYggcfStatc",
                            "CONTROL_JTysStatic", "CONTROL_TSysStatic", "CONTROL_TSsjsStatic",
                            "CONTROL_CDysStatic", "CONTROL_CDsjsStatic"}) {
        labelAt(key, ROW_D);
    }
    for (const char* key : {"CONTROL_FYdjcfStaPic", "CONTROL_FYggcfStaPic", "CONTROL_TSsjsStaPic",
                            "CONTROL_CDsjsStaPic"}) {
        add(key, QRect(control, ROW_D, 52, 26));
    }
    for (const char* key : {"CONTROL_JTysButton", "CONTROL_TSysButton", "CONTROL_CDysButton"}) {
        add(key, QRect(control, ROW_D, 60, 26));
    }

    // Report rate caption and the busy indicator live in the bottom bar.
    add("CONTROL_UsbStatic", QRect(20, 426, 92, 22));
    add("CONTROL_JDTStatic", QRect(318, 431, 140, 12));
}

// A dialog's title: the icon in the picture, the caption beside it drawn by the program in the
// language of the run.
void AddTitle(std::vector<SkinControl>& c, Icon icon) {
    const QRect title(18, 10, 320, 30);
    c.push_back({"CONTROL_TITLE", title, Draw::Title, "", "", icon});
    c.push_back({"TITLE_CAPTION", title.adjusted(title.height() + 2, 0, 0, 0)});
}

}  // namespace

QString KeySkinName(int scanCode) {
    return QStringLiteral("KEY_%1").arg(KeyIndexOf(scanCode), 3, 16, QLatin1Char('0')).toUpper();
}

QRect MainPlateRect() {
    return QRect(QPoint(PLATE_LEFT, PLATE_TOP), QPoint(PLATE_RIGHT, PLATE_BOTTOM));
}
QRect MainPanelRect() {
    return QRect(QPoint(PANEL_LEFT, 56), QPoint(MAIN_SIZE.width() - 16, PLATE_BOTTOM));
}

DialogSkin MainSkin() {
    DialogSkin skin{"Main.ini", "main_normal.jpg", "main_mask.png", MAIN_SIZE, {}};
    AddKeyMap(skin.controls);
    AddMainButtons(skin.controls);
    AddLightingPanel(skin.controls);
    return skin;
}

QRect CompositePageRect() {
    return QRect(20, 124, 560, 276);
}

DialogSkin CompositeSkin() {
    DialogSkin skin{
        "Composite.ini", "Composite_normal.jpg", "Composite_mask.png", QSize(600, 460), {}};
    auto& c = skin.controls;
    AddTitle(c, Icon::Keyboard);
    c.push_back({"KEY_SETTING", QRect(20, 50, 560, 24)});
    const char* pages[] = {"CONTROL_KEY", "CONTROL_MACRO", "CONTROL_MEDIA", "CONTROL_FUNCTION"};
    for (int i = 0; i < 4; ++i)
        c.push_back({pages[i], QRect(20 + i * 120, 80, 114, 34), Draw::Button});
    c.push_back({"CONTROL_CLEAR", QRect(508, 80, 34, 34), Draw::IconButton, "", "", Icon::Clear});
    c.push_back({"CONTROL_OSK", QRect(546, 80, 34, 34), Draw::IconButton, "", "", Icon::Keyboard});
    c.push_back({"CONTROL_MASK", CompositePageRect()});

    // Single key, multimedia and keyboard-function pages: a hint and one box.
    c.push_back({"TISHI_SINGLE_STATIC", QRect(44, 146, 512, 44)});
    c.push_back({"FUNC_KEY_INPUT", QRect(120, 214, 360, 52)});
    c.push_back({"MEDIA_SETTING_TISHI", QRect(44, 146, 512, 24)});
    c.push_back({"FUNC_MEDIA_SELECT", QRect(120, 214, 360, 32)});
    c.push_back({"FUNCTION_KEY_SETTING_TISHI", QRect(44, 146, 512, 24)});
    c.push_back({"FUNC_FUNCTION_SELECT", QRect(120, 214, 360, 32)});

    // Macro page: macro box on the left, steps in the middle, step buttons on the right.
    c.push_back({"MARCO_NAME_SETTING", QRect(36, 132, 200, 22)});
    c.push_back({"FUNC_MACRO_LIST", QRect(36, 158, 200, 188)});
    c.push_back({"FUNC_MACRO_ADD", QRect(36, 354, 34, 30), Draw::IconButton, "", "", Icon::Plus});
    c.push_back(
        {"FUNC_MACRO_DELETE", QRect(76, 354, 34, 30), Draw::IconButton, "", "", Icon::Minus});
    c.push_back({"FUNC_MACRO_CYCLES_PROMPT", QRect(116, 358, 76, 22)});
    c.push_back({"FUNC_MACRO_CYCLES", QRect(194, 356, 42, 26)});
    c.push_back({"FUNC_MACRO_LIST2", QRect(248, 132, 202, 214)});
    c.push_back({"FUNC_MACRO_RECORD_DELAY", QRect(248, 359, 20, 20)});
    c.push_back({"FUNC_MACRO_RECORD_DELAY2", QRect(272, 358, 178, 22)});
    // How much of the keyboard's macro memory the macros take.
    c.push_back({"FUNC_MACRO_METER", QRect(36, 384, 530, 15)});
    const char* steps[] = {"FUNC_MACRO_RECORD",     "FUNC_MACRO_DELETE2", "FUNC_MACRO_CLEAR",
                           "FUNC_MACRO_UP_TOP",     "FUNC_MACRO_UP",      "FUNC_MACRO_DOWN",
                           "FUNC_MACRO_DOWN_BOTTOM"};
    for (int i = 0; i < 7; ++i)
        c.push_back({steps[i], QRect(460, 132 + i * 36, 106, 30), Draw::Button});

    c.push_back({"CONTROL_OK", QRect(290, 414, 92, 32), Draw::Button});
    c.push_back({"CONTROL_CANCEL", QRect(388, 414, 92, 32), Draw::Button});
    c.push_back({"CONTROL2_APPLY", QRect(486, 414, 94, 32), Draw::Button});
    return skin;
}

DialogSkin ProfileSkin() {
    DialogSkin skin{"Profile.ini", "Profile_normal.jpg", "Profile_mask.png", QSize(560, 344), {}};
    auto& c = skin.controls;
    AddTitle(c, Icon::Folder);
    c.push_back({"PROGRAM_LIST", QRect(20, 60, 430, 224)});
    c.push_back({"FUNC_ADD", QRect(462, 60, 80, 32), Draw::Button});
    c.push_back({"FUNC_LOAD", QRect(462, 98, 80, 32), Draw::Button});
    c.push_back({"FUNC_DELETE", QRect(462, 136, 80, 32), Draw::Button});
    c.push_back({"CONTROL_OK", QRect(258, 298, 88, 32), Draw::Button});
    c.push_back({"CONTROL_CANCEL", QRect(352, 298, 92, 32), Draw::Button});
    c.push_back({"CONTROL2_APPLY", QRect(450, 298, 92, 32), Draw::Button});
    return skin;
}

DialogSkin ProgramProfilesSkin() {
    DialogSkin skin{"ProgramProfiles.ini",
                    "ProgramProfiles_normal.jpg",
                    "ProgramProfiles_mask.png",
                    QSize(560, 448),
                    {}};
    auto& c = skin.controls;
    AddTitle(c, Icon::Swap);
    c.push_back({"SUPPORT_STATE", QRect(20, 48, 520, 40)});
    c.push_back({"SWITCH_ENABLE", QRect(20, 92, 520, 26)});
    c.push_back({"RULES_TABLE", QRect(20, 126, 420, 176)});
    c.push_back({"FUNC_REMOVE", QRect(452, 126, 88, 32), Draw::Button});
    c.push_back({"OPEN_WINDOWS", QRect(20, 314, 320, 30)});
    c.push_back({"FUNC_ADD", QRect(348, 313, 92, 32), Draw::Button});
    c.push_back({"DEFAULT_CAPTION", QRect(20, 358, 300, 30)});
    c.push_back({"DEFAULT_PROFILE", QRect(324, 358, 116, 30)});
    c.push_back({"CONTROL_OK", QRect(352, 402, 92, 32), Draw::Button});
    c.push_back({"CONTROL_CANCEL", QRect(450, 402, 92, 32), Draw::Button});
    return skin;
}

QSize ArrowPictureSize() {
    return QSize(8 * 16, 26);
}

std::vector<SkinFrame> ArrowFrames() {
    std::vector<SkinFrame> frames;
    int cell = 0;
    for (int frame = 1; frame <= 2; ++frame) {
        for (const bool left : {true, false}) {
            for (const bool up : {true, false}) {
                const QString name = QStringLiteral("%1_ARROW_%2%3")
                                         .arg(up ? "UP" : "DOWN", left ? "LEFT" : "RIGHT")
                                         .arg(frame);
                frames.push_back(
                    {name, QRect(cell * 16 + 1, 1, 14, STRIP_HEIGHT), up, left, frame});
                ++cell;
            }
        }
    }
    return frames;
}

}  // namespace quorvel::skingen
