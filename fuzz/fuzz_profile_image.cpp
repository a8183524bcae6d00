// Profile images come from export files anyone can hand the program, and from profile files
// left in the Documents folder: the import check, the file load and the decoder must survive
// any bytes, and whatever they accept must survive a save and a reload unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>

#include "fuzz_temp_file.h"
#include "model/profile_check.h"
#include "model/profile_image.h"
#include "model/profile_store.h"

using namespace quorvel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    if (size >= PROFILE_HEADER_SIZE) IsValidImageHeader(data);

    std::optional<WorkingSetData> decoded = DecodeProfileImage(bytes);
    if (decoded) {
        if (decoded->macros.Count() > PROFILE_MAX_MACROS) std::abort();
        // Encoding gives every text entry its offset in the new image, so the data to compare
        // with is the one the encoder has been through.
        const std::vector<uint8_t> image = EncodeProfileImage(*decoded);
        const std::optional<WorkingSetData> again = DecodeProfileImage(image);
        if (!again || !(*again == *decoded)) std::abort();
    }

    fuzzing::WriteScratch(bytes);
    ValidateProfileImage(fuzzing::ScratchPath(), [](std::string_view, std::string) {});
    WorkingSetData loaded = FreshWorkingSetData();
    const WorkingSetData before = loaded;
    const bool ok = LoadProfileFile(fuzzing::ScratchPath(), loaded);
    // The file load and the decoder must agree on what the bytes hold; a refused load leaves
    // the data as it was.
    if (ok != decoded.has_value()) std::abort();
    if (!ok && !(loaded == before)) std::abort();
    return 0;
}
