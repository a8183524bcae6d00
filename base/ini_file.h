#pragma once
// INI files with the semantics of Windows private-profile strings: sections and keys compared
// without regard to case, the first match wins, blanks around names and values are trimmed, a
// default stands in for anything missing, and a missing file reads as all defaults. Writes
// change only the line concerned and replace the file atomically.
//
// Text is UTF-8, with or without a byte order mark (kept on write when the file had one). Lines
// end in LF, CRLF or a lone CR (old Mac files); a write keeps the file's line end. Lines
// starting with ';' are comments. As with the profile functions, a value enclosed in a matching
// pair of quotes ("..." or '...') reads without them; WriteString adds such quotes when a value
// would otherwise not read back as written (surrounding blanks, or quotes of its own).
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quorvel {

// Longest value a read returns, in UTF-16 code units; longer values are cut.
inline constexpr std::size_t INI_VALUE_MAX_UNITS = 259;

// The longest prefix of utf8 that is at most maxUnits UTF-16 code units long. A character
// outside the BMP (a surrogate pair) is never split; a byte that is not valid UTF-8 counts as
// one unit.
std::string CutToUtf16Units(std::string_view utf8, std::size_t maxUnits);

struct IniEntry {
    std::string_view key;
    std::string_view value;
};

class IniFile {
public:
    // Reads the file now; a missing or unreadable file behaves as an empty one.
    explicit IniFile(std::string path);

    const std::string& Path() const { return path_; }

    // Reads the file again, picking up changes made by other writers.
    void Reload();

    // UTF-8 text of [section] key, or fallback without its trailing blanks when the section or
    // key is absent; at most INI_VALUE_MAX_UNITS long.
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view fallback = {}) const;
    // Decimal integer like GetPrivateProfileInt: leading digits count, anything else gives 0,
    // and a value outside 32 bits wraps modulo 2^32; fallback when the key is absent or its
    // value is empty.
    int ReadInt(std::string_view section, std::string_view key, int fallback) const;
    bool HasKey(std::string_view section, std::string_view key) const;
    // Every key of [section] with its value as ReadString gives it, in file order, found in
    // one pass over the file: for readers of many keys of one section. A key that appears
    // twice is given twice; as with ReadString, the first counts.
    std::vector<std::pair<std::string, std::string>> ReadSection(std::string_view section) const;

    // Sets [section] key = value and writes the whole file atomically (temporary file, fsync,
    // rename). The file is re-read first, so changes made by others since are kept. Returns
    // false, leaving the file on disk and this object as they were, when the write fails or when
    // the names or the value cannot be stored on one line (line breaks, '=' in a key, ']' in a
    // section name, empty names).
    bool WriteString(std::string_view section, std::string_view key, std::string_view value);
    // Several keys of one section in one replacement of the file; all or nothing.
    bool WriteStrings(std::string_view section, std::span<const IniEntry> entries);

private:
    std::string path_;
    std::vector<std::string> lines_;  // the file as read, BOM removed, each with its line end
    bool hadBom_ = false;
};

}  // namespace quorvel
