#pragma once
// A small JSON value for the tool's machine-readable output: objects keep their keys in the
// order they were added, so the output reads like the text form.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace quorvel::cli {

class Json {
public:
    using Array = std::vector<Json>;
    using Object = std::vector<std::pair<std::string, Json>>;

    Json() = default;  // null
    Json(bool value) : value_(value) {}
    Json(int value) : value_(static_cast<int64_t>(value)) {}
    Json(int64_t value) : value_(value) {}
    Json(uint32_t value) : value_(static_cast<int64_t>(value)) {}
    Json(const char* value) : value_(std::string(value)) {}
    Json(std::string value) : value_(std::move(value)) {}
    Json(std::string_view value) : value_(std::string(value)) {}
    Json(Array value) : value_(std::move(value)) {}
    Json(Object value) : value_(std::move(value)) {}

    static Json MakeArray() { return Json(Array{}); }
    static Json MakeObject() { return Json(Object{}); }

    // Adds a key to an object (a null value becomes an object first).
    Json& Set(std::string key, Json value);
    // Appends to an array (a null value becomes an array first).
    Json& Push(Json value);

    // Compact, one line.
    std::string Dump() const;

private:
    void DumpTo(std::string& out) const;

    std::variant<std::monostate, bool, int64_t, std::string, Array, Object> value_;
};

// The text between the quotes of a JSON string.
std::string JsonEscape(std::string_view text);

}  // namespace quorvel::cli
