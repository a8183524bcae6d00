#pragma once
// Wayland clients of chosen app_ids for the active-window tests: foot terminals on a sway
// session, focused through sway.
#include <QProcess>
#include <QString>
#include <map>
#include <memory>

#include "tests/wayland/sway_session.h"

namespace quorvel::testing {

// The terminals are killed with the object, which asks nothing of the session then, as the
// session may be gone.
class Terminals {
public:
    explicit Terminals(SwaySession& sway) : sway_(sway) {}
    ~Terminals();
    Terminals(const Terminals&) = delete;
    Terminals& operator=(const Terminals&) = delete;

    // Starts one and waits until sway shows it.
    bool Start(const QString& appId);
    // Ends one and waits until sway no longer shows it.
    bool End(const QString& appId);
    bool Focus(const QString& appId);

private:
    bool Shown(const QString& appId) const;

    SwaySession& sway_;
    std::map<QString, std::unique_ptr<QProcess>> terminals_;
};

}  // namespace quorvel::testing
