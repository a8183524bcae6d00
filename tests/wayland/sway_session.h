#pragma once
// A headless sway for Wayland end-to-end tests: the compositor without a screen or input
// devices, a VNC server on it for pointer and keys, window state from its tree, screenshots with
// grim. One session per test binary (TheSway()); the binary runs as an ordinary user (see
// test_user.h), since sway refuses root.
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

#include "tests/wayland/rfb_input.h"

namespace quorvel::testing {

// A shown window as sway's tree has it.
struct SwayWindow {
    qint64 pid = 0;
    QString appId;
    QString title;
    // The client's own surface on the screen, without sway's border or title bar.
    QRect place;
    bool focused = false;
    bool floating = false;
};

class SwaySession {
public:
    // Starts sway on one headless output of the size, then its VNC server.
    explicit SwaySession(QSize screen = {1280, 800});
    ~SwaySession();
    SwaySession(const SwaySession&) = delete;
    SwaySession& operator=(const SwaySession&) = delete;

    // Empty when the compositor runs; otherwise why it could not start, for GTEST_SKIP.
    const QString& WhyNot() const { return whyNot_; }
    // Empty when pointer and keys can be sent; otherwise why not (a fault, not a reason to skip).
    const QString& InputError() const { return inputError_; }
    // Makes env a client of this session: the Wayland socket by its full path (so the client
    // keeps its own XDG_RUNTIME_DIR), sway's IPC socket, Qt on Wayland, no X display.
    void AddTo(QProcessEnvironment& env) const;

    // Runs a tool (swaymsg, grim, ...) as a client of the session; its standard output, or a
    // null string when it failed.
    QString Run(const QString& program, const QStringList& arguments, int timeoutMs = 15000) const;
    QJsonObject Tree() const;
    // The shown windows of a process (every process when pid is 0), in tree order.
    QList<SwayWindow> Windows(qint64 pid = 0) const;
    // The whole screen, or an area of it, into a PNG file.
    bool Screenshot(const QString& file, QRect area = {}) const;

    // The pointer to a point of the screen, with the left button down or not.
    bool MovePointer(QPoint at, bool leftDown = false);
    bool Click(QPoint at);
    // Presses at from, moves to to in steps with the button down, releases there.
    bool Drag(QPoint from, QPoint to);
    // Presses and releases keys one after another; names as X keysyms ("a", "Return",
    // "Super_L"). A name with '+' ("Alt_L+Tab") holds the keys before the last one down.
    bool TypeKeys(const QStringList& names, int delayMs = 80);

private:
    QString WaitForSockets();

    QTemporaryDir dir_;
    QProcess sway_;
    QProcess vnc_;
    QString waylandSocket_;
    QString swaySocket_;
    QString whyNot_;
    QString inputError_;
    std::unique_ptr<RfbInput> input_;
};

SwaySession& TheSway();

}  // namespace quorvel::testing
