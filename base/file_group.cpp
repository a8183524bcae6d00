#include "base/file_group.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>

namespace quorvel {
namespace {

constexpr const char* STAGED_SUFFIX = ".staged";
constexpr const char* PREVIOUS_SUFFIX = ".previous";

// Another name for what target holds now, so it can come back, and its permissions for
// staged; false when that fails.
bool KeepPrevious(const std::string& target, const std::string& staged, bool& existed) {
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::symlink_status(target, ec);
    existed = std::filesystem::exists(status);
    if (!existed) return status.type() == std::filesystem::file_type::not_found;
    // The new contents keep the permissions of the file they replace.
    std::filesystem::permissions(staged, status.permissions(), ec);
    if (ec) return false;
    const std::string previous = target + PREVIOUS_SUFFIX;
    std::filesystem::remove(previous, ec);
    return link(target.c_str(), previous.c_str()) == 0;
}

}  // namespace

FileGroup::~FileGroup() {
    std::error_code ec;
    for (const Member& member : members_) std::filesystem::remove(member.staged, ec);
}

std::string FileGroup::Stage(const std::string& target) {
    // As with an atomic write: a symbolic link stays, the file it points to is replaced.
    std::error_code ec;
    std::string resolved = target;
    if (std::filesystem::is_symlink(target, ec)) {
        const std::filesystem::path real = std::filesystem::weakly_canonical(target, ec);
        if (!ec) resolved = real.string();
    }
    members_.push_back({resolved, resolved + STAGED_SUFFIX});
    return members_.back().staged;
}

bool FileGroup::Commit(std::string* error) {
    const size_t count = members_.size();
    std::vector<bool> existed(count, false);
    size_t failed = count;
    size_t kept = 0;
    for (; failed == count && kept < count; ++kept) {
        bool had = false;
        if (!std::filesystem::is_regular_file(members_[kept].staged) ||
            !KeepPrevious(members_[kept].target, members_[kept].staged, had))
            failed = kept;
        existed[kept] = had;
    }
    size_t replaced = 0;
    for (; failed == count && replaced < count; ++replaced)
        if (std::rename(members_[replaced].staged.c_str(), members_[replaced].target.c_str()) != 0)
            failed = replaced--;
    std::error_code ec;
    for (size_t i = 0; i < kept; ++i) {
        const std::string previous = members_[i].target + PREVIOUS_SUFFIX;
        if (failed != count && i < replaced) {
            if (existed[i])
                std::rename(previous.c_str(), members_[i].target.c_str());
            else
                std::filesystem::remove(members_[i].target, ec);
        }
        std::filesystem::remove(previous, ec);
    }
    if (failed != count && error != nullptr)
        *error = members_[failed].target + ": cannot replace the file";
    for (const Member& member : members_) std::filesystem::remove(member.staged, ec);
    members_.clear();
    return failed == count;
}

}  // namespace quorvel
