#pragma once
// Process-wide language text slots. Every visible text is named by its language key and starts
// with a built-in text; LoadTexts overwrites the slots from the language file.
#include <string>
#include <string_view>

namespace quorvel {

// The current text of a language key, as UTF-8. An unknown key gives an empty text.
std::string Text(std::string_view key);

}  // namespace quorvel
