#pragma once
// The frame transcript: one line per report, flushed at once so that a reader (a test, a
// person with tail -f) sees every report the moment it passed.
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

namespace quorvel::vkbd {

class Trace {
public:
    Trace() = default;
    ~Trace();
    Trace(const Trace&) = delete;
    Trace& operator=(const Trace&) = delete;

    // Appends to the file (a restarted daemon continues the same transcript).
    bool Open(const std::string& path);
    // "> CTRL 04 ..." / "< CONS FF 02": direction, interface name, bytes.
    void Report(char direction, const char* interfaceName, const uint8_t* data, size_t size);
    // "# unplug", "# fault drop" ...
    void Event(const std::string& text);

private:
    void Line(const std::string& line);
    std::mutex mutex_;
    FILE* file_ = nullptr;
};

}  // namespace quorvel::vkbd
