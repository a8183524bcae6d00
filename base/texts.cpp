#include "base/texts.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <mutex>
#include <optional>
#include <shared_mutex>

#include "base/ini_file.h"

namespace quorvel {
namespace {

constexpr auto FILE_VALUE = LanguageRule::FILE_VALUE;
constexpr auto FILE_OR_CURRENT = LanguageRule::FILE_OR_CURRENT;
constexpr size_t SLOT = TEXT_SLOT_UNITS;
// Its built-in text alone is longer than an ordinary slot.
constexpr size_t LONG_SLOT = INI_VALUE_MAX_UNITS;
constexpr size_t TRAY_MENU_UNITS = 9;

constexpr std::array SLOT_KEYS = std::to_array<LanguageKeyInfo>({
    // Macro editor.
    {"MACRO_ACTION_RECORD_DELAY", "RecordDelay", SLOT, FILE_VALUE},
    {"MACRO_NEW_PREFIX", "Macro", SLOT, FILE_VALUE},
    {"MACRO_ERR_MAX", "The maximum number of macro: %d   ", SLOT, FILE_VALUE},
    {"MACRO_ERR_SAME", "Same macro name!   ", SLOT, FILE_VALUE},
    {"MACRO_ERR_NAME_SYSTEM", "This macro is used in the system! ", SLOT, FILE_VALUE},
    {"MACRO_DEFAULT_NAME", "Empty Macro", SLOT, FILE_VALUE},
    {"MACRO_ERR_RECORD", "Please stop the macro record first! ", SLOT, FILE_VALUE},
    {"MACRO_KEYS_TISHI", "hello world", SLOT, FILE_VALUE},
    {"MACRO_ACTION_TISHI", "hello world", SLOT, FILE_VALUE},
    {"MACRO_DELAY_MS", "hello world", SLOT, FILE_VALUE},
    {"MACRO_ACTION_CLEAR_CONFIRM", "Really need to clear the macro action? ", SLOT, FILE_VALUE},
    {"MACRO_ACTION_ERR_MODIFY", "You can not edit, use the macro record button. ", SLOT,
     FILE_VALUE},
    {"MACRO_ACTION_ERR_DELAY_MIN", "Minimum delay time is: %d(ms) ", SLOT, FILE_VALUE},
    {"MACRO_ACTION_ERR_DELAY_MAX", "Maximum delay time is: %d(ms) ", SLOT, FILE_VALUE},
    {"MACRO_ACTION_RECORD", "Record", SLOT, FILE_VALUE},
    {"MACRO_ACTION_STOP_RECORD", "Stop Record", SLOT, FILE_VALUE},
    {"EXTRA_MACRO_TOO_LONG",
     "Macro space exceeds the hardware space.\r\n Please reduce the number of macros or macro "
     "action number，and then download.",
     LONG_SLOT, FILE_VALUE},
    {"MACRO_DELETE_CONFIRM_OF_KEYS",
     "Detect some key points to set this macro, \n  really need to remove this macro?  ", SLOT,
     FILE_VALUE},
    // Key names.
    {"UNKNOWN_KEY", "Unknown Key: %03x", SLOT, FILE_VALUE},
    {"MEDIA_PALYER_1", "Hello world", SLOT, FILE_VALUE},
    {"MEDIA_PALY_PAUSE_2", "Hello world", SLOT, FILE_VALUE},
    {"MEDIA_STOP_PALY_3", "Hello world", SLOT, FILE_VALUE},
    {"MEDIA_PREV_TRACK_4", "Hello world", SLOT, FILE_VALUE},
    {"MEDIA_Next_TRACK_5", "Hello world", SLOT, FILE_VALUE},
    {"MEDIA_V_LOW_6", "Hello world", SLOT, FILE_VALUE},
    {"MEDIA_V_ADD_7", "Hello world", SLOT, FILE_VALUE},
    {"MEDIA_MUTE_8", "Hello world", SLOT, FILE_VALUE},
    {"MEDIA_WWW_HOME_9", "Hello world", SLOT, FILE_VALUE},
    {"MEDIA_WWW_REFRESH_10", "Hello world", SLOT, FILE_VALUE},
    {"MEDIA_WWW_STOP_11", "Hello world", SLOT, FILE_VALUE},
    {"MEDIA_WWW_BACK_12", "Hello world", SLOT, FILE_VALUE},
    {"MEDIA_WWW_FORWARD_13", "Hello world", SLOT, FILE_VALUE},
    {"MEDIA_WWW_FAVORITE_14", "Hello world", SLOT, FILE_VALUE},
    {"MEDIA_WWW_SEARCH_15", "Hello world", SLOT, FILE_VALUE},
    {"MEDIA_MY_PC_16", "Hello world", SLOT, FILE_VALUE},
    {"MEDIA_CALC_17", "Hello world", SLOT, FILE_VALUE},
    {"MEDIA_MAIL_18", "Hello world", SLOT, FILE_VALUE},
    {"FUNC_KEY_DESC1", "Open", SLOT, FILE_VALUE},
    {"FUNC_KEY_DESC2", "New", SLOT, FILE_VALUE},
    {"FUNC_KEY_DESC3", "Undo", SLOT, FILE_VALUE},
    {"FUNC_KEY_DESC4", "Save", SLOT, FILE_VALUE},
    {"FUNC_KEY_DESC5", "Copy", SLOT, FILE_VALUE},
    {"FUNC_KEY_DESC6", "Cut", SLOT, FILE_VALUE},
    {"FUNC_KEY_DESC7", "Paste", SLOT, FILE_VALUE},
    {"FUNC_KEY_DESC8", "Find", SLOT, FILE_VALUE},
    {"FUNC_KEY_DESC9", "Select All", SLOT, FILE_VALUE},
    {"FUNC_KEY_DESC10", "Zoom-", SLOT, FILE_VALUE},
    {"FUNC_KEY_DESC11", "Zoom+", SLOT, FILE_VALUE},
    // Key assignment.
    {"APPLY_PROMPT", "No Use!", SLOT, FILE_VALUE},
    {"KEY_PROMPT", "No Use!", SLOT, FILE_VALUE},
    {"KEY_PROMPT_SET", "Keys, Set: ", SLOT, FILE_VALUE},
    {"KEY_PROMPT_SINGLE", "Key(", SLOT, FILE_VALUE},
    {"KEY_PROMPT_MACRO", "Macro(", SLOT, FILE_VALUE},
    {"KEY_PROMPT_MEDIA", "Media(", SLOT, FILE_VALUE},
    {"KEY_PROMPT_FUNCTION", "Function(", SLOT, FILE_VALUE},
    // Profiles.
    {"DEFAULT_PROFILE_NAME", "<Default Profile>", SLOT, FILE_VALUE},
    {"PROFILE_SELECT_PROMPT", "Whether to save the profile settings made?", SLOT, FILE_VALUE},
    {"PROFILE_SEELCT_PROMPT2",
     "When fast switch scene mode, you must first close the editor dialog box.", SLOT, FILE_VALUE},
    {"PROFILE_SELECT_PROMPT3",
     "Scene mode are editing, whether to give up the modification and change its mode?", SLOT,
     FILE_VALUE},
    {"PROFILE_LOAD_PROMPT", "Switch scene mode will automatically stop the macro play!", SLOT,
     FILE_VALUE},
    {"PROFILE_CHECK_PROMPT", "Scene mode file does not exist, load the default Settings!", SLOT,
     FILE_VALUE},
    {"PROFILE_FORMAT_ERROR", "wrong file format, revert to the default values: \n  %s", SLOT,
     FILE_VALUE},
    {"PROFILE_NEW", "\\The new contextual  mode", SLOT, FILE_VALUE},
    {"PROFILE_TIP", "The current contextual  mode: ", SLOT, FILE_VALUE},
    {"PROFILE_EDITING", "You are editing, set not applications, can't change its mode", SLOT,
     FILE_VALUE},
    {"EXTRA_PROFILE_SPACE_TIGHT",
     "shortage of hardware space, cancelled the macro name of storage.", SLOT, FILE_VALUE},
    {"EXTRA_APPLY_FAILED", "The keyboard did not take all settings; they are not applied yet.",
     SLOT, FILE_VALUE},
    {"EXTRA_PROFILE_SWITCH_FAILED", "The keyboard did not switch its profile.", SLOT, FILE_VALUE},
    {"EXTRA_PROFILE_WRITE_FAILED", "The profile file could not be written: %s", SLOT, FILE_VALUE},
    {"EXTRA_PROFILE_TOO_LARGE",
     "The file is larger than 16 MiB, more than any profile file holds: %s", SLOT, FILE_VALUE},
    {"EXTRA_IMPORT_NOT_STARTED",
     "The keyboard could not be read; nothing was imported. The keyboard and the settings are as "
     "they were.",
     SLOT, FILE_VALUE},
    {"EXTRA_IMPORT_FILES_NOT_REPLACED",
     "The profile and colour files could not be replaced; nothing was imported. Everything is as "
     "it was.",
     SLOT, FILE_VALUE},
    // Profile manager captions.
    {"PROFILE_MANAGER_TITLE", "Profiles", SLOT, FILE_VALUE},
    {"PROFILE_MANAGER_ADD", "Add", SLOT, FILE_VALUE},
    {"PROFILE_MANAGER_LOAD", "Load", SLOT, FILE_VALUE},
    {"PROFILE_MANAGER_DELETE", "Delete", SLOT, FILE_VALUE},
    {"PROFILE_MANAGER_OK", "OK", SLOT, FILE_VALUE},
    {"PROFILE_MANAGER_CANCEL", "Cancel", SLOT, FILE_VALUE},
    {"PROFILE_MANAGER_APPLY", "Apply", SLOT, FILE_VALUE},
    {"PROFILE_MANAGER_ACTIVE", "Active", SLOT, FILE_VALUE},
    {"PROFILE_MANAGER_NAME", "Name", SLOT, FILE_VALUE},
    {"PROFILE_MANAGER_PATH", "Path", SLOT, FILE_VALUE},
    // Program profiles dialog.
    {"APP_PROFILES_TITLE", "Program profiles", SLOT, FILE_VALUE},
    {"APP_PROFILES_ENABLE", "Switch the profile by the program in front", SLOT, FILE_VALUE},
    {"APP_PROFILES_PROGRAM", "Program", SLOT, FILE_VALUE},
    {"APP_PROFILES_PROFILE", "Profile", SLOT, FILE_VALUE},
    {"APP_PROFILES_WINDOWS", "A program of the open windows, or its name", SLOT, FILE_VALUE},
    {"APP_PROFILES_ADD", "Add", SLOT, FILE_VALUE},
    {"APP_PROFILES_REMOVE", "Remove", SLOT, FILE_VALUE},
    {"APP_PROFILES_DEFAULT", "Profile for every other program:", SLOT, FILE_VALUE},
    {"APP_PROFILES_LEAVE", "Leave it", SLOT, FILE_VALUE},
    {"APP_PROFILES_OK", "OK", SLOT, FILE_VALUE},
    {"APP_PROFILES_CANCEL", "Cancel", SLOT, FILE_VALUE},
    {"APP_PROFILES_X11", "This desktop (X11) tells programs which window is active.", SLOT,
     FILE_VALUE},
    {"APP_PROFILES_WLR", "This Wayland desktop tells programs which window is active.", SLOT,
     FILE_VALUE},
    {"APP_PROFILES_KWIN", "KDE Plasma tells programs which window is active through a KWin script.",
     SLOT, FILE_VALUE},
    {"APP_PROFILES_NO_SUPPORT",
     "This desktop does not tell programs which window is active; the profile cannot follow "
     "programs here.",
     SLOT, FILE_VALUE},
    {"APP_PROFILES_DAMAGED", "The rules file cannot be read and is left as it is: %s", SLOT,
     FILE_VALUE},
    {"APP_PROFILES_SAVE_FAILED", "The rules could not be saved: %s", SLOT, FILE_VALUE},
    {"EXTRA_APPLY_NOT_SAVED",
     "The keyboard took the settings, but the profile file could not be saved: ", SLOT, FILE_VALUE},
    {"EXTRA_PROFILE_READ_FAILED",
     "The keyboard's profile could not be read; the settings shown are kept.", SLOT, FILE_VALUE},
    {"EXTRA_EXIT_UNAPPLIED", "Some changes are not applied yet. Apply them before closing?", SLOT,
     FILE_VALUE},
    {"EXTRA_KEYBOARD_BUSY", "The keyboard is busy; please try again when it is done.", SLOT,
     FILE_VALUE},
    {"EXTRA_KEYBOARD_BUSY_LATER", "The keyboard is busy; this runs as soon as it is done.", SLOT,
     FILE_VALUE},
    // Firmware update; their slots are small.
    {"MAIN_UPDATE_ERROR_TEXT", "请选择正确的更新文件! ", 13, FILE_VALUE},
    {"MAIN_BOOT_ERROR_TEXT", "无法进入Boot模式! ", 13, FILE_VALUE},
    {"MAIN_SHELL_ERROR_TEXT", "无法执行更新文件! ", 11, FILE_VALUE},
    {"MAIN_UPDATE_BACKUP_OK", "备份成功!", 5, FILE_VALUE},
    {"MAIN_UPDATE_BACKUP_NG", "备份失败,请重新备份!", 11, FILE_VALUE},
    // Main window and start-up.
    {"KEYBOARD_TRAY_DESC", "Nolvane G7", SLOT, FILE_VALUE},
    {"MAIN_CAPTION", "Gaming Keyboard Settings", SLOT, FILE_VALUE},
    {"MAIN_HELP_PROMPT", "Help", SLOT, FILE_VALUE},
    {"MAIN_MINIMIZE_PROMPT", "Minimize", SLOT, FILE_VALUE},
    {"MAIN_MENU_PROMPT", "Menu", SLOT, FILE_VALUE},
    {"MAIN_CLOSE_PROMPT", "Close", SLOT, FILE_VALUE},
    {"MAIN_BUTTON_ZELTRA_VER", "", SLOT, FILE_VALUE},
    {"MAIN_PROMPT_DEFAULT", "Do you want to restore the default settings?", SLOT, FILE_VALUE},
    {"MAIN_PROMPT_INPORT", "File format error, import failed! ", SLOT, FILE_VALUE},
    {"MAIN_PROMPT_DRIVER_TEXT",
     "Detects that the driver is not installed keyboard, \r\npress [OK] to start the driver "
     "installation!",
     SLOT, FILE_VALUE},
    {"MAIN_PROMPT_DRIVER_TITLE", "Nolvane G7", SLOT, FILE_VALUE},
    {"MAIN_SWITCH_FUNCTION_TEXT", "Switch to the color keys mode", SLOT, FILE_VALUE},
    {"MAIN_SWITCH_COLOR_TEXT", "Switch to the function keys mode", SLOT, FILE_VALUE},
    {"MAIN_DEFAULT_MATRIX_PROMPT", "Reads the default keyboard layout failure", SLOT, FILE_VALUE},
    {"MAIN_NO_DEVICE_PROMPT", "Device is not detected，the key settings can not be displayed! ",
     SLOT, FILE_VALUE},
});

constexpr std::array DIRECT_KEYS = std::to_array<LanguageKeyInfo>({
    // Main window captions and tooltips.
    {"PROFILE_1", "hello", SLOT, FILE_OR_CURRENT},
    {"PROFILE_2", "hello", SLOT, FILE_OR_CURRENT},
    {"PROFILE_3", "hello", SLOT, FILE_OR_CURRENT},
    {"PROFILE_MACRO", "hello", SLOT, FILE_OR_CURRENT},
    {"PROFILE_DEFAULT", "hello", SLOT, FILE_OR_CURRENT},
    {"PROFILE_OK", "hello", SLOT, FILE_OR_CURRENT},
    {"PROFILE_CANCLE", "hello", SLOT, FILE_OR_CURRENT},
    {"PROFILE_APPLY", "hello", SLOT, FILE_OR_CURRENT},
    {"MAIN_MINIMIZE_PROMPT", "Minimize", SLOT, FILE_OR_CURRENT},
    {"MAIN_MENU_PROMPT", "Menu", SLOT, FILE_OR_CURRENT},
    {"MAIN_CLOSE_PROMPT", "Close", SLOT, FILE_OR_CURRENT},
    // Main pop-up menu.
    {"MENU_1", "Import", SLOT, FILE_OR_CURRENT},
    {"MENU_2", "Export", SLOT, FILE_OR_CURRENT},
    {"MENU_3", "About", SLOT, FILE_OR_CURRENT},
    {"EXTRA_LINK_TEXT", "User guide", SLOT, FILE_OR_CURRENT},
    {"MENU_4", "Close", SLOT, FILE_OR_CURRENT},
    {"CHINESE_5", "hello", SLOT, FILE_OR_CURRENT},
    {"ENGINSH_6", "hello", SLOT, FILE_OR_CURRENT},
    {"MENU_AUTOSTART", "Start with the desktop", SLOT, FILE_OR_CURRENT},
    {"MENU_CHECK_KEYBOARD", "Check the keyboard", SLOT, FILE_OR_CURRENT},
    {"MENU_WRITE_EVERYTHING", "Write everything to the keyboard", SLOT, FILE_OR_CURRENT},
    {"MENU_APP_PROFILES", "Program profiles...", SLOT, FILE_OR_CURRENT},
    {"CHECK_KEYBOARD_SAME", "The keyboard holds what the profile files say.", SLOT,
     FILE_OR_CURRENT},
    {"CHECK_KEYBOARD_DIFFERS", "The keyboard differs from the profile files:", SLOT,
     FILE_OR_CURRENT},
    {"CHECK_KEYBOARD_FAILED", "The keyboard could not be read.", SLOT, FILE_OR_CURRENT},
    // Tray menu.
    {"MENU_11", "Open(&O)", TRAY_MENU_UNITS, FILE_VALUE},
    {"MENU_22", "About(&A)", TRAY_MENU_UNITS, FILE_VALUE},
    {"MENU_33", "Exit(&X)", TRAY_MENU_UNITS, FILE_VALUE},
    // About box.
    {"GUANYU_JIESHAO", "", LONG_SLOT, FILE_OR_CURRENT},
    {"GUANYU_BANQUAN", "", LONG_SLOT, FILE_OR_CURRENT},
    // Composite dialog.
    {"COMPOSITE_PROMPT_CLEAR", "", SLOT, FILE_VALUE},
    {"COMPOSITE_PROMPT_OSK", "", SLOT, FILE_VALUE},
    {"COMPOSITE_PROMPT_OSK_MISSING",
     "No on-screen keyboard is installed. Install one of these programs: %s", SLOT, FILE_VALUE},
    {"KEPT_KEYS_NOTE",
     "This desktop keeps %s for its own shortcuts and does not pass them on; pick them from the "
     "list.",
     SLOT, FILE_VALUE},
    {"KEPT_KEYS_CHOOSE", "Keys the desktop keeps", SLOT, FILE_VALUE},
    {"MACRO_KEPT_KEYS_NOTE",
     "This desktop keeps %s for its own shortcuts, so recording misses them; add them from the "
     "list.",
     SLOT, FILE_VALUE},
    {"MACRO_KEPT_KEYS_ADD", "Add a key the desktop keeps", SLOT, FILE_VALUE},
    {"COMPOSITE_TITLE", "Key Settings", SLOT, FILE_VALUE},
    {"COMPOSITE_APPLY", "Apply", SLOT, FILE_VALUE},
    {"MACRO_UNDO", "Undo", SLOT, FILE_VALUE},
    {"MACRO_REDO", "Redo", SLOT, FILE_VALUE},
    {"COMPOSITE_MACRO_OVER", "", SLOT, FILE_VALUE},
    {"MACRO_CYCLES", "", SLOT, FILE_VALUE},
    {"RECORD_DELAY", "", SLOT, FILE_VALUE},
    {"SINGLE_KEY", "", SLOT, FILE_VALUE},
    {"MACRO_SETTING", "", SLOT, FILE_VALUE},
    {"MULTI_MEDIA", "", SLOT, FILE_VALUE},
    {"FUNCTION_KEY", "", SLOT, FILE_VALUE},
    {"A_TOP", "", SLOT, FILE_VALUE},
    {"A_UP", "", SLOT, FILE_VALUE},
    {"A_DOWN", "", SLOT, FILE_VALUE},
    {"A_BOTTOM", "", SLOT, FILE_VALUE},
    {"A_RECORD", "", SLOT, FILE_VALUE},
    {"A_DELETE", "", SLOT, FILE_VALUE},
    {"A_CLEAR", "", SLOT, FILE_VALUE},
    {"MACRO_OK", "", SLOT, FILE_VALUE},
    {"MACRO_CANCLE", "", SLOT, FILE_VALUE},
    {"SINGLE_STATIC", "", SLOT, FILE_VALUE},
    {"MACRO_NAME_SETTING", "", SLOT, FILE_VALUE},
    {"KEY_SETTING_TISHI", "", SLOT, FILE_VALUE},
    {"MACRO_EDIT_TISHI", "", SLOT, FILE_VALUE},
    {"MEDIA_EDIT_TISHI", "", SLOT, FILE_VALUE},
    {"FUNCTION_TISHI", "", SLOT, FILE_VALUE},
});

constexpr size_t Utf16Units(std::string_view utf8) {
    size_t units = 0;
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) != 0x80) ++units;  // a lead byte starts a character
        if ((byte & 0xF8) == 0xF0) ++units;  // four-byte characters need a surrogate pair
    }
    return units;
}

