#pragma once
// Switches the keyboard's on-board profile to the one the program rules give the window in
// front. Lives as long as the main window, shown or not.
#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "desktop/active_window_source.h"
#include "model/app_rules.h"

namespace quorvel {

// A change of active window counts once no other change has followed for this long, so that
// passing through windows (Alt+Tab) switches nothing.
inline constexpr int APP_SWITCH_SETTLE_MS = 200;
// While the window must not be disturbed, how often the switcher looks again.
inline constexpr int APP_SWITCH_WAIT_MS = 100;

// What the switcher needs from the main window.
struct AppSwitchHost {
    // The keyboard's active profile, 0-2; negative when unknown (no keyboard).
    std::function<int()> activeProfile;
    // True while a switch would cut into the user's work: a key dialog or the profile manager
    // open, changes not applied, or a keyboard job running.
    std::function<bool()> mustWait;
    // Makes profile k (0-2) active as a profile button does.
    std::function<void(int k)> switchProfile;
    // Our own windows are not a program the rules are about.
    std::function<bool(const desktop::WindowInfo&)> isOwnWindow;
};

class AppProfileSwitcher : public QObject {
    Q_OBJECT
public:
    // source may be null: the rules are then still read, for the dialog, but nothing switches.
    AppProfileSwitcher(std::unique_ptr<desktop::ActiveWindowSource> source, std::string rulesPath,
                       AppSwitchHost host, QObject* parent = nullptr);
    ~AppProfileSwitcher() override;

    desktop::ActiveWindowSource* Source() { return source_.get(); }
    const std::string& RulesPath() const { return rulesPath_; }
    // The rules in force: the file's last readable contents.
    const AppRules& Rules() const { return rules_; }
    // Reads the rules file again now (the file watcher does this on its own).
    void ReloadRules();

private:
    void OnActiveWindow(const desktop::WindowInfo& window);
    void Settled();
    void WatchRulesFile();

    std::unique_ptr<desktop::ActiveWindowSource> source_;
    std::string rulesPath_;
    AppSwitchHost host_;
    AppRules rules_;
    // The last damage reported, so a broken file is reported once, not at every look.
    std::string reportedError_;
    // The window in front, once it has settled.
    std::optional<desktop::WindowInfo> front_;
    std::optional<desktop::WindowInfo> changing_;
    QTimer settle_;
    QTimer wait_;
    QTimer reload_;
    QFileSystemWatcher watcher_;
};

// Our windows by their X11 id, and our executable or desktop file name on other desktops.
bool IsOwnWindow(const desktop::WindowInfo& window);

}  // namespace quorvel
