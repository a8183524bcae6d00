#pragma once
// The words of `lighting set` and `usermode paint`, checked before anything is written, so a
// typo changes nothing. Every parser throws a usage CliError that names the bad word.
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::cli {

// One KEY=VALUE of lighting set.
struct Setting {
    std::string key;
    std::string value;
};

// Every KEY=VALUE with a known key and a value in that key's range; at least one.
std::vector<Setting> ParseLightingSettings(const std::vector<std::string>& words);

// 0/off or 1/on.
bool ParseSwitch(std::string_view text, std::string_view what);

// A brightness or speed slider position.
int SliderPosition(std::string_view text, std::string_view what);

// A key of the map or Fn, by name or matrix position: the positions a user mode keeps colours
// for. The G keys and the unused matrix positions have no colour of their own there.
int ParseKeyPosition(std::string_view text);

}  // namespace quorvel::cli
