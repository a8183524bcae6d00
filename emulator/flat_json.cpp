#include "emulator/flat_json.h"

#include <cctype>

namespace quorvel::vkbd {
namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

void SkipSpace(const std::string& text, size_t& at) {
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
}

// Keys and values never need escapes; a backslash makes the text unreadable to us.
std::optional<std::string> ReadString(const std::string& text, size_t& at) {
    if (at >= text.size() || text[at] != '"') return std::nullopt;
    size_t end = text.find('"', at + 1);
    if (end == std::string::npos) return std::nullopt;
    std::string value = text.substr(at + 1, end - at - 1);
    if (value.find('\\') != std::string::npos) return std::nullopt;
    at = end + 1;
    return value;
}

}  // namespace

std::string HexString(const uint8_t* data, size_t size, const char* separator) {
    static const char DIGITS[] = "0123456789ABCDEF";
    std::string text;
    for (size_t i = 0; i < size; ++i) {
        if (i > 0) text += separator;
        text += DIGITS[data[i] >> 4];
        text += DIGITS[data[i] & 0x0F];
    }
    return text;
}

std::optional<std::vector<uint8_t>> ParseHex(const std::string& text) {
    if (text.size() % 2 != 0) return std::nullopt;
    std::vector<uint8_t> bytes;
    bytes.reserve(text.size() / 2);
    for (size_t i = 0; i < text.size(); i += 2) {
        int high = HexDigit(text[i]), low = HexDigit(text[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes.push_back(static_cast<uint8_t>(high << 4 | low));
    }
    return bytes;
}

void FlatJsonWriter::Key(const std::string& key) {
    text_ += text_.size() > 1 ? ",\n  \"" : "\n  \"";
    text_ += key + "\": ";
}

void FlatJsonWriter::String(const std::string& key, const std::string& value) {
    Key(key);
    text_ += "\"" + value + "\"";
}

void FlatJsonWriter::Hex(const std::string& key, const uint8_t* data, size_t size) {
    String(key, HexString(data, size));
}

void FlatJsonWriter::Number(const std::string& key, long long value) {
    Key(key);
    text_ += std::to_string(value);
}

void FlatJsonWriter::Bool(const std::string& key, bool value) {
    Key(key);
    text_ += value ? "true" : "false";
}

std::optional<std::map<std::string, std::string>> ParseFlatJson(const std::string& text) {
    std::map<std::string, std::string> values;
    size_t at = 0;
    SkipSpace(text, at);
    if (at >= text.size() || text[at++] != '{') return std::nullopt;
    SkipSpace(text, at);
    if (at < text.size() && text[at] == '}') return values;
    for (;;) {
        SkipSpace(text, at);
        auto key = ReadString(text, at);
        if (!key) return std::nullopt;
        SkipSpace(text, at);
        if (at >= text.size() || text[at++] != ':') return std::nullopt;
        SkipSpace(text, at);
        if (at < text.size() && text[at] == '"') {
            auto value = ReadString(text, at);
            if (!value) return std::nullopt;
            values[*key] = *value;
        } else {
            size_t start = at;
            while (at < text.size() &&
                   (std::isalnum(static_cast<unsigned char>(text[at])) || text[at] == '-'))
                ++at;
            if (at == start) return std::nullopt;
            values[*key] = text.substr(start, at - start);
        }
        SkipSpace(text, at);
        if (at >= text.size()) return std::nullopt;
        char c = text[at++];
        if (c == '}') break;
        if (c != ',') return std::nullopt;
    }
    SkipSpace(text, at);
    if (at != text.size()) return std::nullopt;
    return values;
}

}  // namespace quorvel::vkbd
