#include "base/utf16.h"

namespace quorvel {
namespace {

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// Bounds for the second byte of a sequence, which is where overlong forms, encoded
// surrogates and values past U+10FFFF are first visible.
struct LeadInfo {
    int length;  // 0: not a valid lead byte
    unsigned char secondLow;
    unsigned char secondHigh;
};

LeadInfo InfoForLead(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) return {2, 0x80, 0xBF};
    if (lead == 0xE0) return {3, 0xA0, 0xBF};
    if (lead == 0xED) return {3, 0x80, 0x9F};
    if (lead >= 0xE1 && lead <= 0xEF) return {3, 0x80, 0xBF};
    if (lead == 0xF0) return {4, 0x90, 0xBF};
    if (lead >= 0xF1 && lead <= 0xF3) return {4, 0x80, 0xBF};
    if (lead == 0xF4) return {4, 0x80, 0x8F};
    return {0, 0, 0};
}

void AppendUtf16(std::u16string& out, char32_t c) {
    if (c < 0x10000) {
        out.push_back(static_cast<char16_t>(c));
        return;
    }
    c -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

bool IsHighSurrogate(char16_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}

bool IsLowSurrogate(char16_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

}  // namespace

std::u16string ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            out.push_back(lead);
            ++i;
            continue;
        }
        const LeadInfo info = InfoForLead(lead);
        if (info.length == 0) {
            out.push_back(static_cast<char16_t>(REPLACEMENT_CHARACTER));
            ++i;
            continue;
        }
        char32_t c = lead & (0xFF >> (info.length + 1));
        size_t used = 1;
        bool complete = true;
        for (; used < static_cast<size_t>(info.length); ++used) {
            if (i + used >= utf8.size()) {
                complete = false;
                break;
            }
            const auto byte = static_cast<unsigned char>(utf8[i + used]);
            const bool fits = used == 1 ? byte >= info.secondLow && byte <= info.secondHigh
                                        : IsContinuation(byte);
            if (!fits) {
                complete = false;
                break;
            }
            c = (c << 6) | (byte & 0x3F);
        }
        // The bytes consumed so far form one ill-formed subsequence; the byte that broke it
        // starts the next character.
        if (complete)
            AppendUtf16(out, c);
        else
            out.push_back(static_cast<char16_t>(REPLACEMENT_CHARACTER));
        i += used;
    }
    return out;
}

std::string ToUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size() * 3);
    for (size_t i = 0; i < utf16.size(); ++i) {
        const char16_t unit = utf16[i];
        if (IsHighSurrogate(unit) && i + 1 < utf16.size() && IsLowSurrogate(utf16[i + 1])) {
            AppendUtf8(out, 0x10000 + ((char32_t(unit) - 0xD800) << 10) +
                                (char32_t(utf16[i + 1]) - 0xDC00));
            ++i;
        } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
            AppendUtf8(out, REPLACEMENT_CHARACTER);
        } else {
            AppendUtf8(out, unit);
        }
    }
    return out;
}

}  // namespace quorvel
