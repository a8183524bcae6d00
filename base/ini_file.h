#pragma once
// INI files with the semantics of Windows private-profile strings: sections and keys compared
// without regard to case, the first match wins, blanks around names and values are trimmed, a
// default stands in for anything missing, and a missing file reads as all defaults. Writes
// change only the line concerned and replace the file atomically.
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

class IniFile {
public:
    // Reads the file now; a missing or unreadable file behaves as an empty one.
    explicit IniFile(std::string path);

    const std::string& Path() const { return path_; }

    // UTF-8 text of [section] key, or fallback when the section or key is absent.
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view fallback = {}) const;
    // Decimal integer like GetPrivateProfileInt: leading digits count, anything else gives 0;
    // fallback when the key is absent.
    int ReadInt(std::string_view section, std::string_view key, int fallback) const;
    bool HasKey(std::string_view section, std::string_view key) const;

    // Sets [section] key = value in memory and writes the whole file atomically (temporary
    // file, fsync, rename). Returns false, leaving the file on disk as it was, when the write
    // fails.
    bool WriteString(std::string_view section, std::string_view key, std::string_view value);

private:
    std::string path_;
    std::vector<std::string> lines_;  // the file as read, BOM removed
    bool hadBom_ = false;
};

}  // namespace quorvel
