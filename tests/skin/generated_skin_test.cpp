// Checks the skin the generator drew: every rectangle the windows read is there and sensible,
// and every picture an INI or the program names exists and decodes.
#include <gtest/gtest.h>

#include <QImageReader>
#include <set>

#include "base/ini_file.h"
#include "skin/skin_file.h"
#include "skin/skin_names.h"

namespace quorvel {
namespace {

const QString SKINS = QStringLiteral(QUORVEL_SKIN_DIR) + "/";

QString Name(std::string_view name) {
    return QString::fromUtf8(name.data(), qsizetype(name.size()));
}

IniFile Open(std::string_view name) {
    return IniFile((SKINS + Name(name)).toStdString());
}

QSize PictureSize(const QString& name) {
    QImageReader reader(SKINS + name);
    const QImage image = reader.read();
    EXPECT_FALSE(image.isNull()) << name.toStdString() << ": "
                                 << reader.errorString().toStdString();
    return image.size();
}

// The scan codes of the 104 keys of the keyboard map, in key-list order.
constexpr int MAP_SCAN_CODES[] = {
    0x01E, 0x030, 0x02E, 0x020, 0x012, 0x021, 0x022, 0x023, 0x017, 0x024, 0x025, 0x026, 0x032,
    0x031, 0x018, 0x019, 0x010, 0x013, 0x01F, 0x014, 0x016, 0x02F, 0x011, 0x02D, 0x015, 0x02C,
    0x002, 0x003, 0x004, 0x005, 0x006, 0x007, 0x008, 0x009, 0x00A, 0x00B, 0x01C, 0x001, 0x00E,
    0x00F, 0x039, 0x00C, 0x00D, 0x01A, 0x01B, 0x02B, 0x027, 0x028, 0x029, 0x033, 0x034, 0x035,
    0x03B, 0x03C, 0x03D, 0x03E, 0x03F, 0x040, 0x041, 0x042, 0x043, 0x044, 0x057, 0x058, 0x137,
    0x045, 0x152, 0x153, 0x147, 0x14F, 0x149, 0x151, 0x148, 0x150, 0x14B, 0x14D, 0x046, 0x03A,
    0x15D, 0x01D, 0x11D, 0x02A, 0x036, 0x038, 0x138, 0x15B, 0x15C, 0x04F, 0x050, 0x051, 0x04B,
    0x04C, 0x04D, 0x047, 0x048, 0x049, 0x052, 0x145, 0x11C, 0x053, 0x135, 0x037, 0x04A, 0x04E};
static_assert(std::size(MAP_SCAN_CODES) == 104);

std::vector<std::string> KeyMapKeys() {
    std::vector<std::string> keys;
    for (int scanCode : MAP_SCAN_CODES) {
        const int index = scanCode < 0x100 ? scanCode : scanCode - 0x80;
        keys.push_back(
            QStringLiteral("KEY_%1").arg(index, 3, 16, QLatin1Char('0')).toUpper().toStdString());
    }
    for (int g = 1; g <= 9; ++g) keys.push_back("FUNC_G" + std::to_string(g));
    keys.push_back("KEY_FN");
    return keys;
}

const std::vector<std::string> MAIN_CONTROLS = {"CONTROL_OK",
                                                "CONTROL_CANCEL",
                                                "CONTROL_HELP",
                                                "CONTROL_CLOSE",
                                                "CONTROL_MINIMIZE",
                                                "CONTROL_MENU",
                                                "CONTROL2_APPLY",
                                                "FUNC_PROFILES",
                                                "FUNC_MACRO",
                                                "FUNC_PROFILE1",
                                                "FUNC_PROFILE2",
                                                "FUNC_PROFILE3",
                                                "FUNC_DEFAULT",
                                                "FUNC_SWITCH",
                                                "FUNC_REPORT1",
                                                "FUNC_REPORT2",
                                                "FUNC_REPORT3",
                                                "FUNC_REPORT4",
                                                "LOCK_CAPS",
                                                "LOCK_NUM",
                                                "LOCK_SCROLL",
                                                "LOCK_AB",
                                                "FLIP_0",
                                                "FLIP_1",
                                                "FLIP_2",
                                                "LEFT_ARROW",
                                                "RIGHT_ARROW",
                                                "ZELTRA_LINK",
                                                "ZELTRA_VER",
                                                "CONTROL_UsbStatic",
                                                "CONTROL_DengStaPic",
                                                "CONTROL_DengSettingStatic",
                                                "CONTROL_LightButtonStatic",
                                                "CONTROL_XGcombox",
                                                "CONTROL_DengStatic",
                                                "CONTROL_JDTStatic",
                                                "CONTROL_LightStatic",
                                                "CONTROL_LightSlider",
                                                "CONTROL_SpeedStatic",
                                                "CONTROL_SpeedSlider",
                                                "CONTROL_BLFXStatic",
                                                "CONTROL_BLFXLStaPic",
                                                "CONTROL_BLFXRStaPic",
                                                "CONTROL_FYYSStatic",
                                                "CONTROL_FYYSButton",
                                                "CONTROL_FYSJSStaPic",
                                                "CONTROL_FYSJSStatic",
                                                "CONTROL_FYCFStatic",
                                                "CONTROL_FYdjcfStatic",
                                                "CONTROL_FYggcfStatc",
                                                "CONTROL_FYdjcfStaPic",
                                                "CONTROL_FYggcfStaPic",
                                                "CONTROL_HONGPIC",
                                                "CONTROL_HUANGPIC",
                                                "CONTROL_LVPIC",
                                                "CONTROL_LANPIC",
                                                "CONTROL_HXysStatic",
                                                "CONTROL_HXysButton",
                                                "CONTROL_HXsjsStatic",
                                                "CONTROL_HXsjsStaPic",
                                                "CONTROL_JTysStatic",
                                                "CONTROL_JTysButton",
                                                "CONTROL_USERysStatic",
                                                "CONTROL_USERysButton",
                                                "CONTROL_USERjsStatic",
                                                "CONTROL_USERjsButton",
                                                "CONTROL_USERgjStatic",
                                                "CONTROL_USERgjStaPic1",
                                                "CONTROL_USERgjStaPic2",
                                                "CONTROL_TSysStatic",
                                                "CONTROL_TSysButton",
                                                "CONTROL_TSsjsStatic",
                                                "CONTROL_TSsjsStaPic",
                                                "CONTROL_CDysStatic",
                                                "CONTROL_CDysButton",
                                                "CONTROL_CDsjsStatic",
                                                "CONTROL_CDsjsStaPic",
                                                "CONTROL_umCombo",
                                                "CONTROL_BLFXStatic2",
                                                "CONTROL_BLFXLStaPic2",
                                                "CONTROL_BLFXRStaPic2",
                                                "CONTROL_BLFXStatic3",
                                                "CONTROL_BLFXLStaPic3",
                                                "CONTROL_BLFXRStaPic3"};

const std::vector<std::string> COMPOSITE_CONTROLS = {"CONTROL_KEY",
                                                     "CONTROL_MACRO",
                                                     "CONTROL_MEDIA",
                                                     "CONTROL_FUNCTION",
                                                     "CONTROL_CLEAR",
                                                     "CONTROL_OSK",
                                                     "CONTROL_MASK",
                                                     "CONTROL_TITLE",
                                                     "TITLE_CAPTION",
                                                     "CONTROL2_APPLY",
                                                     "FUNC_KEY_INPUT",
                                                     "FUNC_MEDIA_SELECT",
                                                     "FUNC_FUNCTION_SELECT",
                                                     "KEY_SETTING",
                                                     "TISHI_SINGLE_STATIC",
                                                     "MARCO_NAME_SETTING",
                                                     "MEDIA_SETTING_TISHI",
                                                     "FUNCTION_KEY_SETTING_TISHI",
                                                     "CONTROL_OK",
                                                     "CONTROL_CANCEL",
                                                     "FUNC_MACRO_LIST",
                                                     "FUNC_MACRO_ADD",
                                                     "FUNC_MACRO_DELETE",
                                                     "FUNC_MACRO_LIST2",
                                                     "FUNC_MACRO_RECORD",
                                                     "FUNC_MACRO_DELETE2",
                                                     "FUNC_MACRO_CLEAR",
                                                     "FUNC_MACRO_UP_TOP",
                                                     "FUNC_MACRO_UP",
                                                     "FUNC_MACRO_DOWN",
                                                     "FUNC_MACRO_DOWN_BOTTOM",
                                                     "FUNC_MACRO_RECORD_DELAY",
                                                     "FUNC_MACRO_RECORD_DELAY2",
                                                     "FUNC_MACRO_CYCLES",
                                                     "FUNC_MACRO_CYCLES_PROMPT"};

const std::vector<std::string> PROFILE_CONTROLS = {"PROGRAM_LIST",   "FUNC_ADD",       "FUNC_LOAD",
                                                   "FUNC_DELETE",    "CONTROL2_APPLY", "CONTROL_OK",
                                                   "CONTROL_CANCEL", "TITLE_CAPTION"};

// Every key is present, usable (not at 1,1) and inside the window.
void ExpectPlaced(const IniFile& skin, const std::vector<std::string>& keys, QSize window) {
    for (const std::string& key : keys) {
        ASSERT_TRUE(skin.HasKey(SKIN_SECTION_BUTTONS, key)) << key;
        const SkinRect r = ReadSkinRect(skin, SKIN_SECTION_BUTTONS, key);
        EXPECT_FALSE(r.IsUnused()) << key;
        EXPECT_TRUE(QRect(0, 0, window.width(), window.height())
                        .contains(QRect(r.x, r.y, r.width, r.height)))
            << key;
    }
}

QSize Background(const IniFile& skin) {
    const SkinScreen screen = ReadSkinScreen(skin, "");
    const QSize size = PictureSize(screen.mainPath);
    EXPECT_EQ(PictureSize(screen.maskPath), size);
    return size;
}

TEST(GeneratedSkin, MainWindowHasEveryRectangleItReads) {
    const IniFile skin = Open(skin_names::MAIN_INI);
    const QSize window = Background(skin);
    ExpectPlaced(skin, KeyMapKeys(), window);
    ExpectPlaced(skin, MAIN_CONTROLS, window);
    EXPECT_FALSE(skin.ReadString(SKIN_SECTION_SCREEN, "Link").empty());
}

TEST(GeneratedSkin, KeysOfTheMapDoNotOverlap) {
    const IniFile skin = Open(skin_names::MAIN_INI);
    std::vector<std::pair<std::string, QRect>> rects;
    for (const std::string& key : KeyMapKeys()) {
        const SkinRect r = ReadSkinRect(skin, SKIN_SECTION_BUTTONS, key);
        rects.emplace_back(key, QRect(r.x, r.y, r.width, r.height));
    }
    for (size_t i = 0; i < rects.size(); ++i) {
        for (size_t j = i + 1; j < rects.size(); ++j) {
            EXPECT_FALSE(rects[i].second.intersects(rects[j].second))
                << rects[i].first << " overlaps " << rects[j].first;
        }
    }
}

TEST(GeneratedSkin, ArrowFramesLieInsideTheArrowPicture) {
    const IniFile skin = Open(skin_names::MAIN_INI);
    const QSize arrow = PictureSize(Name(skin_names::ARROW));
    const SkinRect left = ReadSkinRect(skin, SKIN_SECTION_BUTTONS, "LEFT_ARROW");
    for (const char* name :
         {"UP_ARROW_LEFT", "DOWN_ARROW_LEFT", "UP_ARROW_RIGHT", "DOWN_ARROW_RIGHT"}) {
        for (int frame = 1; frame <= 2; ++frame) {
            const std::string key = name + std::to_string(frame);
            ASSERT_TRUE(skin.HasKey(SKIN_SECTION_FRAMES, key)) << key;
            const SkinRect origin = ReadSkinRect(skin, SKIN_SECTION_FRAMES, key);
            // The piece starts one pixel up and left of the origin and has the arrow's size.
            EXPECT_TRUE(QRect(0, 0, arrow.width(), arrow.height())
                            .contains(QRect(origin.x - 1, origin.y - 1, left.width, left.height)))
                << key;
        }
    }
}

TEST(GeneratedSkin, StatePicturesCoverTheWholeWindow) {
    const QSize window = Background(Open(skin_names::MAIN_INI));
    for (std::string_view name :
         {skin_names::MAIN_NORMAL, skin_names::MAIN_OVER, skin_names::MAIN_DOWN,
          skin_names::MAIN_DISABLE, skin_names::MAIN_COLOR0, skin_names::MAIN_COLOR1}) {
        EXPECT_EQ(PictureSize(Name(name)), window) << name;
    }
}

TEST(GeneratedSkin, LightingPicturesFitTheirControls) {
    const IniFile skin = Open(skin_names::MAIN_INI);
    const auto size = [&](const char* key) {
        const SkinRect r = ReadSkinRect(skin, SKIN_SECTION_BUTTONS, key);
        return QSize(r.width, r.height);
    };
    for (int i = 0; i < skin_names::SLIDER_POSITIONS; ++i) {
        EXPECT_EQ(PictureSize(QString("%1.bmp").arg(skin_names::BRIGHTNESS_SLIDER_FIRST + i)),
                  size("CONTROL_LightSlider"));
        EXPECT_EQ(PictureSize(QString("%1.bmp").arg(skin_names::SPEED_SLIDER_FIRST + i)),
                  size("CONTROL_SpeedSlider"));
    }
    for (int frame = 1; frame <= skin_names::BUSY_FRAMES; ++frame) {
        EXPECT_EQ(PictureSize(QString("jdt%1.bmp").arg(frame)), size("CONTROL_JDTStatic"));
    }
    EXPECT_EQ(PictureSize(Name(skin_names::LIGHTING_SWITCH_ON)), size("CONTROL_DengStaPic"));
    EXPECT_EQ(PictureSize(Name(skin_names::LIGHTING_SWITCH_OFF)), size("CONTROL_DengStaPic"));
    EXPECT_EQ(PictureSize(Name(skin_names::COLOURFUL_ON)), size("CONTROL_FYSJSStaPic"));
    EXPECT_EQ(PictureSize(Name(skin_names::COLOURFUL_OFF)), size("CONTROL_FYSJSStaPic"));
    for (const auto* pairs : {&skin_names::DIRECTION_SIDEWAYS, &skin_names::DIRECTION_VERTICAL,
                              &skin_names::DIRECTION_SPREAD, &skin_names::TOOLS}) {
        for (const auto& pair : *pairs) {
            EXPECT_EQ(PictureSize(Name(pair.down)), size("CONTROL_BLFXLStaPic"));
            EXPECT_EQ(PictureSize(Name(pair.up)), size("CONTROL_BLFXLStaPic"));
        }
    }
    for (const auto& pair : skin_names::PRESETS) {
        EXPECT_EQ(PictureSize(Name(pair.down)), size("CONTROL_HONGPIC"));
        EXPECT_EQ(PictureSize(Name(pair.up)), size("CONTROL_HONGPIC"));
    }
}

TEST(GeneratedSkin, ModeNamesAndLabelsExistInBothLanguages) {
    const IniFile skin = Open(skin_names::MAIN_INI);
    for (int id : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 20}) {
        const std::string key = std::to_string(id);
        const std::string chinese = skin.ReadString("Mode", key);
        const std::string english = skin.ReadString("Mode1", key);
        EXPECT_FALSE(chinese.empty()) << key;
        EXPECT_FALSE(english.empty()) << key;
        EXPECT_NE(chinese, english) << key;
    }
    for (const char* key : {"Usb", "Deng", "Light", "FX", "Speed", "Color", "JColor", "DC", "Tool",
                            "Settings", "Button"}) {
        EXPECT_FALSE(skin.ReadString("Control_Name", key).empty()) << key;
        EXPECT_FALSE(skin.ReadString("Control_Name1", key).empty()) << key;
    }
}

TEST(GeneratedSkin, CompositeDialogHasItsRectanglesAndPictures) {
    const IniFile skin = Open(skin_names::COMPOSITE_INI);
    const QSize window = Background(skin);
    ExpectPlaced(skin, COMPOSITE_CONTROLS, window);
    for (std::string_view name : {skin_names::COMPOSITE_NORMAL, skin_names::COMPOSITE_OVER,
                                  skin_names::COMPOSITE_DOWN, skin_names::COMPOSITE_DISABLE}) {
        EXPECT_EQ(PictureSize(Name(name)), window) << name;
    }
    for (std::string_view name : skin_names::COMPOSITE_PAGES)
        EXPECT_EQ(PictureSize(Name(name)), window) << name;
}

TEST(GeneratedSkin, ProfileDialogHasItsRectanglesAndPictures) {
    const IniFile skin = Open(skin_names::PROFILE_INI);
    const QSize window = Background(skin);
    ExpectPlaced(skin, PROFILE_CONTROLS, window);
    for (std::string_view name :
         {skin_names::PROFILE_NORMAL, skin_names::PROFILE_OVER, skin_names::PROFILE_DOWN}) {
        EXPECT_EQ(PictureSize(Name(name)), window) << name;
    }
}

}  // namespace
}  // namespace quorvel
