// keys, key set and names: key assignments of the on-board profiles.
#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>

#include "base/utf16.h"
#include "cli/cli_error.h"
#include "cli/commands.h"
#include "cli/parse.h"
#include "device/device_link.h"
#include "device/profile_transfer.h"
#include "device/result_codes.h"
#include "model/describe_assignment.h"
#include "model/key_table.h"
#include "model/macro_list.h"

namespace quorvel::cli {
namespace {

char ParseBank(const std::optional<std::string>& bank) {
    if (!bank || *bank == "a" || *bank == "A") return 'a';
    if (*bank == "b" || *bank == "B") return 'b';
    throw UsageError("--bank: \"" + *bank + "\" is not a or b");
}

DescribedKey Described(const KeySlot& slot) {
    return slot.isGKey ? DescribedKey::GKey(slot.gNumber) : DescribedKey::MapKey(slot.scanCode);
}

}  // namespace

void RunKeys(Session& session, Args& args) {
    std::optional<std::string> profileWord = args.TakeOption("profile");
    args.Finish();
    int profile = profileWord ? ParseProfileNumber(*profileWord) : session.ActiveProfile();
    session.LoadFromKeyboard("keys");

    Json json;
    json.Set("profileIndex", profile);
    Json& keys = json.Set("keys", Json::MakeArray());
    std::string text;
    auto lock = session.WorkingSet().Lock();
    const KeyArea& area = lock->keyAreas[static_cast<size_t>(profile)];
    const MacroList& macros = lock->macros;
    auto macroName = [&](int32_t id) {
        const MacroRecord* record = macros.FindId(id);
        return record ? ToUtf8(record->Name()) : std::string();
    };
    for (int entry = 0; entry < KEY_AREA_ENTRIES; ++entry) {
        const KeyAssignment& a = area[static_cast<size_t>(entry)];
        if (a.type == ASSIGN_DEFAULT) continue;
        std::optional<KeySlot> slot = SlotOfEntry(entry);
        if (!slot) continue;
        std::string assignment = FormatAssignment(a);
        std::string description = DescribeAssignment(Described(*slot), a, macroName).tipText;
        Json key;
        key.Set("key", slot->Name());
        key.Set("entry", entry);
        key.Set("type", static_cast<int>(a.type));
        key.Set("value", static_cast<int64_t>(a.value));
        key.Set("assignment", assignment);
        key.Set("description", description);
        keys.Push(std::move(key));
        std::string name = slot->Name();
        name.resize(std::max<size_t>(name.size(), 16), ' ');
        text += name + "  " + assignment;
        if (a.type == ASSIGN_MACRO) {
            std::string macro = macroName(a.value);
            if (!macro.empty()) text += "  (" + macro + ")";
        }
        text += "\n";
    }
    if (text.empty()) text = "no key of profile " + std::to_string(profile + 1) + " is assigned\n";
    session.Print(json, text);
}

void RunKey(Session& session, Args& args) {
    std::string sub = args.Next("sub-command");
    if (sub != "set") throw UsageError("key: unknown sub-command \"" + sub + "\"");
    args.ExtendCommand(sub);
    char bank = ParseBank(args.TakeOption("bank"));
    std::string keyWord = args.Next("KEY");
    std::string assignmentWord = args.Next("ASSIGNMENT");
    args.Finish();
    AssignmentSpec parsed = ParseAssignmentSpec(assignmentWord);

    DeviceLink& link = session.Keyboard();
    // The key table of the keyboard just read decides which keys have a slot.
    KeySlot slot = ParseKeySlot(keyWord, bank);
    int profile = session.ActiveProfile();
    // Apply saves the profile file below.
    session.LoadFromKeyboard("key set", ProfileFileRefresh::WITH_SAVE);
    ProfileWorkingSet& workingSet = session.WorkingSet();

    KeyAssignment a = parsed.assignment;
    if (a.type == ASSIGN_MACRO) {
        std::vector<MacroRecord> records = CopyOutMacros(workingSet);
        auto record = std::find_if(records.begin(), records.end(),
                                   [&](const MacroRecord& r) { return r.id == a.value; });
        if (record == records.end())
            throw UsageError("key set: no macro with id " + std::to_string(a.value) +
                             " (see quorvelctl macros)");
        if (parsed.cycles && *parsed.cycles != record->cycles) {
            record->cycles = static_cast<uint8_t>(*parsed.cycles);
            if (!CommitMacros(workingSet, records))
                throw CliError{EXIT_FAILED, "key set: cannot change the macro's cycles"};
        }
        a.aux = record->cycles;
    } else if (slot.isGKey) {
        a.aux = FreshKeyArea()[static_cast<size_t>(slot.entry)].aux;
    }
    SetEntryText(workingSet, profile, slot.entry, std::nullopt);
    {
        auto lock = workingSet.Lock();
        KeyAssignment& stored =
            lock->keyAreas[static_cast<size_t>(profile)][static_cast<size_t>(slot.entry)];
        a.colourFlag = stored.colourFlag;
        a.reserved = stored.reserved;
        stored = a;
    }
    ApplyResult result = ApplyWorkingSet(link, session.Shell(), workingSet, session.Snapshot(),
                                         session.ProgressBar("key set"));
    session.EndProgress();
    if (result.written != 1) throw session.WriteFailed("key set");

    Json json;
    json.Set("profileIndex", profile);
    json.Set("key", slot.Name());
    json.Set("entry", slot.entry);
    json.Set("assignment", FormatAssignment(a));
    session.Report(json, slot.Name() + " = " + FormatAssignment(a) + " (profile " +
                             std::to_string(profile + 1) + ")\n");
}

void RunNames(Session& session, Args& args) {
    std::string which = args.Empty() ? "all" : args.Next("list");
    args.Finish();
    if (which != "all" && which != "keys" && which != "media" && which != "functions")
        throw UsageError("names: \"" + which + "\" is not keys, media or functions");
    Json json;
    std::string text;
    if (which == "all" || which == "keys") {
        Json& keys = json.Set("keys", Json::MakeArray());
        text += "keys:\n";
        for (const MatrixKey& key : MatrixKeys()) {
            std::string name = KeyDisplayName(key.scanCode);
            char code[8];
            std::snprintf(code, sizeof code, "0x%03X", key.scanCode);
            Json item;
            item.Set("name", name);
            item.Set("scanCode", std::string(code));
            keys.Push(std::move(item));
            text += "  " + std::string(code) + "  " + name + "\n";
        }
    }
    if (which == "all" || which == "media") {
        Json& media = json.Set("media", Json::MakeArray());
        text += "media:\n";
        for (int i = 0; i < MEDIA_COUNT; ++i) {
            media.Push(MediaName(i));
            text += "  " + std::to_string(i) + "  " + MediaName(i) + "\n";
        }
    }
    if (which == "all" || which == "functions") {
        Json& functions = json.Set("functions", Json::MakeArray());
        text += "functions:\n";
        for (int i = 0; i < KEYBOARD_FUNCTION_COUNT; ++i) {
            functions.Push(FunctionName(i));
            text += "  " + std::to_string(i) + "  " + FunctionName(i) + "\n";
        }
    }
    session.Print(json, text);
}

}  // namespace quorvel::cli
