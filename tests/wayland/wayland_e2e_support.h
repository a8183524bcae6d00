#pragma once
// The program fixture of the X11 end-to-end tests, on the headless sway instead: the same
// private folders and virtual keyboard, windows found in sway's tree, pointer and keys through
// the session's VNC input. A test is skipped only when the compositor cannot start.
#include <optional>

#include "tests/app/e2e_support.h"
#include "tests/wayland/sway_session.h"

namespace quorvel::testing {

class WaylandEndToEndTest : public EndToEndTest {
protected:
    void SetUp() override;

    // A program copy in language, started on the virtual keyboard, its main window shown and
    // its first keyboard reads given time to end.
    QProcess* OpenOnWayland(int language = 1);
    // The program's shown windows; the main window is the first, opened before any other.
    QList<SwayWindow> Windows() const;
    std::optional<SwayWindow> MainWindow() const;
    // The shown window of the program with this surface size, once there is one.
    std::optional<SwayWindow> WindowOfSize(QSize size, int timeoutMs = 5000) const;
    // A click at a point of a window (window coordinates), then a pause for the program.
    bool ClickIn(const SwayWindow& window, QPoint at, int settleMs = 500);
    // A click on a control of the main skin file in the main window.
    bool ClickMainControl(const QString& key, int settleMs = 600);
    bool Type(const QStringList& keys, int delayMs = 150);
    // The screen into the session's screenshot folder as name.png.
    void ShotTo(const QString& name) const;

    SwaySession& sway_ = TheSway();
};

}  // namespace quorvel::testing
