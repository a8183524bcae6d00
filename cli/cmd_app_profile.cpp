// app-profile: the program rules the window follows, kept in the user's config folder. No
// keyboard is needed: the running program reads the file again when it changes.
#include <algorithm>
#include <string>

#include "cli/cli_error.h"
#include "cli/commands.h"
#include "cli/parse.h"
#include "model/app_rules.h"

namespace quorvel::cli {
namespace {

std::string InQuotes(const std::string& text) {
    return "\"" + text + "\"";
}

std::string ProfileWord(const std::optional<int>& profile) {
    return profile ? std::to_string(*profile) : "none";
}

Json RulesJson(const AppRules& rules, const std::string& path) {
    Json list = Json::MakeArray();
    for (const AppRule& rule : rules.rules) {
        Json entry;
        entry.Set("program", rule.program);
        entry.Set("profile", rule.profile);
        list.Push(std::move(entry));
    }
    Json json;
    json.Set("file", path);
    json.Set("enabled", rules.enabled);
    json.Set("defaultProfile", rules.defaultProfile ? Json(*rules.defaultProfile) : Json());
    json.Set("rules", std::move(list));
    return json;
}

std::string RulesText(const AppRules& rules) {
    std::string text = std::string("program rules: ") + (rules.enabled ? "on" : "off") + "\n";
    text += "default profile: " + ProfileWord(rules.defaultProfile) + "\n";
    size_t width = 0;
    for (const AppRule& rule : rules.rules) width = std::max(width, rule.program.size());
    for (const AppRule& rule : rules.rules) {
        text += "  " + rule.program + std::string(width - rule.program.size() + 2, ' ');
        text += "profile " + std::to_string(rule.profile) + "\n";
    }
    if (rules.rules.empty()) text += "  (no rules)\n";
    return text;
}

AppRules LoadOrRefuse(const std::string& path) {
    AppRulesFile file = LoadAppRules(path);
    // Left as it is: a fix the tool made up could lose rules the user wrote by hand.
    if (file.state == AppRulesState::Damaged)
        throw CliError{EXIT_USAGE, file.error + " (left as it is; mend or remove it)"};
    return file.rules;
}

std::string ProgramArgument(Args& args) {
    const std::string word = args.Next("program");
    const auto program = CleanProgramName(word);
    if (!program)
        throw UsageError("program " + InQuotes(word) + " is empty or has control characters");
    return *program;
}

}  // namespace

void RunAppProfile(Session& session, Args& args) {
    const std::string path = DefaultAppRulesPath();
    const std::string sub = args.Empty() ? "list" : args.Next("sub-command");
    args.ExtendCommand(sub);
    AppRules rules = LoadOrRefuse(path);
    std::string done;
    if (sub == "list") {
        args.Finish();
        session.Print(RulesJson(rules, path), RulesText(rules));
        return;
    } else if (sub == "set") {
        const std::string program = ProgramArgument(args);
        const int profile = ParseProfileNumber(args.Next("profile number (1-3)")) + 1;
        SetAppRule(rules, program, profile);
        done = program + " switches to profile " + std::to_string(profile);
    } else if (sub == "remove") {
        const std::string program = ProgramArgument(args);
        if (!RemoveAppRule(rules, program)) throw UsageError("no rule for " + InQuotes(program));
        done = "rule for " + program + " removed";
    } else if (sub == "default") {
        const std::string word = args.Next("profile number (1-3) or none");
        rules.defaultProfile = std::nullopt;
        if (word != "none") rules.defaultProfile = ParseProfileNumber(word) + 1;
        done = "default profile: " + ProfileWord(rules.defaultProfile);
    } else if (sub == "on" || sub == "off") {
        rules.enabled = sub == "on";
        done = "program rules " + sub;
    } else {
        throw UsageError("app-profile: unknown sub-command " + InQuotes(sub));
    }
    args.Finish();
    std::string error;
    if (!session.Options().dryRun && !SaveAppRules(path, rules, &error))
        throw CliError{EXIT_FAILED, "app-profile " + sub + ": " + error};
    session.Report(RulesJson(rules, path), done + "\n");
}

}  // namespace quorvel::cli
