#include "emulator/state_file.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/atomic_write.h"
#include "emulator/flat_json.h"

namespace quorvel::vkbd {
namespace {

const char* const FORMAT_NAME = "quorvel-vkbd-state";
constexpr int FORMAT_VERSION = 1;

template <size_t N>
bool TakeHex(const std::map<std::string, std::string>& values, const char* key,
             std::array<uint8_t, N>& out) {
    auto found = values.find(key);
    if (found == values.end()) return false;
    auto bytes = ParseHex(found->second);
    if (!bytes || bytes->size() != N) return false;
    std::copy(bytes->begin(), bytes->end(), out.begin());
    return true;
}

}  // namespace

void WriteStateFields(FlatJsonWriter& json, const SavedState& state) {
    const Flash& flash = state.flash;
    json.Hex("settings", flash.settings.data(), flash.settings.size());
    json.Hex("params", flash.params.data(), flash.params.size());
    json.Hex("keyColours", flash.keyColours.data(), flash.keyColours.size());
    json.Hex("keyBlocks", flash.keyBlocks.data(), flash.keyBlocks.size());
    json.Hex("macroArea", flash.macroArea.data(), flash.macroArea.size());
    json.Hex("indicator", state.indicator.data(), state.indicator.size());
    json.Bool("bankB", state.bankB);
}

bool SaveState(const std::string& path, const SavedState& state, std::string& error) {
    FlatJsonWriter json;
    json.String("format", FORMAT_NAME);
    json.Number("version", FORMAT_VERSION);
    WriteStateFields(json, state);
    std::string text = json.Text();

    std::filesystem::path target(path);
    std::error_code ignored;
    if (target.has_parent_path())
        std::filesystem::create_directories(target.parent_path(), ignored);
    // A temporary of its own: two daemons saving to the same file never write into one file.
    // Private to its user, as macros can hold typed text.
    return WriteFileAtomically(path, {reinterpret_cast<const uint8_t*>(text.data()), text.size()},
                               &error, 0600);
}

LoadResult LoadState(const std::string& path, SavedState& state) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return LoadResult::MISSING;
    std::stringstream buffer;
    buffer << in.rdbuf();
    auto values = ParseFlatJson(buffer.str());
    if (!values || (*values)["format"] != FORMAT_NAME ||
        (*values)["version"] != std::to_string(FORMAT_VERSION))
        return LoadResult::DAMAGED;
    SavedState loaded;
    auto macro = ParseHex((*values)["macroArea"]);
    if (!TakeHex(*values, "settings", loaded.flash.settings) ||
        !TakeHex(*values, "params", loaded.flash.params) ||
        !TakeHex(*values, "keyColours", loaded.flash.keyColours) ||
        !TakeHex(*values, "keyBlocks", loaded.flash.keyBlocks) ||
        !TakeHex(*values, "indicator", loaded.indicator) || !macro)
        return LoadResult::DAMAGED;
    loaded.flash.macroArea = std::move(*macro);
    loaded.bankB = (*values)["bankB"] == "true";
    state = std::move(loaded);
    return LoadResult::LOADED;
}

}  // namespace quorvel::vkbd
