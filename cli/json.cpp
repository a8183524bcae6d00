#include "cli/json.h"

#include <nlohmann/json.hpp>

namespace quorvel::cli {
namespace {

nlohmann::ordered_json ToLibrary(const Json& json);

struct Converter {
    nlohmann::ordered_json operator()(std::monostate) const { return nullptr; }
    nlohmann::ordered_json operator()(bool value) const { return value; }
    nlohmann::ordered_json operator()(int64_t value) const { return value; }
    nlohmann::ordered_json operator()(const std::string& value) const { return value; }
    nlohmann::ordered_json operator()(const Json::Array& array) const {
        nlohmann::ordered_json out = nlohmann::ordered_json::array();
        for (const Json& item : array) out.push_back(ToLibrary(item));
        return out;
    }
    nlohmann::ordered_json operator()(const Json::Object& object) const {
        nlohmann::ordered_json out = nlohmann::ordered_json::object();
        for (const auto& [key, value] : object) out[key] = ToLibrary(value);
        return out;
    }
};

nlohmann::ordered_json ToLibrary(const Json& json) {
    return std::visit(Converter{}, json.Get());
}

}  // namespace

Json& Json::Set(std::string key, Json value) {
    if (std::holds_alternative<std::monostate>(value_)) value_ = Object{};
    auto& object = std::get<Object>(value_);
    object.emplace_back(std::move(key), std::move(value));
    return object.back().second;
}

Json& Json::Push(Json value) {
    if (std::holds_alternative<std::monostate>(value_)) value_ = Array{};
    auto& array = std::get<Array>(value_);
    array.push_back(std::move(value));
    return array.back();
}

std::string Json::Dump() const {
    // Names come from files and the keyboard: a stray byte must not end the command.
    return ToLibrary(*this).dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace quorvel::cli
