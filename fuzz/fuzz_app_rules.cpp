// The program rules file is the user's to edit by hand. Reading any bytes must be safe; rules
// that read must write out to a file that reads back the same, and a file that does not read
// must survive an attempt to save over it byte for byte.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "base/file_bytes.h"
#include "fuzz_temp_file.h"
#include "model/app_rules.h"
#include "model/program_paths.h"

using namespace quorvel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzing::WriteScratch({data, size});
    const std::string& path = fuzzing::ScratchPath();
    const AppRulesFile file = LoadAppRules(path);
    if (file.state == AppRulesState::Damaged) {
        if (file.error.empty() || SaveAppRules(path, AppRules{})) std::abort();
        const auto kept = ReadFileBytes(path);
        if (!kept || !std::equal(kept->begin(), kept->end(), data, data + size) ||
            kept->size() != size)
            std::abort();
        return 0;
    }
    const std::string text = AppRulesText(file.rules);
    fuzzing::WriteScratch({reinterpret_cast<const uint8_t*>(text.data()), text.size()});
    const AppRulesFile again = LoadAppRules(path);
    if (again.state != AppRulesState::Loaded || !(again.rules == file.rules)) std::abort();
    return 0;
}
