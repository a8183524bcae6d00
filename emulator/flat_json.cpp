#include "emulator/flat_json.h"

namespace quorvel::vkbd {
namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
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

void FlatJsonWriter::String(const std::string& key, const std::string& value) {
    object_[key] = value;
}

void FlatJsonWriter::Hex(const std::string& key, const uint8_t* data, size_t size) {
    String(key, HexString(data, size));
}

void FlatJsonWriter::Number(const std::string& key, long long value) {
    object_[key] = value;
}

void FlatJsonWriter::Bool(const std::string& key, bool value) {
    object_[key] = value;
}

std::string FlatJsonWriter::Text() const {
    return object_.dump(2) + "\n";
}

std::optional<std::map<std::string, std::string>> ParseFlatJson(const std::string& text) {
    const nlohmann::json object = nlohmann::json::parse(text, nullptr, /*allow_exceptions=*/false);
    if (!object.is_object()) return std::nullopt;
    std::map<std::string, std::string> values;
    for (const auto& [key, value] : object.items()) {
        if (value.is_string())
            values[key] = value.get<std::string>();
        else if (value.is_number_integer() || value.is_boolean())
            values[key] = value.dump();
        else
            return std::nullopt;
    }
    return values;
}

}  // namespace quorvel::vkbd
