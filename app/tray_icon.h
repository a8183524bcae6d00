#pragma once
// The icon in the notification area: its picture tells whether the keyboard is connected, its
// menu opens the main window or the about box or exits, a double click opens the window.
//
// Without a system tray (a bare X server) the icon is still created and follows every change;
// it appears as soon as a tray does.
#include <QIcon>
#include <QObject>
#include <QString>
#include <memory>

#include "model/program_paths.h"

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace quorvel {

// Tray menu commands.
inline constexpr int COMMAND_OPEN = 32771;
inline constexpr int COMMAND_ABOUT = 32773;
inline constexpr int COMMAND_EXIT = 32774;
inline constexpr int TRAY_ICON_ID = 140;

// The picture of icon 128, 141 or 142 from the skin folder ("Skins/icon<id>.png").
QIcon LoadProgramIcon(const ProgramPaths& paths, int iconId);

class CTrayIcon : public QObject {
    Q_OBJECT
public:
    explicit CTrayIcon(const ProgramPaths& paths, QObject* parent = nullptr);
    ~CTrayIcon() override;

    // Adds the icon with its tip and picture; true when it was created.
    bool Create(const QString& tip, int iconId);
    // False, changing nothing, while the icon is not created.
    bool SetIcon(int iconId);
    void SetTooltipText(const QString& text);
    void Remove();

    bool IsCreated() const { return created_; }
    // The picture shown, 0 when none.
    int IconId() const { return iconId_; }
    QString TooltipText() const;
    // True when a system tray is there to show the icon.
    static bool TrayAvailable();

    // The tray menu with its texts taken from the language file as it is now; Open is the
    // default item.
    QMenu& Menu();

signals:
    // A menu command (COMMAND_OPEN, COMMAND_ABOUT, COMMAND_EXIT) or the double click (Open).
    void Command(int command);

private:
    void RefreshMenuTexts();

    ProgramPaths paths_;
    std::unique_ptr<QMenu> menu_;
    QAction* open_ = nullptr;
    QAction* about_ = nullptr;
    QAction* exit_ = nullptr;
    QSystemTrayIcon* icon_ = nullptr;
    bool created_ = false;
    int iconId_ = 0;
};

}  // namespace quorvel
