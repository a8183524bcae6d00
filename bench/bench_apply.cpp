// A full Apply (the macro area filled to the keyboard's capacity and the active profile's key
// block, between begin and end, then read back) against the virtual keyboard at 1 ms per USB
// transfer, compared with the time the link itself needs: 2 ms per frame and the 10 ms pause
// before the end of the session. Nothing known of the keyboard is trusted, so every repeat
// writes everything.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "device/device_snapshot.h"
#include "device/macro_area.h"
#include "model/working_set.h"

using namespace quorvel;
using namespace quorvel::bench;

namespace {

constexpr int LATENCY_US = 1000;
constexpr int CAPACITY_UNITS = 255;  // the largest capacity the settings byte can report
constexpr size_t CAPACITY_BYTES = CAPACITY_UNITS * 128;
constexpr int REPEATS = 3;
constexpr double END_PAUSE_MS = 10;
constexpr double GOAL = 1.05;
constexpr uint16_t KEY_A = 0x1E;

}  // namespace

int main() {
    LinkedDevice device(KeyboardOptions(CAPACITY_UNITS, LATENCY_US));
    WorkingSetData workingSet = FreshWorkingSetData();
    const std::vector<MacroRecord> macros = MacrosFillingCapacity(CAPACITY_BYTES);
    const size_t areaBytes = MacroAreaSizes(macros).withNames;
    Require(workingSet.macros.Replace(macros), "macro list");
    workingSet.keyAreas[0][KEY_A] = {ASSIGN_MACRO, 1, 1, 0, 0};

    DeviceSnapshot snapshot;
    device.Link().SetTrustPicture(false);
    std::vector<double> ratios, times;
    size_t frames = 0;
    for (int i = 0; i < REPEATS; ++i) {
        const size_t mark = device.Keyboard().TraceMark();
        const Clock::time_point start = Clock::now();
        const KeyboardWrite write =
            RefreshDeviceSnapshot(device.Link(), snapshot, workingSet, false);
        const double ms = MillisecondsSince(start);
        Require(write.Ok() && write.message.empty(), "apply with names kept");
        frames = device.Keyboard().FramesSentSince(mark).size();
        const double bound = static_cast<double>(frames) * 2.0 * LATENCY_US / 1000 + END_PAUSE_MS;
        times.push_back(ms);
        ratios.push_back(ms / bound);
    }
    std::sort(ratios.begin(), ratios.end());
    std::sort(times.begin(), times.end());
    const double bound = static_cast<double>(frames) * 2.0 * LATENCY_US / 1000 + END_PAUSE_MS;
    char details[200];
    std::snprintf(details, sizeof details,
                  "macro area %zu of %zu bytes, %zu frames at %d us: median %.1f ms "
                  "against %.1f ms",
                  areaBytes, CAPACITY_BYTES, frames, LATENCY_US, times[REPEATS / 2], bound);
    return Report("full Apply / USB bound", details, ratios[REPEATS / 2], GOAL) ? 0 : 1;
}
