#pragma once
// What the transfer tests share: the virtual keyboard's state from `dump`, a private data
// folder, and small builders of macros and working sets.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "model/macro.h"
#include "model/profile_store.h"
#include "tests/support/virtual_keyboard.h"

namespace quorvel::testing {

// One byte area of `quorvel-vkbd dump` ("macroArea", "keyBlocks", "params", "keyColours").
inline std::vector<uint8_t> DumpBytes(const VirtualKeyboard& keyboard, const std::string& key) {
    const std::string dump = keyboard.Run({"dump"});
    const std::string tag = "\"" + key + "\": \"";
    const size_t at = dump.find(tag);
    EXPECT_NE(at, std::string::npos) << dump;
    std::vector<uint8_t> bytes;
    if (at == std::string::npos) return bytes;
    for (size_t i = at + tag.size(); i + 1 < dump.size() && dump[i] != '"'; i += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoi(dump.substr(i, 2), nullptr, 16)));
    return bytes;
}

inline std::vector<uint8_t> FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// A data folder of the test's own for the profile files, removed afterwards.
class ScopedDataFolder {
public:
    ScopedDataFolder() {
        char pattern[] = "/tmp/quorvel-transfer-XXXXXX";
        dir_ = mkdtemp(pattern);
        SetDataFolderOverride(dir_);
    }
    ~ScopedDataFolder() {
        SetDataFolderOverride("");
        std::filesystem::remove_all(dir_);
    }
    const std::string& Dir() const { return dir_; }

private:
    std::string dir_;
};

inline MacroRecord Macro(uint16_t id, std::u16string_view name, std::vector<MacroAction> actions,
                         uint8_t cycles = 1) {
    MacroRecord macro;
    macro.id = id;
    macro.cycles = cycles;
    macro.actions = std::move(actions);
    macro.SetName(name);
    return macro;
}

}  // namespace quorvel::testing
