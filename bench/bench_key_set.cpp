// One-key `quorvelctl key set` at 1 ms per USB transfer with a 16 KB macro area, once the
// keyboard's picture is known: the whole process, start to exit, against 30 ms, and where that
// time goes, each part as a ratio to the same 30 ms.
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/atomic_write.h"
#include "bench/bench_support.h"
#include "device/firmware_commands.h"
#include "device/result_codes.h"
#include "tests/support/quorvelctl_runner.h"

extern char** environ;

using namespace quorvel;
using namespace quorvel::bench;

namespace {

constexpr int LATENCY_US = 1000;
constexpr int CAPACITY_UNITS = 255;
constexpr int REPEATS = 9;
constexpr double GOAL_MS = 30;
// The keyboard's pause before the end of a session (firmware_commands.cpp).
constexpr double END_PAUSE_MS = 10;

template <typename F>
double MedianMs(F&& run) {
    std::vector<double> times;
    for (int i = 0; i < REPEATS; ++i) {
        const Clock::time_point start = Clock::now();
        run(i);
        times.push_back(MillisecondsSince(start));
    }
    std::sort(times.begin(), times.end());
    return times[REPEATS / 2];
}

void ReportPart(const char* name, double ms, const char* what) {
    char details[160];
    std::snprintf(details, sizeof details, "%.1f ms, %s", ms, what);
    Report(name, details, ms / GOAL_MS, 0);
}

// One frame's round trip through the library and the daemon at the same pacing.
double FrameMs() {
    LinkedDevice device(KeyboardOptions(CAPACITY_UNITS, LATENCY_US));
    SettingsBlock settings{};
    return MedianMs([&](int) {
        Require(ReadSettingsBlock(device.Link(), settings) == CMD_OK, "settings read");
    });
}

// One replacement of the active profile's file, flushed to disk as Apply saves it.
double ProfileSaveMs(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>()};
    Require(!bytes.empty(), "the profile file " + path);
    return MedianMs([&](int) { Require(WriteFileAtomically(path, bytes), "profile save"); });
}

// /bin/true, started and waited for the way the command is.
void RunEmptyProgram() {
    char name[] = "/bin/true";
    char* argv[] = {name, nullptr};
    pid_t pid = 0;
    Require(posix_spawn(&pid, name, nullptr, nullptr, argv, environ) == 0, "start /bin/true");
    int status = 0;
    waitpid(pid, &status, 0);
}

}  // namespace

int main() {
    testing::VirtualKeyboard keyboard(KeyboardOptions(CAPACITY_UNITS, LATENCY_US));
    setenv("XDG_RUNTIME_DIR", keyboard.Dir().c_str(), 1);
    const std::string data = keyboard.Dir() + "/data";
    auto run = [&](const std::vector<std::string>& args) {
        const testing::CtlOutcome outcome =
            testing::RunQuorvelctl(keyboard, testing::BinDir(), data, args, {"-q"});
        Require(outcome.exitCode == 0, args[0] + " " + outcome.err);
    };
    for (const char* name : {"Left", "Right"}) {
        std::vector<std::string> args = {"macro", "add", name};
        for (int step = 0; step < 1000; ++step) {
            args.push_back("A+");
            args.push_back("A-");
        }
        run(args);
    }
    run({"key", "set", "A", "key:B"});

    // Every run changes the key, so each sends the same frames; they are counted once all have
    // run, since reading the trace is no part of the command.
    const size_t mark = keyboard.TraceMark();
    const double total =
        MedianMs([&](int i) { run({"key", "set", "A", i % 2 == 0 ? "key:C" : "key:B"}); });
    const size_t allFrames = keyboard.FramesSentSince(mark).size();
    Require(allFrames % REPEATS == 0, "the same frames in every run");
    const size_t frames = allFrames / REPEATS;
    // A process that starts, parses and exits without the keyboard, and the machine's own cost
    // of any process.
    const double start = MedianMs([&](int) { run({"names", "media"}); });
    const double empty = MedianMs([](int) { RunEmptyProgram(); });
    const double frame = FrameMs();
    const double save = ProfileSaveMs(data + "/$Profile0");
    const double frameTotal = frame * static_cast<double>(frames);
    const double rest = total - start - frameTotal - END_PAUSE_MS;

    char details[160];
    std::snprintf(details, sizeof details,
                  "%zu frames at %d us with a 16 KB macro area: median %.1f ms against %.0f ms",
                  frames, LATENCY_US, total, GOAL_MS);
    const bool met = Report("one-key quorvelctl key set / 30 ms", details, total / GOAL_MS, 1.0);
    std::snprintf(details, sizeof details,
                  "a command that binds no keyboard; an empty program takes %.1f ms here", empty);
    ReportPart("  process start and exit", start, details);
    std::snprintf(details, sizeof details, "%zu frames of %.2f ms", frames, frame);
    ReportPart("  frames", frameTotal, details);
    ReportPart("  pause before the end of session", END_PAUSE_MS, "the keyboard's");
    ReportPart("  the rest", rest, "binding, plug-in name, keyboard picture, profile file");
    ReportPart("  profile file save", save,
               "replaced and flushed to disk while the frames go: not part of the sum");
    return met ? 0 : 1;
}
