#pragma once
// Inside the profile document code only (model/profile_json_*.cpp): the words a document uses
// for keys, multimedia and keyboard functions, and the JSON Pointer paths its refusals name.
// The public entry points are in model/profile_json.h.
#include <array>
#include <string>
#include <string_view>

#include "model/key_codes.h"
#include "model/key_table.h"

namespace quorvel::profile_json {

// Fixed: they are file vocabulary, by MediaIndex and by keyboard function index.
extern const std::array<std::string_view, MEDIA_COUNT> MEDIA_NAMES;
extern const std::array<std::string_view, KEYBOARD_FUNCTION_COUNT> FUNCTION_NAMES;

// The user colour files also keep a colour for Fn, which has no key-table row of its own.
inline constexpr std::string_view FN_NAME = "Fn";

// Names are matched in any case; only ASCII letters fold.
std::string Lower(std::string_view text);

// A scan code of the key table (what key:NAME and macro steps may name).
bool IsKeyScanCode(long s);

// RFC 6901: "~" and "/" inside a key are escaped.
std::string Child(const std::string& path, std::string_view key);
std::string Child(const std::string& path, size_t index);

}  // namespace quorvel::profile_json
