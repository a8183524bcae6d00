// The main window against the virtual keyboard at 1 ms per USB transfer: how long its event
// loop stalls while a full Apply (the macro area filled to 32 KB) is written, probed every
// 5 ms, against 50 ms; and the time from the window's start to the connected tray icon,
// against 1 s.
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>

#include "app/quorvel_dlg.h"
#include "bench/bench_support.h"
#include "tests/app/program_sandbox.h"

using namespace quorvel;
using namespace quorvel::bench;

namespace {

constexpr int LATENCY_US = 1000;
constexpr int CAPACITY_UNITS = 255;
constexpr int PROBE_MS = 5;
constexpr double STALL_BOUND_MS = 50;
constexpr double TRAY_BOUND_MS = 1000;
constexpr uint16_t KEY_A = 0x1E;

// The event loop turns at least every millisecond while the benchmark waits, so that the
// times it takes are not rounded up to the waits' slices.
bool Await(const std::function<bool()>& condition) {
    return testing::WaitFor(condition, 120000, 1);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir programDir, runtimeDir;
    const ProgramPaths paths = testing::UsePrivateFolders(programDir.path(), runtimeDir.path());
    QApplication app(argc, argv);
    testing::VirtualKeyboard keyboard(KeyboardOptions(CAPACITY_UNITS, LATENCY_US));

    StartOptions options;
    options.virtualKeyboard = true;
    options.start = true;
    QElapsedTimer started;
    started.start();
    CQuorvelDlg window(paths, options);
    Require(!window.SettleInstance(), "single instance");
    QString error;
    Require(window.Initialise(&error), "window start");
    Require(Await([&] { return window.TrayIconId() == ICON_KEYBOARD; }), "tray icon");
    const double trayMs = double(started.nsecsElapsed()) / 1e6;
    Require(Await([&] { return window.ActiveProfile() >= 0 && !window.Jobs().Busy(); }),
            "profiles read");

    const std::vector<MacroRecord> macros = MacrosFillingCapacity(CAPACITY_UNITS * 128);
    {
        WorkingSetLock data = ProfileWorkingSet::Instance().Lock();
        Require(data->macros.Replace(macros), "macro list");
        data->keyAreas[window.ActiveProfile()][KEY_A] = {ASSIGN_MACRO, 1, 1, 0, 0};
    }
    window.EnableApply(true);

    // The probe measures the gaps between its own ticks: a gap much longer than its period
    // is time the event loop could not run.
    QElapsedTimer sinceTick;
    double longestGapMs = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(PROBE_MS);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        longestGapMs = std::max(longestGapMs, double(sinceTick.nsecsElapsed()) / 1e6);
        sinceTick.restart();
    });
    std::optional<bool> applied;
    const size_t mark = keyboard.TraceMark();
    QElapsedTimer applying;
    applying.start();
    sinceTick.start();
    probe.start();
    window.Apply([&](bool ok) { applied = ok; });
    Require(Await([&] { return applied.has_value(); }), "apply finished");
    probe.stop();
    Require(*applied, "apply wrote everything");
    const double applyMs = double(applying.nsecsElapsed()) / 1e6;
    const size_t frames = keyboard.FramesSentSince(mark).size();
    window.ExitApplication();

    char details[200];
    std::snprintf(details, sizeof details,
                  "longest gap of a %d ms probe during an Apply of %zu frames (%.0f ms): %.1f ms "
                  "against %.0f ms",
                  PROBE_MS, frames, applyMs, longestGapMs, STALL_BOUND_MS);
    const bool stallOk =
        Report("UI stall during Apply / 50 ms", details, longestGapMs / STALL_BOUND_MS, 1.0);
    std::snprintf(details, sizeof details, "start to connected tray icon: %.0f ms against %.0f ms",
                  trayMs, TRAY_BOUND_MS);
    const bool trayOk = Report("start to tray / 1 s", details, trayMs / TRAY_BOUND_MS, 1.0);
    return stallOk && trayOk ? 0 : 1;
}
