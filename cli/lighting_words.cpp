#include "cli/lighting_words.h"

#include <algorithm>
#include <iterator>

#include "cli/cli_error.h"
#include "cli/parse.h"
#include "model/user_colours.h"

namespace quorvel::cli {

std::vector<Setting> ParseLightingSettings(const std::vector<std::string>& words) {
    std::vector<Setting> settings;
    for (const std::string& word : words) {
        size_t equals = word.find('=');
        Setting s{word.substr(0, equals),
                  equals == std::string::npos ? "" : word.substr(equals + 1)};
        static const char* const KEYS[] = {"mode",      "brightness", "speed",
                                           "direction", "colourful",  "colour",
                                           "preset",    "base",       "rate"};
        bool known = std::find(std::begin(KEYS), std::end(KEYS), s.key) != std::end(KEYS);
        if (equals == std::string::npos || !known)
            throw UsageError("lighting set: \"" + word +
                             "\" is not KEY=VALUE with KEY one of mode, brightness, speed, "
                             "direction, colourful, colour, preset, base, rate");
        settings.push_back(std::move(s));
    }
    if (settings.empty()) throw UsageError("lighting set: no KEY=VALUE given");
    for (const Setting& s : settings) {
        if (s.key == "colour" || s.key == "base")
            ParseColour(s.value);
        else if (s.key == "colourful" || s.key == "direction")
            ParseSwitch(s.value, s.key);
        else if (s.key == "brightness" || s.key == "speed")
            SliderPosition(s.value, s.key);
        else if (s.key == "preset")
            ParseNumber(s.value, 0, PRESET_COUNT - 1, s.key);
        else if (s.key == "rate")
            ParseNumber(s.value, 0, REPORT_RATE_MAX, s.key);
        else
            ParseNumber(s.value, 1, 255, s.key);
    }
    return settings;
}

bool ParseSwitch(std::string_view text, std::string_view what) {
    if (text == "1" || text == "on") return true;
    if (text == "0" || text == "off") return false;
    throw UsageError(std::string(what) + ": \"" + std::string(text) + "\" is not 0 or 1");
}

int SliderPosition(std::string_view text, std::string_view what) {
    return ParseNumber(text, 0, SLIDER_MAX, what);
}

int ParseKeyPosition(std::string_view text) {
    if (EqualsIgnoringCase(text, "Fn")) return MATRIX_FN_POSITION;
    int position = -1;
    if (!text.empty() && text[0] >= '0' && text[0] <= '9' && text.size() <= 3) {
        position = ParseNumber(text, 0, KEY_COLOUR_POSITIONS - 1, "key position");
    } else if (std::optional<ScanCode> s = FindKey(text)) {
        position = MatrixPositionOf(*s);
    }
    const std::vector<int> keys = UserModeKeyPositions();
    if (std::find(keys.begin(), keys.end(), position) == keys.end())
        throw UsageError("usermode paint: \"" + std::string(text) +
                         "\" is no key of the keyboard map, Fn or the matrix position of one");
    return position;
}

}  // namespace quorvel::cli
