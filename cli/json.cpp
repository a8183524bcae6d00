#include "cli/json.h"

#include <cstdio>

namespace quorvel::cli {

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

std::string JsonEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                    out += escaped;
                } else {
                    out += c;
                }
        }
    }
    return out;
}

std::string Json::Dump() const {
    std::string out;
    DumpTo(out);
    return out;
}

void Json::DumpTo(std::string& out) const {
    if (std::holds_alternative<std::monostate>(value_)) {
        out += "null";
    } else if (const bool* b = std::get_if<bool>(&value_)) {
        out += *b ? "true" : "false";
    } else if (const int64_t* i = std::get_if<int64_t>(&value_)) {
        out += std::to_string(*i);
    } else if (const std::string* s = std::get_if<std::string>(&value_)) {
        out += '"';
        out += JsonEscape(*s);
        out += '"';
    } else if (const Array* a = std::get_if<Array>(&value_)) {
        out += '[';
        for (size_t k = 0; k < a->size(); ++k) {
            if (k > 0) out += ',';
            (*a)[k].DumpTo(out);
        }
        out += ']';
    } else {
        const auto& object = std::get<Object>(value_);
        out += '{';
        for (size_t k = 0; k < object.size(); ++k) {
            if (k > 0) out += ',';
            out += '"';
            out += JsonEscape(object[k].first);
            out += "\":";
            object[k].second.DumpTo(out);
        }
        out += '}';
    }
}

}  // namespace quorvel::cli
