#pragma once
// The icon in the notification area: its picture tells whether the keyboard is connected, its
// menu opens the main window or the about box or exits, a double click opens the window.
//
// Without a notification area (stock GNOME, a bare compositor or X server) the icon is still
// created and follows every change; it is added to an area as soon as one appears, and taken
// out again when the area goes.
#include <QIcon>
#include <QObject>
#include <QString>
#include <memory>

#include "desktop/notification_area.h"
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
    // Without an area given, the desktop's own answer is used.
    CTrayIcon(const ProgramPaths& paths, std::unique_ptr<desktop::NotificationArea> area,
              QObject* parent = nullptr);
    ~CTrayIcon() override;

    // Creates the icon with its tip and picture, shown in the notification area when there is
    // one and once one appears.
    bool Create(const QString& tip, int iconId);
    // False, changing nothing, while the icon is not created.
    bool SetIcon(int iconId);
    void SetTooltipText(const QString& text);
    void Remove();

    bool IsCreated() const { return created_; }
    // The picture shown, 0 when none.
    int IconId() const { return iconId_; }
    QString TooltipText() const;
    // The icon is shown in a notification area, so the window may hide without leaving the
    // program unreachable.
    bool InArea() const { return icon_ != nullptr; }

    // The tray menu with its texts taken from the language file as it is now; Open is the
    // default item.
    QMenu& Menu();

signals:
    // A menu command (COMMAND_OPEN, COMMAND_ABOUT, COMMAND_EXIT) or the double click (Open).
    void Command(int command);
    // The area that showed the icon went away: the icon no longer leads back to the program.
    void AreaLost();

private:
    void RefreshMenuTexts();
    void AddToArea();
    void TakeOutOfArea();

    ProgramPaths paths_;
    std::unique_ptr<desktop::NotificationArea> area_;
    std::unique_ptr<QMenu> menu_;
    QAction* open_ = nullptr;
    QAction* about_ = nullptr;
    QAction* exit_ = nullptr;
    QSystemTrayIcon* icon_ = nullptr;
    bool created_ = false;
    int iconId_ = 0;
    QString tip_;
};

}  // namespace quorvel