constexpr bool BuiltInsFit(std::span<const LanguageKeyInfo> keys) {
    return std::all_of(keys.begin(), keys.end(), [](const LanguageKeyInfo& info) {
        return Utf16Units(info.builtIn) <= info.capacity;
    });
}
static_assert(BuiltInsFit(SLOT_KEYS) && BuiltInsFit(DIRECT_KEYS));

std::optional<size_t> IndexOf(std::span<const LanguageKeyInfo> keys, std::string_view key) {
    for (size_t i = 0; i < keys.size(); ++i)
        if (keys[i].key == key) return i;
    return std::nullopt;
}

class SlotStore {
public:
    SlotStore() { Reset(); }

    std::string Get(std::string_view key) const {
        const auto index = IndexOf(SLOT_KEYS, key);
        if (!index) return {};
        std::shared_lock lock(mutex_);
        return texts_[*index];
    }

    void Replace(std::array<std::string, SLOT_KEYS.size()> texts) {
        std::unique_lock lock(mutex_);
        texts_ = std::move(texts);
    }

    void Reset() {
        std::array<std::string, SLOT_KEYS.size()> texts;
        for (size_t i = 0; i < SLOT_KEYS.size(); ++i) texts[i] = SLOT_KEYS[i].builtIn;
        Replace(std::move(texts));
    }

private:
    mutable std::shared_mutex mutex_;
    std::array<std::string, SLOT_KEYS.size()> texts_;
};

