#pragma once
// Files that change together or not at all. Each new file is first written in full beside its
// target; only when all of them are there are they renamed over their targets, and should one
// rename fail, the files already replaced get their old contents back. As with an atomic write,
// a target that is a symbolic link keeps the link, and a replaced file keeps its permissions.
#include <string>
#include <vector>

namespace quorvel {

class FileGroup {
public:
    FileGroup() = default;
    // Removes whatever was staged and not committed.
    ~FileGroup();
    FileGroup(const FileGroup&) = delete;
    FileGroup& operator=(const FileGroup&) = delete;

    // The path the new contents of target are to be written to before Commit.
    std::string Stage(const std::string& target);
    // Every staged file over its target, or (false, and error) none of them.
    bool Commit(std::string* error = nullptr);

private:
    struct Member {
        std::string target;
        std::string staged;
    };
    std::vector<Member> members_;
};

}  // namespace quorvel
