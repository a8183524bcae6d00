#pragma once
// The active window on KDE Plasma's Wayland session, where KWin tells no client which window is
// in front. A script loaded into KWin over D-Bus follows KWin's window activations and calls
// back into this object on the session bus; the script is unloaded when the object goes.
#include <QDBusConnection>
#include <QDBusContext>
#include <memory>

#include "desktop/active_window_source.h"

namespace quorvel::desktop {

class KWinScriptSource : public ActiveWindowSource, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.quorvel.ActiveWindow")
public:
    static constexpr const char* KWIN_SERVICE = "org.kde.KWin";
    static constexpr const char* OBJECT_PATH = "/org/quorvel/ActiveWindow";
    static constexpr const char* INTERFACE = "org.quorvel.ActiveWindow";
    static constexpr const char* PLUGIN_NAME = "quorvel-active-window";

    // Loads the script into the KWin on bus, written into scriptFolder (a private folder KWin,
    // running as the same user, can read). Null when KWin is not on the bus or refuses.
    static std::unique_ptr<KWinScriptSource> Load(const QDBusConnection& bus,
                                                  const QString& scriptFolder,
                                                  QObject* parent = nullptr);
    ~KWinScriptSource() override;

    WindowSupport Support() const override { return WindowSupport::KWin; }
    QList<WindowInfo> OpenWindows() const override;

    // The script KWin runs; it reports to the bus connection named busName.
    static QString ScriptText(const QString& busName);

public slots:
    // Called by the script: KWin's window id, its resource class and its process id, all as
    // text because the script's numbers would arrive as doubles.
    Q_SCRIPTABLE void Activated(const QString& id, const QString& appId, const QString& pid);
    Q_SCRIPTABLE void Added(const QString& id, const QString& appId, const QString& pid);
    Q_SCRIPTABLE void Removed(const QString& id);

private:
    KWinScriptSource(const QDBusConnection& bus, const QString& scriptPath, QObject* parent);
    bool Start();
    bool FromKWin();

    QDBusConnection bus_;
    QString scriptPath_;
    QString kwinOwner_;
    QList<WindowInfo> windows_;
};

}  // namespace quorvel::desktop
