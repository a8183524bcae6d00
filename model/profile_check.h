#pragma once
// The check a file must pass before it is imported as the working set.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace quorvel {

constexpr int PROFILE_CHECK_VALID = 1;
constexpr int PROFILE_CHECK_REJECTED = 0;     // missing, too short or too long, bad header
constexpr int PROFILE_CHECK_UNREADABLE = -2;  // cannot be opened or read
constexpr int PROFILE_CHECK_NO_MEMORY = -3;
constexpr int PROFILE_CHECK_TOO_LARGE = -4;  // larger than PROFILE_IMAGE_MAX_FILE, not read

// Shows a message box: the language key it belongs to and the text to show, already formatted.
using ProfileMessageSink = std::function<void(std::string_view textKey, std::string text)>;

// True when the PROFILE_HEADER_SIZE bytes form a header the program accepts. The total size is
// only checked against the counts, not against any file length.
bool IsValidImageHeader(const uint8_t* header);

// A full image (100 macros) is 1.6 MiB with room for texts; the header's size field would allow
// 4 GiB, which the check would otherwise read whole into memory.
constexpr uint64_t PROFILE_IMAGE_MAX_FILE = uint64_t{16} << 20;

// PROFILE_CHECK_VALID when path holds a profile image with a valid header, in a file of at most
// PROFILE_IMAGE_MAX_FILE bytes. A header that fails shows PROFILE_FORMAT_ERROR with the path
// through showMessage, a larger file EXTRA_PROFILE_TOO_LARGE with the path; the other failures
// show nothing (the caller reports the failed import).
int ValidateProfileImage(const std::string& path, const ProfileMessageSink& showMessage);

}  // namespace quorvel
