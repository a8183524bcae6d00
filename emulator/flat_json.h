#pragma once
// The daemon's JSON: one flat object whose values are strings (byte areas as upper-case hex),
// numbers or booleans, written and read by nlohmann/json. Keys stay in the order they were
// added and each sits on a line of its own, so state files diff well.
#include <cstdint>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

namespace quorvel::vkbd {

std::string HexString(const uint8_t* data, size_t size, const char* separator = "");
std::optional<std::vector<uint8_t>> ParseHex(const std::string& text);

class FlatJsonWriter {
public:
    void String(const std::string& key, const std::string& value);
    void Hex(const std::string& key, const uint8_t* data, size_t size);
    void Number(const std::string& key, long long value);
    void Bool(const std::string& key, bool value);
    std::string Text() const;

private:
    nlohmann::ordered_json object_ = nlohmann::ordered_json::object();
};

// Values by key, strings unquoted; nullopt when the text is not such an object.
std::optional<std::map<std::string, std::string>> ParseFlatJson(const std::string& text);

}  // namespace quorvel::vkbd
