// verify: what the keyboard holds against what the profile files say it should hold.
#include <algorithm>
#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli_error.h"
#include "cli/commands.h"
#include "device/device_events.h"
#include "device/device_link.h"
#include "device/keyboard_check.h"
#include "device/result_codes.h"
#include "model/profile_store.h"

namespace quorvel::cli {

void RunVerify(Session& session, Args& args) {
    args.Finish();
    DeviceLink& link = session.Keyboard();
    session.ActiveProfile();
    const KeyboardCheck check = CheckKeyboardAgainstFiles(link);
    if (check.result != CMD_OK) {
        if (link.CountControlInterfaces() == 0) throw KeyboardError("verify", CMD_NO_DEVICE);
        throw CliError{EXIT_FAILED, "verify: cannot read the keyboard"};
    }
    Json json;
    json.Set("equal", check.differences.empty());
    Json& list = json.Set("differences", Json::MakeArray());
    std::string text;
    for (const AreaDifference& d : check.differences) {
        Json item;
        item.Set("area", d.AreaName());
        if (d.profile >= 0) item.Set("profileIndex", d.profile);
        item.Set("offset", static_cast<int64_t>(d.offset));
        list.Push(std::move(item));
        text += d.AreaName() +
                (d.profile >= 0 ? " of profile " + std::to_string(d.profile + 1) : std::string()) +
                ": differs at offset " + std::to_string(d.offset) + "\n";
    }
    for (int profile : check.uncheckedProfiles)
        text += "key table of profile " + std::to_string(profile + 1) +
                ": not checked (no profile file)\n";
    for (int profile : check.uncheckedLighting)
        text += "lighting of profile " + std::to_string(profile + 1) +
                ": not checked (not read or written since the keyboard was plugged in)\n";
    if (check.differences.empty()) text += "the keyboard holds what the profile files say\n";
    session.Print(json, text);
    if (!check.differences.empty())
        throw CliError{EXIT_FAILED, "verify: the keyboard differs from the profile files"};
}

}  // namespace quorvel::cli
