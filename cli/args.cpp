#include "cli/args.h"

#include "cli/cli_error.h"

namespace quorvel::cli {

std::string Args::Next(const std::string& what) {
    if (words_.empty()) throw UsageError(command_ + ": " + what + " missing");
    std::string word = std::move(words_.front());
    words_.erase(words_.begin());
    return word;
}

std::vector<std::string> Args::Rest() {
    std::vector<std::string> rest = std::move(words_);
    words_.clear();
    return rest;
}

void Args::Finish() {
    if (!words_.empty()) throw UsageError(command_ + ": unexpected \"" + words_.front() + "\"");
}

std::optional<std::string> Args::TakeOption(const std::string& name) {
    std::string flag = "--" + name;
    for (size_t k = 0; k < words_.size(); ++k) {
        if (words_[k] == flag) {
            if (k + 1 >= words_.size()) throw UsageError(command_ + ": " + flag + " needs a value");
            std::string value = words_[k + 1];
            words_.erase(words_.begin() + static_cast<std::ptrdiff_t>(k),
                         words_.begin() + static_cast<std::ptrdiff_t>(k) + 2);
            return value;
        }
        if (words_[k].rfind(flag + "=", 0) == 0) {
            std::string value = words_[k].substr(flag.size() + 1);
            words_.erase(words_.begin() + static_cast<std::ptrdiff_t>(k));
            return value;
        }
    }
    return std::nullopt;
}

bool Args::TakeFlag(const std::string& name) {
    const auto removed = std::erase(words_, "--" + name);
    return removed > 0;
}

}  // namespace quorvel::cli
