// One-key `quorvelctl key set` at 1 ms per USB transfer with a 16 KB macro area, once the
// keyboard's picture is known: the whole process, start to exit, against 30 ms.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "tests/support/quorvelctl_runner.h"

using namespace quorvel;
using namespace quorvel::bench;

namespace {

constexpr int LATENCY_US = 1000;
constexpr int CAPACITY_UNITS = 255;
constexpr int REPEATS = 9;
constexpr double GOAL_MS = 30;

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

    std::vector<double> times;
    size_t frames = 0;
    for (int i = 0; i < REPEATS; ++i) {
        const size_t mark = keyboard.TraceMark();
        const Clock::time_point start = Clock::now();
        run({"key", "set", "A", i % 2 == 0 ? "key:C" : "key:B"});
        times.push_back(MillisecondsSince(start));
        frames = keyboard.FramesSentSince(mark).size();
    }
    std::sort(times.begin(), times.end());
    char details[160];
    std::snprintf(details, sizeof details,
                  "%zu frames at %d us with a 16 KB macro area: median %.1f ms against %.0f ms",
                  frames, LATENCY_US, times[REPEATS / 2], GOAL_MS);
    return Report("one-key quorvelctl key set / 30 ms", details, times[REPEATS / 2] / GOAL_MS, 1.0)
               ? 0
               : 1;
}
