#include "emulator/trace.h"

#include "emulator/flat_json.h"

namespace quorvel::vkbd {

Trace::~Trace() {
    if (file_) std::fclose(file_);
}

bool Trace::Open(const std::string& path) {
    file_ = std::fopen(path.c_str(), "ae");
    return file_ != nullptr;
}

void Trace::Report(char direction, const char* interfaceName, const uint8_t* data, size_t size) {
    if (!file_) return;
    Line(std::string(1, direction) + " " + interfaceName + " " + HexString(data, size, " "));
}

void Trace::Event(const std::string& text) {
    if (!file_) return;
    Line("# " + text);
}

void Trace::Line(const std::string& line) {
    std::lock_guard lock(mutex_);
    std::fputs(line.c_str(), file_);
    std::fputc('\n', file_);
    std::fflush(file_);
}

}  // namespace quorvel::vkbd
