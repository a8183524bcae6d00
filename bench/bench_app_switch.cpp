// Switching by program: from the moment _NET_ACTIVE_WINDOW changes on the root window of an X
// server without a window manager to the keyboard's settings write on the virtual keyboard's
// trace, for 50 switches between two programs with rules; the median against 250 ms (the
// 200 ms settling included), the worst as a ratio to the same.
#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "app/quorvel_dlg.h"
#include "bench/bench_support.h"
#include "device/command_frame.h"
#include "model/app_rules.h"
#include "tests/app/fake_window_manager.h"
#include "tests/app/program_sandbox.h"

using namespace quorvel;
using namespace quorvel::bench;

namespace {

constexpr int LATENCY_US = 1000;
constexpr int CAPACITY_UNITS = 64;
constexpr int SWITCHES = 50;
constexpr double MEDIAN_BOUND_MS = 250;
constexpr char SENT_CONTROL[] = "> CTRL ";

bool Await(const std::function<bool()>& condition, int timeoutMs = 120000) {
    return testing::WaitFor(condition, timeoutMs, 1);
}

// The trace's lines from where it ended when made: read as they come, never from the start.
class TraceTail {
public:
    explicit TraceTail(const std::string& path) : in_(path) { in_.seekg(0, std::ios::end); }
    // True once a host frame with the settings block's write command has come.
    bool SettingsWritten() {
        std::string line;
        while (std::getline(in_, line)) {
            // "> CTRL 04 C1 C2 OP ...": the command is the frame's fourth byte.
            const size_t op = std::size(SENT_CONTROL) - 1 + 3 * FRAME_COMMAND_OFFSET;
            if (line.rfind(SENT_CONTROL, 0) == 0 && line.size() >= op + 2 &&
                std::stoi(line.substr(op, 2), nullptr, 16) == OP_WRITE_SETTINGS_BLOCK)
                return true;
        }
        in_.clear();  // past the end for now; later lines are read on the next call
        return false;
    }

private:
    std::ifstream in_;
};

// An X server of the benchmark's own; its display number comes back on its standard output.
QString StartXServer(QProcess& server) {
    server.start("Xvfb", {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "1024x768x24"});
    Require(server.waitForStarted(5000), "Xvfb start");
    QByteArray number;
    Require(Await(
                [&] {
                    number += server.readAllStandardOutput();
                    return number.contains('\n');
                },
                10000),
            "Xvfb display number");
    return ":" + QString::fromLatin1(number.trimmed());
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qunsetenv("WAYLAND_DISPLAY");
    QTemporaryDir programDir, runtimeDir;
    const ProgramPaths paths = testing::UsePrivateFolders(programDir.path(), runtimeDir.path());
    QApplication app(argc, argv);
    QProcess server;
    const QString display = StartXServer(server);
    qputenv("DISPLAY", display.toLocal8Bit());

    AppRules rules;
    SetAppRule(rules, "Alpha", 2);
    SetAppRule(rules, "Beta", 3);
    Require(SaveAppRules(DefaultAppRulesPath(), rules), "rules file");

    testing::VirtualKeyboard keyboard(KeyboardOptions(CAPACITY_UNITS, LATENCY_US));
    StartOptions options;
    options.virtualKeyboard = true;
    options.start = true;
    CQuorvelDlg window(paths, options);
    Require(!window.SettleInstance(), "single instance");
    QString error;
    Require(window.Initialise(&error), "window start");
    Require(Await([&] { return window.ActiveProfile() >= 0 && !window.Jobs().Busy(); }),
            "profiles read");

    testing::FakeWindowManager wm(display.toStdString());
    Require(wm.Connected(), "window manager connection");
    const uint32_t windows[] = {wm.OpenWindow("Alpha"), wm.OpenWindow("Beta")};
    std::vector<double> latencies;
    for (int i = 0; i < SWITCHES; ++i) {
        const int profile = 1 + i % 2;  // Alpha: 1, Beta: 2 (counted from 0)
        TraceTail trace(keyboard.TracePath());
        const Clock::time_point start = Clock::now();
        wm.Activate(windows[i % 2]);
        Require(Await([&] { return trace.SettingsWritten(); }, 10000), "switch frame");
        latencies.push_back(MillisecondsSince(start));
        Require(Await([&] { return window.ActiveProfile() == profile && !window.Jobs().Busy(); }),
                "switch finished");
    }
    window.ExitApplication();
    server.terminate();
    server.waitForFinished(3000);

    std::sort(latencies.begin(), latencies.end());
    const double median = (latencies[SWITCHES / 2 - 1] + latencies[SWITCHES / 2]) / 2;
    const double worst = latencies.back();
    char details[200];
    std::snprintf(details, sizeof details,
                  "median of %d switches from the active-window change to the settings write: "
                  "%.1f ms against %.0f ms (200 ms of it settling)",
                  SWITCHES, median, MEDIAN_BOUND_MS);
    const bool ok =
        Report("program switch median / 250 ms", details, median / MEDIAN_BOUND_MS, 1.0);
    std::snprintf(details, sizeof details, "worst of %d switches: %.1f ms against %.0f ms",
                  SWITCHES, worst, MEDIAN_BOUND_MS);
    Report("program switch worst / 250 ms", details, worst / MEDIAN_BOUND_MS, 0);
    return ok ? 0 : 1;
}
