#pragma once
// The words after the command name, taken one by one, with the command's own options picked
// out wherever they stand.
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quorvel::cli {

class Args {
public:
    Args(std::string command, std::vector<std::string> words)
        : command_(std::move(command)), words_(std::move(words)) {}

    // "keys", "macro add" ... for messages.
    const std::string& Command() const { return command_; }
    void ExtendCommand(const std::string& word) { command_ += " " + word; }

    bool Empty() const { return words_.empty(); }
    // The next word; a usage error naming `what` when there is none.
    std::string Next(const std::string& what);
    // The words left, taken all at once.
    std::vector<std::string> Rest();
    // A usage error when words are left over.
    void Finish();

    // Removes "--name VALUE" or "--name=VALUE" and gives VALUE; a usage error when the value
    // is missing.
    std::optional<std::string> TakeOption(const std::string& name);
    // Removes every "--name" and tells whether there was one.
    bool TakeFlag(const std::string& name);

private:
    std::string command_;
    std::vector<std::string> words_;
};

}  // namespace quorvel::cli
