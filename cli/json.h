#pragma once
// The tool's machine-readable output, built up by the commands: objects keep their keys in the
// order they were added, so the output reads like the text form. Written by nlohmann/json.
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

    using Variant = std::variant<std::monostate, bool, int64_t, std::string, Array, Object>;
    const Variant& Get() const { return value_; }

private:
    Variant value_;
};

}  // namespace quorvel::cli
