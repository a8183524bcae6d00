#pragma once
// Conversions between the UTF-8 the program uses for its own texts and the UTF-16 that profile
// files, macro names and the keyboard carry. Malformed input (a broken UTF-8 sequence, a lone
// surrogate) turns into U+FFFD rather than failing, so a damaged file still shows something.
#include <string>
#include <string_view>

namespace quorvel {

inline constexpr char32_t REPLACEMENT_CHARACTER = 0xFFFD;

// Each maximal ill-formed UTF-8 subsequence becomes one U+FFFD (overlong forms, encoded
// surrogates and values above U+10FFFF are ill-formed).
std::u16string ToUtf16(std::string_view utf8);

// Each unpaired surrogate becomes U+FFFD.
std::string ToUtf8(std::u16string_view utf16);

}  // namespace quorvel
