#include "tests/desktop/terminals.h"

#include <QTest>

namespace quorvel::testing {

Terminals::~Terminals() {
    for (auto& [appId, terminal] : terminals_) {
        if (terminal == nullptr) continue;
        terminal->kill();
        terminal->waitForFinished(5000);
    }
}

bool Terminals::Start(const QString& appId) {
    auto& terminal = terminals_[appId];
    terminal = std::make_unique<QProcess>();
    QProcessEnvironment env;
    sway_.AddTo(env);
    terminal->setProcessEnvironment(env);
    // A command of its own: the test user's login shell may end at once.
    terminal->start(QStringLiteral("foot"), {QStringLiteral("--app-id"), appId,
                                             QStringLiteral("sleep"), QStringLiteral("600")});
    return QTest::qWaitFor([&] { return Shown(appId); }, 15000);
}

bool Terminals::End(const QString& appId) {
    const auto terminal = terminals_.find(appId);
    if (terminal == terminals_.end() || terminal->second == nullptr) return true;
    terminal->second->kill();
    terminal->second->waitForFinished(5000);
    terminal->second.reset();
    return QTest::qWaitFor([&] { return !Shown(appId); }, 5000);
}

bool Terminals::Focus(const QString& appId) {
    return !sway_.Run(QStringLiteral("swaymsg"), {QStringLiteral("[app_id=%1] focus").arg(appId)})
                .isNull();
}

bool Terminals::Shown(const QString& appId) const {
    for (const auto& window : sway_.Windows()) {
        if (window.appId == appId) return true;
    }
    return false;
}

}  // namespace quorvel::testing
