// macros and macro show/add/delete: the macro list shared by the on-board profiles.
#include <algorithm>
#include <string>
#include <vector>

#include "base/texts.h"
#include "base/utf16.h"
#include "cli/cli_error.h"
#include "cli/commands.h"
#include "cli/parse.h"
#include "device/device_events.h"
#include "device/device_link.h"
#include "device/macro_area.h"
#include "device/profile_transfer.h"
#include "model/macro_list.h"

namespace quorvel::cli {
namespace {

// The message the keyboard side shows when a write would not fit, so both refusals read alike.
constexpr std::string_view MACRO_TOO_LONG_KEY = "EXTRA_MACRO_TOO_LONG";

Json MacroJson(const MacroRecord& record, bool withSteps) {
    Json json;
    json.Set("id", static_cast<int>(record.id));
    json.Set("name", ToUtf8(record.Name()));
    json.Set("cycles", static_cast<int>(record.cycles));
    json.Set("stepCount", static_cast<int>(record.actions.size()));
    if (withSteps) {
        Json& steps = json.Set("steps", Json::MakeArray());
        for (const MacroAction& a : record.actions) {
            Json step;
            step.Set("key", KeyDisplayName(a.key));
            step.Set("press", a.state != MACRO_STATE_RELEASE);
            step.Set("delayMs", static_cast<int64_t>(a.delayMs));
            steps.Push(std::move(step));
        }
    }
    return json;
}

// Writes the committed list with the key tables of all three profiles: positions in the macro
// area may have moved, and every profile's keys name macros by position.
void WriteMacros(Session& session, const std::string& what) {
    DeviceLink& link = session.Keyboard();
    SaveWorkingSet(link, session.WorkingSet());
    int result = RefreshDeviceSnapshot(link, session.Shell(), session.WorkingSet(),
                                       session.Snapshot(), true, session.ProgressBar(what));
    session.EndProgress();
    if (result != 1) throw session.WriteFailed(what);
}

void ShowMacro(Session& session, Args& args) {
    int id = ParseNumber(args.Next("macro id"), MACRO_MIN_ID, MACRO_MAX_ID, "macro id");
    args.Finish();
    session.LoadFromKeyboard(args.Command());
    std::vector<MacroRecord> records = CopyOutMacros(session.WorkingSet());
    auto record = std::find_if(records.begin(), records.end(),
                               [&](const MacroRecord& r) { return r.id == id; });
    if (record == records.end())
        throw UsageError("macro show: no macro with id " + std::to_string(id));
    std::string text = "macro " + std::to_string(id) + ": " + ToUtf8(record->Name()) + ", plays " +
                       std::to_string(record->cycles) + " time(s)\n";
    int step = 1;
    for (const MacroAction& a : record->actions) {
        text += "  " + std::to_string(step++) + "  " + KeyDisplayName(a.key) +
                (a.state == MACRO_STATE_RELEASE ? " release" : " press") + ", then " +
                std::to_string(a.delayMs) + " ms\n";
    }
    std::string words;
    for (const std::string& word : FormatMacroSteps(record->actions))
        words += (words.empty() ? "" : " ") +
                 (word.find(' ') == std::string::npos ? word : "'" + word + "'");
    text += "steps: " + words + "\n";
    session.Print(MacroJson(*record, true), text);
}

void AddMacro(Session& session, Args& args) {
    std::optional<std::string> cyclesWord = args.TakeOption("cycles");
    int cycles = cyclesWord ? ParseNumber(*cyclesWord, 1, 255, "--cycles") : 1;
    std::string name = args.Next("macro name");
    std::vector<std::string> stepWords = args.Rest();
    std::u16string name16 = ToUtf16(name);
    if (name16.empty()) throw UsageError("macro add: the name is empty");
    if (name16.size() > MACRO_NAME_MAX_UNITS)
        throw UsageError("macro add: the name is longer than " +
                         std::to_string(MACRO_NAME_MAX_UNITS) + " characters");
    if (stepWords.empty()) throw UsageError("macro add: no steps given");
    std::vector<MacroAction> actions = ParseMacroSteps(stepWords);

    session.LoadFromKeyboard(args.Command(), ProfileFileRefresh::WITH_SAVE);
    ProfileWorkingSet& workingSet = session.WorkingSet();
    std::vector<MacroRecord> records = CopyOutMacros(workingSet);
    std::optional<MacroRecord> created = CreateMacro(name16, records);
    if (!created)
        throw UsageError("macro add: the keyboard holds at most " + std::to_string(MACRO_LIST_MAX) +
                         " macros");
    created->cycles = static_cast<uint8_t>(cycles);
    created->actions = std::move(actions);
    records.push_back(*created);

    // Refused before anything is saved, so the profile file never holds what the keyboard
    // could not take.
    size_t needed = MacroAreaSizes(records).withoutNames;
    int capacity = session.Keyboard().Events().MacroCapacity();
    if (needed > static_cast<size_t>(capacity))
        throw CliError{EXIT_FAILED,
                       "macro add: " + OneLine(MACRO_TOO_LONG_KEY, Text(MACRO_TOO_LONG_KEY)) +
                           " (the macros need " + std::to_string(needed) +
                           " bytes, the keyboard holds " + std::to_string(capacity) + ")"};
    if (!CommitMacros(workingSet, records))
        throw CliError{EXIT_FAILED, "macro add: cannot change the macro list"};
    WriteMacros(session, "macro add");
    Json json = MacroJson(records.back(), false);
    session.Report(json, "macro " + std::to_string(records.back().id) + " added: " + name + "\n");
}

void DeleteMacro(Session& session, Args& args) {
    int id = ParseNumber(args.Next("macro id"), MACRO_MIN_ID, MACRO_MAX_ID, "macro id");
    args.Finish();
    session.LoadFromKeyboard(args.Command(), ProfileFileRefresh::WITH_SAVE);
    ProfileWorkingSet& workingSet = session.WorkingSet();
    std::vector<MacroRecord> records = CopyOutMacros(workingSet);
    auto record = std::find_if(records.begin(), records.end(),
                               [&](const MacroRecord& r) { return r.id == id; });
    if (record == records.end())
        throw UsageError("macro delete: no macro with id " + std::to_string(id));
    std::string name = ToUtf8(record->Name());
    records.erase(record);
    if (!CommitMacros(workingSet, records))
        throw CliError{EXIT_FAILED, "macro delete: cannot change the macro list"};
    WriteMacros(session, "macro delete");
    Json json;
    json.Set("deleted", id);
    session.Report(json, "macro " + std::to_string(id) + " deleted: " + name + "\n");
}

}  // namespace

void RunMacros(Session& session, Args& args) {
    args.Finish();
    session.LoadFromKeyboard("macros");
    Json json;
    Json& list = json.Set("macros", Json::MakeArray());
    std::string text;
    for (const MacroRecord& record : CopyOutMacros(session.WorkingSet())) {
        list.Push(MacroJson(record, false));
        text += std::to_string(record.id) + "  " + ToUtf8(record.Name()) + "  (" +
                std::to_string(record.actions.size()) + " steps, plays " +
                std::to_string(record.cycles) + "x)\n";
    }
    if (text.empty()) text = "no macros\n";
    session.Print(json, text);
}

void RunMacro(Session& session, Args& args) {
    std::string sub = args.Next("sub-command (show, add or delete)");
    args.ExtendCommand(sub);
    if (sub == "show") {
        ShowMacro(session, args);
    } else if (sub == "add") {
        AddMacro(session, args);
    } else if (sub == "delete") {
        DeleteMacro(session, args);
    } else {
        throw UsageError("macro: unknown sub-command \"" + sub + "\"");
    }
}

}  // namespace quorvel::cli
