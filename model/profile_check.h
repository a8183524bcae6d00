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

// Shows a message box: the language key it belongs to and the text to show, already formatted.
using ProfileMessageSink = std::function<void(std::string_view textKey, std::string text)>;

// True when the PROFILE_HEADER_SIZE bytes form a header the program accepts. The total size is
// only checked against the counts, not against any file length.
bool IsValidImageHeader(const uint8_t* header);

// PROFILE_CHECK_VALID when path holds a profile image with a valid header, in a file of at most
// 16 MiB (larger is no image the program writes, and is not read). A header that fails
// shows PROFILE_FORMAT_ERROR with the path through showMessage; the other failures show
// nothing (the caller reports the failed import).
int ValidateProfileImage(const std::string& path, const ProfileMessageSink& showMessage);

}  // namespace quorvel
