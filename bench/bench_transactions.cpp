// Command transactions against the virtual keyboard: the program's own cost per transaction
// (latency 0), and how close a long write comes to what the USB link allows (latency 1 ms).
#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_support.h"
#include "device/firmware_commands.h"
#include "device/result_codes.h"

using namespace quorvel;
using namespace quorvel::bench;

namespace {

constexpr int OVERHEAD_TRANSACTIONS = 3000;
constexpr int WRITE_LATENCY_US = 1000;
constexpr int WRITE_TRANSACTIONS = 150;
constexpr int WRITE_REPEATS = 5;
constexpr double WRITE_GOAL = 1.10;
// Large enough for the 150-chunk macro-area write.
constexpr int CAPACITY_UNITS = 255;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void MeasureOverhead() {
    LinkedDevice device(KeyboardOptions(CAPACITY_UNITS, 0));
    SettingsBlock block{};
    // The first transactions warm up the connection and the daemon's threads.
    for (int i = 0; i < 100; ++i)
        Require(ReadSettingsBlock(device.Link(), block) == CMD_OK, "read settings block");
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < OVERHEAD_TRANSACTIONS; ++i)
        Require(ReadSettingsBlock(device.Link(), block) == CMD_OK, "read settings block");
    const double ms = MillisecondsSince(start);
    const double perTransactionUs = ms * 1000 / OVERHEAD_TRANSACTIONS;
    char details[160];
    std::snprintf(details, sizeof details,
                  "%d transactions in %.1f ms: %.0f/s, %.1f us each; as a share of a 2 ms USB "
                  "round trip",
                  OVERHEAD_TRANSACTIONS, ms, OVERHEAD_TRANSACTIONS / (ms / 1000), perTransactionUs);
    Report("transactions at latency 0", details, perTransactionUs / (2.0 * WRITE_LATENCY_US), 0);

    // Every transaction first asks the library whether the keyboard is present; the library
    // answers from the last count the daemon sent, so this should cost next to nothing.
    const Clock::time_point countStart = Clock::now();
    for (int i = 0; i < OVERHEAD_TRANSACTIONS; ++i)
        Require(device.Link().CountControlInterfaces() == 1, "count control interfaces");
    const double countUs = MillisecondsSince(countStart) * 1000 / OVERHEAD_TRANSACTIONS;
    std::snprintf(details, sizeof details,
                  "%.1f us per presence query; share of the transaction's own cost", countUs);
    Report("presence query at latency 0", details, countUs / perTransactionUs, 0);
}

bool MeasureLongWrite() {
    LinkedDevice device(KeyboardOptions(CAPACITY_UNITS, WRITE_LATENCY_US));
    const std::vector<uint8_t> area(WRITE_TRANSACTIONS * 56, 0x5A);
    std::vector<double> times;
    for (int i = 0; i < WRITE_REPEATS; ++i) {
        Require(BeginSession(device.Link()) == CMD_OK, "begin session");
        const Clock::time_point start = Clock::now();
        Require(WriteMacroArea(device.Link(), area) == CMD_OK, "write macro area");
        times.push_back(MillisecondsSince(start));
        Require(EndSession(device.Link()) == CMD_OK, "end session");
    }
    const double measured = Median(times);
    const double bound = WRITE_TRANSACTIONS * 2.0 * WRITE_LATENCY_US / 1000;
    char details[200];
    std::snprintf(details, sizeof details,
                  "%d transactions at %d us: median %.1f ms (best %.1f) against %.1f ms, %.0f us "
                  "over per transaction",
                  WRITE_TRANSACTIONS, WRITE_LATENCY_US, measured,
                  *std::min_element(times.begin(), times.end()), bound,
                  (measured - bound) * 1000 / WRITE_TRANSACTIONS);
    return Report("150-transaction write / USB bound", details, measured / bound, WRITE_GOAL);
}

// What the machine charges for the daemon's timed reply and for handing work from one thread to
// another. Between one reply's due time and the next frame's arrival a transaction passes one
// timed wake-up (the daemon's delivery thread) and three hand-offs (library reader, program,
// daemon). Under load both grow, and with them the ratio. A hand-off here is measured between
// two busy threads; waking a thread on an idle virtual CPU can cost several times more.
void MeasureWakeUps() {
    constexpr int SLEEPS = 200;
    std::vector<double> overshoots;
    for (int i = 0; i < SLEEPS; ++i) {
        const Clock::time_point start = Clock::now();
        std::this_thread::sleep_for(std::chrono::microseconds(WRITE_LATENCY_US));
        overshoots.push_back(MillisecondsSince(start) * 1000 - WRITE_LATENCY_US);
    }
    // The mean, not the median: a write is the sum of its transactions, long tail included.
    double sleepUs = 0;
    for (double overshoot : overshoots) sleepUs += overshoot / SLEEPS;

    constexpr int HAND_OFFS = 4000;
    std::mutex mutex;
    std::condition_variable turn;
    int counter = 0;
    const Clock::time_point start = Clock::now();
    std::thread partner([&] {
        std::unique_lock lock(mutex);
        while (counter < HAND_OFFS) {
            turn.wait(lock, [&] { return counter % 2 == 1; });
            ++counter;
            turn.notify_one();
        }
    });
    {
        std::unique_lock lock(mutex);
        while (counter < HAND_OFFS) {
            ++counter;
            turn.notify_one();
            turn.wait(lock, [&] { return counter % 2 == 0; });
        }
    }
    partner.join();
    const double handOffUs = MillisecondsSince(start) * 1000 / HAND_OFFS;
    char details[200];
    std::snprintf(details, sizeof details,
                  "1 ms sleep overshoots by %.0f us (mean), a thread hand-off takes %.1f us; "
                  "1 overshoot + 3 hand-offs over a 2 ms round trip",
                  sleepUs, handOffUs);
    Report("machine wake-up cost", details, (sleepUs + 3 * handOffUs) / (2.0 * WRITE_LATENCY_US),
           0);
}

}  // namespace

int main() {
    MeasureWakeUps();
    MeasureOverhead();
    return MeasureLongWrite() ? 0 : 1;
}
