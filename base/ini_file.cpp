#include "base/ini_file.h"

#include <cerrno>
#include <cstdint>
#include <fstream>
#include <optional>
#include <sstream>

#include "base/atomic_write.h"

namespace quorvel {
namespace {

constexpr std::string_view BLANKS = " \t";
constexpr std::string_view BOM = "\xEF\xBB\xBF";

std::string_view Trim(std::string_view s) {
    const auto first = s.find_first_not_of(BLANKS);
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(BLANKS) - first + 1);
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

bool IsQuote(char c) {
    return c == '"' || c == '\'';
}

bool EnclosedInQuotes(std::string_view s) {
    return s.size() >= 2 && IsQuote(s.front()) && s.front() == s.back();
}

std::string_view TrimEnd(std::string_view s) {
    const auto last = s.find_last_not_of(BLANKS);
    return last == std::string_view::npos ? std::string_view() : s.substr(0, last + 1);
}

// A line without its line end (LF, CRLF or a lone CR).
std::string_view Content(std::string_view line) {
    if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

std::string_view LineEnd(std::string_view line) {
    return line.substr(Content(line).size());
}

struct ParsedLine {
    enum class Kind { OTHER, SECTION, KEY } kind = Kind::OTHER;
    std::string_view name;
    std::string_view rawValue;  // everything after '='
};

ParsedLine Parse(std::string_view line) {
    const std::string_view text = Trim(Content(line));
    if (text.empty() || text.front() == ';') return {};
    if (text.front() == '[') {
        const auto close = text.find(']');
        return {ParsedLine::Kind::SECTION,
                Trim(text.substr(1, close == text.npos ? text.npos : close - 1)),
                {}};
    }
    const auto equals = text.find('=');
    if (equals == text.npos) return {};
    const std::string_view name = Trim(text.substr(0, equals));
    if (name.empty()) return {};
    return {ParsedLine::Kind::KEY, name, text.substr(equals + 1)};
}

std::string_view DecodeValue(std::string_view raw) {
    std::string_view value = Trim(raw);
    if (EnclosedInQuotes(value)) value = value.substr(1, value.size() - 2);
    return value;
}

std::string EncodeValue(std::string_view value) {
    if (value != Trim(value) || EnclosedInQuotes(value)) return '"' + std::string(value) + '"';
    return std::string(value);
}

// Where a section and key sit in the file: the first section of that name only, and in it the
// first line of that key.
struct Location {
    std::optional<size_t> sectionLine;
    std::optional<size_t> keyLine;
    size_t lastUsedLine = 0;  // the section's last line that is not blank
};

Location Locate(const std::vector<std::string>& lines, std::string_view section,
                std::string_view key) {
    Location loc;
    for (size_t i = 0; i < lines.size(); ++i) {
        const ParsedLine parsed = Parse(lines[i]);
        if (!loc.sectionLine) {
            if (parsed.kind == ParsedLine::Kind::SECTION && EqualsNoCase(parsed.name, section)) {
                loc.sectionLine = i;
                loc.lastUsedLine = i;
            }
            continue;
        }
        if (parsed.kind == ParsedLine::Kind::SECTION) break;
        if (!Trim(Content(lines[i])).empty()) loc.lastUsedLine = i;
        if (!loc.keyLine && parsed.kind == ParsedLine::Kind::KEY && EqualsNoCase(parsed.name, key))
            loc.keyLine = i;
    }
    return loc;
}

// Missing files read as empty; any other failure to read is reported, so that a write never
// replaces a file it could not see.
bool LoadLines(const std::string& path, std::vector<std::string>& lines, bool& hadBom) {
    lines.clear();
    hadBom = false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return errno == ENOENT;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad()) return false;
    std::string_view text = buffer.view();
    if (text.starts_with(BOM)) {
        hadBom = true;
        text.remove_prefix(BOM.size());
    }
    while (!text.empty()) {
        // Lines end in LF, CRLF or, in old Mac files, a lone CR.
        const auto end = text.find_first_of("\r\n");
        size_t length = text.size();
        if (end != text.npos)
            length =
                end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
        lines.emplace_back(text.substr(0, length));
        text.remove_prefix(length);
    }
    return true;
}

std::string PreferredLineEnd(const std::vector<std::string>& lines) {
    for (const std::string& line : lines)
        if (!LineEnd(line).empty()) return std::string(LineEnd(line));
    return "\n";
}

bool StorableName(std::string_view name, std::string_view forbidden) {
    return !name.empty() && name.find_first_of(forbidden) == name.npos;
}

}  // namespace

std::string CutToUtf16Units(std::string_view utf8, std::size_t maxUnits) {
    size_t units = 0;
    size_t pos = 0;
    while (pos < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[pos]);
        size_t length = 1;
        if (lead >= 0xC2 && lead <= 0xDF)
            length = 2;
        else if (lead >= 0xE0 && lead <= 0xEF)
            length = 3;
        else if (lead >= 0xF0 && lead <= 0xF4)
            length = 4;
        bool valid = pos + length <= utf8.size();
        for (size_t i = 1; valid && i < length; ++i)
            valid = (static_cast<unsigned char>(utf8[pos + i]) & 0xC0) == 0x80;
        if (!valid) length = 1;
        const size_t needed = length == 4 ? 2 : 1;
        if (units + needed > maxUnits) break;
        units += needed;
        pos += length;
    }
    return std::string(utf8.substr(0, pos));
}

