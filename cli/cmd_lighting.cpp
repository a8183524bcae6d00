// lighting, lighting set/default and usermode: the active profile's lighting. Every change is
// written to the keyboard at once, as the lighting panel does.
#include <algorithm>
#include <string>
#include <vector>

#include "cli/cli_error.h"
#include "cli/commands.h"
#include "cli/lighting_words.h"
#include "cli/mode_names.h"
#include "cli/parse.h"
#include "device/lighting_io.h"
#include "device/result_codes.h"

namespace quorvel::cli {
namespace {

LightingState ReadState(Session& session, const std::string& what) {
    LightingState state;
    state.activeProfile = session.ActiveProfile();
    if (ReadLighting(session.Keyboard(), state) != READ_LIGHTING_OK)
        throw KeyboardError(what + ": reading the lighting", CMD_NO_REPLY);
    return state;
}

void Check(int result, const std::string& what) {
    if (result != CMD_OK) throw KeyboardError(what, result);
}

void RequireUserMode(const LightingState& state, const std::string& what) {
    if (!SupportsUserMode(state))
        throw UsageError(what + ": the keyboard offers no user-defined mode");
}

// Only ids of the mode table that the keyboard announces; the panel knows nothing else to do
// with any other id, so it is never written.
void CheckModeOffered(const LightingState& state, int id) {
    if (FindEffectMode(id) == nullptr)
        throw UsageError("lighting set: " + std::to_string(id) +
                         " is not a lighting mode (modes are 1-18 and 20)");
    const std::vector<uint8_t> offered = ModeListIds(state);
    if (std::find(offered.begin(), offered.end(), id) == offered.end())
        throw UsageError("lighting set: the keyboard offers no mode " + std::to_string(id) +
                         " (see quorvelctl status)");
}

void ShowLighting(Session& session) {
    LightingState state = ReadState(session, "lighting");
    std::string modeName = ModeName(session.Paths(), state.modeId);
    int speed = SpeedSliderPosition(state);
    Json json;
    json.Set("profileIndex", state.activeProfile);
    json.Set("mode", state.modeId);
    json.Set("modeName", modeName);
    json.Set("brightness", state.brightness);
    json.Set("speed", speed);
    json.Set("direction", state.direction);
    json.Set("colourful", state.colourful);
    json.Set("colour", FormatColour(state.colour));
    json.Set("preset", state.preset);
    json.Set("rate", state.reportRate);
    std::string text = "profile:     " + std::to_string(state.activeProfile + 1) + "\n";
    text += "mode:        " + std::to_string(state.modeId) +
            (modeName.empty() ? "" : "  " + modeName) + "\n";
    text += "brightness:  " + std::to_string(state.brightness) + "\n";
    text += "speed:       " + std::to_string(speed) + "\n";
    text += "direction:   " + std::to_string(state.direction) + "\n";
    text += std::string("colourful:   ") + (state.colourful ? "1" : "0") + "\n";
    text += "colour:      " + FormatColour(state.colour) + "\n";
    text += "preset:      " + std::to_string(state.preset) + "\n";
    text += "rate:        " + std::to_string(state.reportRate) + "\n";
    session.Print(json, text);
}

void WriteSetting(Session& session, LightingState& state, const Setting& s) {
    DeviceLink& link = session.Keyboard();
    int profile = state.activeProfile;
    std::string what = "lighting set " + s.key;
    if (s.key == "mode") {
        int id = ParseNumber(s.value, 1, 255, "mode");
        CheckModeOffered(state, id);
        Check(WriteMode(link, state, id), what);
        state.modeId = id;
    } else if (s.key == "brightness") {
        // The state follows every write: a later mode write repeats offsets 1-3 from it.
        state.brightness = SliderPosition(s.value, s.key);
        Check(SendParamWrite(link, BrightnessWrite(profile, state.brightness)), what);
    } else if (s.key == "speed") {
        state.speed = SLIDER_MAX - SliderPosition(s.value, s.key);
        Check(SendParamWrite(link, SpeedWrite(profile, state.speed)), what);
    } else if (s.key == "direction") {
        state.direction = ParseSwitch(s.value, s.key) ? 1 : 0;
        Check(SendParamWrite(link, DirectionWrite(profile, state.direction)), what);
    } else if (s.key == "colourful") {
        state.colourful = ParseSwitch(s.value, s.key);
        Check(SendParamWrite(link, ColourfulWrite(profile, state.colourful)), what);
    } else if (s.key == "colour") {
        // As the colour buttons do: a chosen colour turns the many-colours switch off.
        state.colour = ParseColour(s.value);
        state.colourful = false;
        Check(SendParamWrite(link, ColourWrite(profile, state.colour)), what);
    } else if (s.key == "preset") {
        state.preset = ParseNumber(s.value, 0, PRESET_COUNT - 1, s.key);
        Check(SendParamWrite(link, PresetWrite(profile, state.preset)), what);
    } else if (s.key == "rate") {
        state.reportRate = ParseNumber(s.value, 0, REPORT_RATE_MAX, s.key);
        Check(SendParamWrite(link, ReportRateWrite(profile, state.reportRate)), what);
    } else if (s.key == "base") {
        RequireUserMode(state, "lighting set base");
        Colour colour = ParseColour(s.value);
        KeyColourTable table{};
        KeyColourMarks marks{};
        UserModeState user = LoadUserMode(session.Paths(), profile, table, marks);
        // The colour it already has: the file and the keyboard stay as they are.
        if (ChangeBaseColour(session.Paths(), profile, user, colour, table, marks))
            Check(SendBaseColour(link, profile, colour, table), what);
    }
}

void SetLighting(Session& session, Args& args) {
    const std::vector<Setting> settings = ParseLightingSettings(args.Rest());
    LightingState state = ReadState(session, "lighting set");
    Json json;
    std::string text;
    for (const Setting& s : settings) {
        WriteSetting(session, state, s);
        json.Set(s.key, s.value);
        text += s.key + " = " + s.value + "\n";
    }
    session.Report(json, text);
}

void RestoreDefault(Session& session, Args& args) {
    args.Finish();
    if (!session.Options().yes)
        throw UsageError(
            "lighting default: this resets the lighting and the user colour file of the active "
            "profile; confirm with --yes");
    LightingState state = ReadState(session, "lighting default");
    DeviceLink& link = session.Keyboard();
    int profile = state.activeProfile;
    Check(WriteMode(link, state, 1), "lighting default");
    if (SupportsUserMode(state)) {
        std::string error;
        if (!RestoreFactoryUserColours(session.Paths(), profile, &error))
            throw CliError{EXIT_FAILED, "lighting default: " + error};
        UserModeState user;
        KeyColourTable table{};
        KeyColourMarks marks{};
        Check(LoadUserMode(link, session.Paths(), profile, user, table, marks),
              "lighting default: user colours");
    }
    Check(SendParamWrite(link, DefaultParamsWrite(profile)), "lighting default");
    Json json;
    json.Set("profileIndex", profile);
    session.Report(json,
                   "default lighting restored on profile " + std::to_string(profile + 1) + "\n");
}

}  // namespace

void RunLighting(Session& session, Args& args) {
    if (args.Empty()) return ShowLighting(session);
    std::string sub = args.Next("sub-command");
    args.ExtendCommand(sub);
    if (sub == "set") return SetLighting(session, args);
    if (sub == "default") return RestoreDefault(session, args);
    throw UsageError("lighting: unknown sub-command \"" + sub + "\"");
}

void RunUserMode(Session& session, Args& args) {
    std::string sub = args.Empty() ? "list" : args.Next("sub-command");
    args.ExtendCommand(sub);
    const ProgramPaths& paths = session.Paths();
    if (sub == "list") {
        args.Finish();
        LightingState state = ReadState(session, "usermode list");
        RequireUserMode(state, "usermode list");
        int profile = state.activeProfile;
        int current = ReadPresentMode(paths, profile);
        Json json;
        json.Set("profileIndex", profile);
        json.Set("currentIndex", current);
        Json& modes = json.Set("modes", Json::MakeArray());
        std::string text;
        auto names = ReadUserModeNames(paths, profile);
        for (int k = 0; k < USER_MODE_COUNT; ++k) {
            modes.Push(names[static_cast<size_t>(k)]);
            text += (k == current ? "* " : "  ") + std::to_string(k + 1) + "  " +
                    names[static_cast<size_t>(k)] + "\n";
        }
        session.Print(json, text);
    } else if (sub == "set") {
        int mode = ParseNumber(args.Next("user mode (1-10)"), 1, USER_MODE_COUNT, "user mode") - 1;
        args.Finish();
        LightingState state = ReadState(session, "usermode set");
        RequireUserMode(state, "usermode set");
        int profile = state.activeProfile;
        if (!WritePresentMode(paths, profile, mode))
            throw CliError{EXIT_FAILED, "usermode set: cannot write the user colour file"};
        UserModeState user;
        KeyColourTable table{};
        KeyColourMarks marks{};
        Check(LoadUserMode(session.Keyboard(), paths, profile, user, table, marks), "usermode set");
        Json json;
        json.Set("currentIndex", mode);
        session.Report(json, "user mode " + std::to_string(mode + 1) + " is current\n");
    } else if (sub == "paint") {
        int position = ParseKeyPosition(args.Next("key position"));
        std::string colourWord = args.Next("colour (RRGGBB or base)");
        args.Finish();
        bool base = EqualsIgnoringCase(colourWord, "base");
        Colour colour = base ? COLOUR_BLACK : ParseColour(colourWord);
        LightingState state = ReadState(session, "usermode paint");
        RequireUserMode(state, "usermode paint");
        int profile = state.activeProfile;
        KeyColourTable table{};
        KeyColourMarks marks{};
        UserModeState user = LoadUserMode(paths, profile, table, marks);
        user.tool = base ? TOOL_BASE_COLOUR : TOOL_USER_COLOUR;
        if (!base) user.userColour = colour;
        if (!WriteToolAndColours(paths, profile, user.currentMode, user))
            throw CliError{EXIT_FAILED, "usermode paint: cannot write the user colour file"};
        Colour painted = PaintKeyColour(paths, profile, user, position, table, marks);
        Check(SendKeyColour(session.Keyboard(), profile, position, painted), "usermode paint");
        Json json;
        json.Set("position", position);
        json.Set("colour", FormatColour(painted));
        session.Report(json, "position " + std::to_string(position) + " painted " +
                                 FormatColour(painted) + "\n");
    } else {
        throw UsageError("usermode: unknown sub-command \"" + sub + "\"");
    }
}

}  // namespace quorvel::cli
