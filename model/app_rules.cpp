#include "model/app_rules.h"

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "base/atomic_write.h"
#include "base/file_bytes.h"
#include "model/program_paths.h"

namespace quorvel {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

// Application ids and executable names are ASCII in practice; other bytes compare as they are.
bool SameProgram(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

// Rules is AppRules or const AppRules, so one search serves readers and editors.
template <typename Rules>
auto FindRule(Rules& rules, std::string_view program) {
    return std::ranges::find_if(
        rules.rules, [&](const AppRule& rule) { return SameProgram(rule.program, program); });
}

// Thrown inside the reader with what is wrong; LoadAppRules turns it into a Damaged result.
struct Refusal {
    std::string message;
};

int ReadProfile(const Json& value, const std::string& where) {
    if (!value.is_number_integer() || !IsAppRulesProfile(value.get<int>()))
        throw Refusal{where + ": a profile is a number from 1 to 3"};
    return value.get<int>();
}

AppRules ReadRules(const Json& doc) {
    if (!doc.is_object()) throw Refusal{"the file is not a JSON object"};
    const auto version = doc.find("version");
    if (version == doc.end() || !version->is_number_integer())
        throw Refusal{"/version: missing or not a number"};
    if (version->get<long long>() != APP_RULES_VERSION)
        throw Refusal{"/version: " + version->dump() + " is not a version this program reads (" +
                      std::to_string(APP_RULES_VERSION) + ")"};

    AppRules rules;
    if (const auto enabled = doc.find("enabled"); enabled != doc.end()) {
        if (!enabled->is_boolean()) throw Refusal{"/enabled: true or false"};
        rules.enabled = enabled->get<bool>();
    }
    if (const auto def = doc.find("default"); def != doc.end() && !def->is_null())
        rules.defaultProfile = ReadProfile(*def, "/default");

    const auto list = doc.find("rules");
    if (list == doc.end()) return rules;
    if (!list->is_array()) throw Refusal{"/rules: a list of rules"};
    for (size_t i = 0; i < list->size(); ++i) {
        const Json& entry = (*list)[i];
        const std::string where = "/rules/" + std::to_string(i);
        if (!entry.is_object()) throw Refusal{where + ": a rule is an object"};
        const auto program = entry.find("program");
        if (program == entry.end() || !program->is_string())
            throw Refusal{where + "/program: missing or not text"};
        const auto name = CleanProgramName(program->get<std::string>());
        if (!name) throw Refusal{where + "/program: empty, or holds control characters"};
        const auto profile = entry.find("profile");
        if (profile == entry.end()) throw Refusal{where + "/profile: missing"};
        if (FindRule(rules, *name) != rules.rules.end())
            throw Refusal{where + ": a second rule for \"" + *name + "\""};
        rules.rules.push_back({*name, ReadProfile(*profile, where + "/profile")});
    }
    return rules;
}

}  // namespace

std::string DefaultAppRulesPath() {
    return (fs::path(DefaultConfigDir()) / "app-profiles.json").string();
}

bool IsAppRulesProfile(int profile) {
    return profile >= APP_RULES_FIRST_PROFILE && profile <= APP_RULES_LAST_PROFILE;
}

std::optional<std::string> CleanProgramName(std::string_view program) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!program.empty() && blank(program.front())) program.remove_prefix(1);
    while (!program.empty() && blank(program.back())) program.remove_suffix(1);
    if (program.empty()) return std::nullopt;
    const bool control = std::ranges::any_of(
        program, [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
    if (control) return std::nullopt;
    return std::string(program);
}

AppRulesFile LoadAppRules(const std::string& path) {
    AppRulesFile result;
    std::error_code ec;
    if (fs::symlink_status(path, ec).type() == fs::file_type::not_found) return result;
    const auto bytes = ReadFileBytes(path);
    result.state = AppRulesState::Damaged;
    if (!bytes) {
        result.error = path + ": cannot be read";
        return result;
    }
    const Json doc = Json::parse(bytes->begin(), bytes->end(), nullptr, false);
    if (doc.is_discarded()) {
        result.error = path + ": not valid JSON";
        return result;
    }
    try {
        result.rules = ReadRules(doc);
        result.state = AppRulesState::Loaded;
    } catch (const Refusal& refusal) {
        result.error = path + ": " + refusal.message;
    }
    return result;
}

std::string AppRulesText(const AppRules& rules) {
    Json list = Json::array();
    for (const AppRule& rule : rules.rules)
        list.push_back(Json{{"program", rule.program}, {"profile", rule.profile}});
    Json doc = Json::object();
    doc["version"] = APP_RULES_VERSION;
    doc["enabled"] = rules.enabled;
    doc["default"] = rules.defaultProfile ? Json(*rules.defaultProfile) : Json(nullptr);
    doc["rules"] = std::move(list);
    return doc.dump(2) + "\n";
}

bool SaveAppRules(const std::string& path, const AppRules& rules, std::string* error) {
    const AppRulesFile current = LoadAppRules(path);
    if (current.state == AppRulesState::Damaged) {
        if (error != nullptr) *error = current.error + " (left as it is; mend or remove it)";
        return false;
    }
    std::error_code ec;
    const fs::path folder = fs::path(path).parent_path();
    if (!folder.empty()) fs::create_directories(folder, ec);
    if (ec) {
        if (error != nullptr) *error = folder.string() + ": " + ec.message();
        return false;
    }
    const std::string text = AppRulesText(rules);
    return WriteFileAtomically(path, {reinterpret_cast<const uint8_t*>(text.data()), text.size()},
                               error);
}

void SetAppRule(AppRules& rules, const std::string& program, int profile) {
    const auto rule = FindRule(rules, program);
    if (rule != rules.rules.end()) {
        rule->profile = profile;
        return;
    }
    rules.rules.push_back({program, profile});
}

bool RemoveAppRule(AppRules& rules, std::string_view program) {
    const auto rule = FindRule(rules, program);
    if (rule == rules.rules.end()) return false;
    rules.rules.erase(rule);
    return true;
}

std::optional<int> ProfileForWindow(const AppRules& rules, std::string_view appId,
                                    std::string_view executable) {
    if (!rules.enabled) return std::nullopt;
    for (const std::string_view name : {appId, executable}) {
        if (name.empty()) continue;
        if (const auto rule = FindRule(rules, name); rule != rules.rules.end())
            return rule->profile;
    }
    return rules.defaultProfile;
}

}  // namespace quorvel