IniFile::IniFile(std::string path) : path_(std::move(path)) {
    Reload();
}

void IniFile::Reload() {
    if (!LoadLines(path_, lines_, hadBom_)) lines_.clear();
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view fallback) const {
    const Location loc = Locate(lines_, Trim(section), Trim(key));
    // The profile functions drop a default's trailing blanks, never its leading ones.
    const std::string_view value =
        loc.keyLine ? DecodeValue(Parse(lines_[*loc.keyLine]).rawValue) : TrimEnd(fallback);
    return CutToUtf16Units(value, INI_VALUE_MAX_UNITS);
}

int IniFile::ReadInt(std::string_view section, std::string_view key, int fallback) const {
    if (!HasKey(section, key)) return fallback;
    const std::string text = ReadString(section, key);
    if (text.empty()) return fallback;
    size_t pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) negative = text[pos++] == '-';
    // Out-of-range values wrap modulo 2^32 as the profile functions' do, rather than clamp.
    uint32_t value = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos)
        value = value * 10u + static_cast<uint32_t>(text[pos] - '0');
    if (negative) value = 0u - value;
    return static_cast<int>(value);
}

std::vector<std::pair<std::string, std::string>> IniFile::ReadSection(
    std::string_view section) const {
    std::vector<std::pair<std::string, std::string>> entries;
    bool inside = false;
    for (const std::string& line : lines_) {
        const ParsedLine parsed = Parse(line);
        if (parsed.kind == ParsedLine::Kind::SECTION) {
            if (inside) break;
            inside = EqualsNoCase(parsed.name, Trim(section));
        } else if (inside && parsed.kind == ParsedLine::Kind::KEY) {
            entries.emplace_back(
                std::string(parsed.name),
                CutToUtf16Units(DecodeValue(parsed.rawValue), INI_VALUE_MAX_UNITS));
        }
    }
    return entries;
}

bool IniFile::HasKey(std::string_view section, std::string_view key) const {
    return Locate(lines_, Trim(section), Trim(key)).keyLine.has_value();
}

bool IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    const IniEntry entry{key, value};
    return WriteStrings(section, {&entry, 1});
}

bool IniFile::WriteStrings(std::string_view section, std::span<const IniEntry> entries) {
    section = Trim(section);
    if (!StorableName(section, "]\r\n")) return false;
    for (const IniEntry& entry : entries) {
        const std::string_view key = Trim(entry.key);
        if (!StorableName(key, "=\r\n") || key.front() == '[' || key.front() == ';' ||
            entry.value.find_first_of("\r\n") != entry.value.npos)
            return false;
    }

    std::vector<std::string> lines;
    bool hadBom = false;
    if (!LoadLines(path_, lines, hadBom)) return false;
    const std::string lineEnd = PreferredLineEnd(lines);
    const auto endLastLine = [&](size_t index) {
        if (LineEnd(lines[index]).empty()) lines[index] += lineEnd;
    };

    for (const IniEntry& entry : entries) {
        const std::string_view key = Trim(entry.key);
        const std::string encoded = EncodeValue(entry.value);
        const Location loc = Locate(lines, section, key);
        if (loc.keyLine) {
            std::string& line = lines[*loc.keyLine];
            const std::string_view content = Content(line);
            const size_t valueStart = content.find_first_not_of(BLANKS, content.find('=') + 1);
            const std::string end(LineEnd(line));
            line = std::string(content.substr(0, std::min(valueStart, content.size()))) + encoded +
                   end;
        } else if (loc.sectionLine) {
            endLastLine(loc.lastUsedLine);
            lines.insert(lines.begin() + static_cast<long>(loc.lastUsedLine) + 1,
                         std::string(key) + "=" + encoded + lineEnd);
        } else {
            if (!lines.empty()) endLastLine(lines.size() - 1);
            lines.push_back("[" + std::string(section) + "]" + lineEnd);
            lines.push_back(std::string(key) + "=" + encoded + lineEnd);
        }
    }

    std::string text = hadBom ? std::string(BOM) : std::string();
    for (const std::string& line : lines) text += line;
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    if (!WriteFileAtomically(path_, {bytes, text.size()})) return false;
    lines_ = std::move(lines);
    hadBom_ = hadBom;
    return true;
}

}  // namespace quorvel
