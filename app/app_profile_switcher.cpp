#include "app/app_profile_switcher.h"

#include <QApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStringList>
#include <QWidget>
#include <filesystem>

namespace quorvel {
namespace {

// Long enough for a writer's rename to land, short enough to stay well within two seconds.
constexpr int RULES_RELOAD_DELAY_MS = 100;

}  // namespace

AppProfileSwitcher::AppProfileSwitcher(std::unique_ptr<desktop::ActiveWindowSource> source,
                                       std::string rulesPath, AppSwitchHost host, QObject* parent)
    : QObject(parent),
      source_(std::move(source)),
      rulesPath_(std::move(rulesPath)),
      host_(std::move(host)) {
    for (QTimer* timer : {&settle_, &wait_, &reload_}) timer->setSingleShot(true);
    settle_.setInterval(APP_SWITCH_SETTLE_MS);
    wait_.setInterval(APP_SWITCH_WAIT_MS);
    reload_.setInterval(RULES_RELOAD_DELAY_MS);
    connect(&settle_, &QTimer::timeout, this, [this] {
        front_ = std::exchange(changing_, std::nullopt);
        Settled();
    });
    connect(&wait_, &QTimer::timeout, this, &AppProfileSwitcher::Settled);
    connect(&reload_, &QTimer::timeout, this, [this] {
        WatchRulesFile();
        ReloadRules();
    });
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, &reload_,
            qOverload<>(&QTimer::start));
    connect(&watcher_, &QFileSystemWatcher::fileChanged, &reload_, qOverload<>(&QTimer::start));
    WatchRulesFile();
    ReloadRules();
    if (source_ != nullptr)
        connect(source_.get(), &desktop::ActiveWindowSource::ActiveWindowChanged, this,
                &AppProfileSwitcher::OnActiveWindow);
}

AppProfileSwitcher::~AppProfileSwitcher() = default;

void AppProfileSwitcher::OnActiveWindow(const desktop::WindowInfo& window) {
    changing_ = window;
    settle_.start();
}

void AppProfileSwitcher::Settled() {
    if (!front_ || host_.isOwnWindow(*front_)) return;
    const std::optional<int> target =
        ProfileForWindow(rules_, front_->appId.toStdString(), front_->executable.toStdString());
    const int active = host_.activeProfile();
    if (!target || active < 0 || active == *target - 1) return;
    if (host_.mustWait()) {
        wait_.start();
        return;
    }
    QStringList names{front_->appId, front_->executable};
    names.removeAll(QString());
    qInfo("quorvel: window %s (%s) in front: switching to profile %d", qPrintable(front_->id),
          qPrintable(names.join(QStringLiteral(", "))), *target);
    host_.switchProfile(*target - 1);
}

void AppProfileSwitcher::ReloadRules() {
    AppRulesFile file = LoadAppRules(rulesPath_);
    if (file.state == AppRulesState::Damaged) {
        // The rules read last stay in force until the file is mended.
        if (file.error != reportedError_)
            qWarning("quorvel: program rules not read: %s", file.error.c_str());
        reportedError_ = file.error;
        return;
    }
    reportedError_.clear();
    if (file.rules == rules_) return;
    rules_ = std::move(file.rules);
    // New rules apply to the window already in front, not only to the next one.
    Settled();
}

void AppProfileSwitcher::WatchRulesFile() {
    // The folder sees the file appear and be replaced by a rename; a folder that does not exist
    // yet is watched through the nearest one that does, and the watch moves down as they appear.
    namespace fs = std::filesystem;
    if (!watcher_.files().isEmpty()) watcher_.removePaths(watcher_.files());
    if (!watcher_.directories().isEmpty()) watcher_.removePaths(watcher_.directories());
    std::error_code ignored;
    if (fs::exists(rulesPath_, ignored)) watcher_.addPath(QString::fromStdString(rulesPath_));
    fs::path folder = fs::path(rulesPath_).parent_path();
    while (!folder.empty() && !fs::is_directory(folder, ignored) && folder != folder.parent_path())
        folder = folder.parent_path();
    if (!folder.empty()) watcher_.addPath(QString::fromStdString(folder.string()));
}

bool IsOwnWindow(const desktop::WindowInfo& window) {
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        for (const QWidget* widget : QApplication::topLevelWidgets()) {
            const WId id = widget->internalWinId();
            if (id != 0 && window.id == QStringLiteral("0x%1").arg(id, 0, 16)) return true;
        }
    }
    const QString desktopName = QGuiApplication::desktopFileName();
    if (!desktopName.isEmpty() && window.appId.compare(desktopName, Qt::CaseInsensitive) == 0)
        return true;
    const QString executable = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    return !window.executable.isEmpty() && window.executable == executable;
}

}  // namespace quorvel
