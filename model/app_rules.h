#pragma once
// Program rules: which on-board profile the keyboard takes while a program's window is in
// front. Kept in a small JSON file in the user's config folder that people may read and edit:
//
//   {"version": 1, "enabled": true, "default": null,
//    "rules": [{"program": "firefox", "profile": 2}]}
//
// A file that cannot be read as rules (bad JSON, a profile outside 1-3, a newer version) is
// reported and never replaced: the user's rules are worth more than an edit made over them.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

constexpr int APP_RULES_VERSION = 1;
constexpr int APP_RULES_FIRST_PROFILE = 1;
constexpr int APP_RULES_LAST_PROFILE = 3;

struct AppRule {
    // An application id (X11 WM_CLASS class, Wayland app_id) or an executable's file name.
    std::string program;
    int profile = APP_RULES_FIRST_PROFILE;

    bool operator==(const AppRule&) const = default;
};

struct AppRules {
    bool enabled = true;
    // For windows no rule names; nullopt leaves the keyboard's profile alone.
    std::optional<int> defaultProfile;
    std::vector<AppRule> rules;

    bool operator==(const AppRules&) const = default;
};

enum class AppRulesState {
    Loaded,
    Missing,  // no file yet: the empty rules, which may be written
    Damaged,  // unreadable, wrong, or of a newer version: reported and left alone
};

struct AppRulesFile {
    AppRulesState state = AppRulesState::Missing;
    AppRules rules;     // empty unless Loaded
    std::string error;  // what is wrong, for Damaged (and unreadable files)
};

// DefaultConfigDir()/app-profiles.json.
std::string DefaultAppRulesPath();

AppRulesFile LoadAppRules(const std::string& path);
// Text of the file for rules, as SaveAppRules writes it.
std::string AppRulesText(const AppRules& rules);
// Writes the rules atomically, creating the folder. Refuses to replace a damaged file.
bool SaveAppRules(const std::string& path, const AppRules& rules, std::string* error = nullptr);

// A program name as kept: surrounding blanks removed. Empty names and names with control
// characters are refused (nullopt).
std::optional<std::string> CleanProgramName(std::string_view program);
bool IsAppRulesProfile(int profile);

// Adds a rule, or changes the profile of the rule that already names the program (compared
// without regard to case, so a file never holds two rules for one program).
void SetAppRule(AppRules& rules, const std::string& program, int profile);
// False when no rule names the program.
bool RemoveAppRule(AppRules& rules, std::string_view program);

// The profile for a window: a rule naming its application id, else one naming its executable,
// else the default. Nullopt (leave the profile alone) when rules are off or nothing applies.
std::optional<int> ProfileForWindow(const AppRules& rules, std::string_view appId,
                                    std::string_view executable);

}  // namespace quorvel