SlotStore& Slots() {
    static SlotStore store;
    return store;
}

std::atomic<int16_t> currentLanguage{0};

std::string_view SectionFor(bool english) {
    return english ? ENGLISH_SECTION : CHINESE_SECTION;
}

std::string ReadCut(const IniFile& languageFile, std::string_view section,
                    const LanguageKeyInfo& info) {
    return CutToUtf16Units(languageFile.ReadString(section, info.key), info.capacity);
}

}  // namespace

std::string Text(std::string_view key) {
    return Slots().Get(key);
}

void LoadTexts(const IniFile& languageFile) {
    const std::string_view section = SectionFor(IsEnglish(languageFile, LanguageRule::FILE_VALUE));
    std::array<std::string, SLOT_KEYS.size()> texts;
    for (size_t i = 0; i < SLOT_KEYS.size(); ++i)
        texts[i] = ReadCut(languageFile, section, SLOT_KEYS[i]);
    Slots().Replace(std::move(texts));
}

void ResetTextsToBuiltIn() {
    Slots().Reset();
}

int16_t CurrentLanguage() {
    return currentLanguage.load();
}

void SetCurrentLanguage(int16_t language) {
    currentLanguage.store(language);
}

bool IsEnglish(const IniFile& languageFile, LanguageRule rule) {
    if (languageFile.ReadInt(LANGUAGE_SECTION, LANGUAGE_KEY, 0) == 1) return true;
    return rule == LanguageRule::FILE_OR_CURRENT && CurrentLanguage() == 1;
}

std::string ReadDirectText(const IniFile& languageFile, std::string_view key) {
    const auto index = IndexOf(DIRECT_KEYS, key);
    if (!index) return {};
    const LanguageKeyInfo& info = DIRECT_KEYS[*index];
    return ReadCut(languageFile, SectionFor(IsEnglish(languageFile, info.rule)), info);
}

std::span<const LanguageKeyInfo> SlotTextKeys() {
    return SLOT_KEYS;
}

std::span<const LanguageKeyInfo> DirectTextKeys() {
    return DIRECT_KEYS;
}

std::vector<std::string_view> AllLanguageKeys() {
    std::vector<std::string_view> keys;
    for (const auto& list : {SlotTextKeys(), DirectTextKeys()})
        for (const LanguageKeyInfo& info : list)
            if (std::find(keys.begin(), keys.end(), info.key) == keys.end())
                keys.push_back(info.key);
    return keys;
}

}  // namespace quorvel
