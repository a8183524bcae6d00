#pragma once
// The profile bar along the top of the main window (the three on-board profile buttons, the
// profile manager's button, Macro and Default), the report-rate buttons at the bottom and the
// quick-switch menu. It shows state and reports clicks; what a click does is the window's.
#include <QObject>
#include <QString>
#include <array>
#include <functional>
#include <memory>

#include "base/ini_file.h"
#include "skin/png_button.h"

class QAction;
class QActionGroup;
class QMenu;

namespace quorvel {

inline constexpr int CONTROL_PROFILE_1 = 1135;  // 1136, 1137: profiles 2 and 3
inline constexpr int CONTROL_PROFILES = 1005;
inline constexpr int CONTROL_MACRO = 1007;
inline constexpr int CONTROL_DEFAULT = 1138;
inline constexpr int COMMAND_QUICK_SWITCH_MENU = 1009;
inline constexpr std::array<int, 4> REPORT_RATE_CONTROLS{1147, 1168, 1169, 1170};

class ProfileBar : public QObject {
    Q_OBJECT
public:
    // Every button's click arrives as its control id.
    using Command = std::function<void(int controlId)>;

    ProfileBar(QWidget& window, const IniFile& skin, const StateImages& looks, Command command);
    ~ProfileBar() override;

    // Captions in the current language, and the profile button's caption from the menu.
    void ApplyCaptions(const IniFile& language);

    // Checks the button of profile 0-2; any other value leaves the buttons as they are.
    void CheckProfile(int profile);
    int CheckedProfile() const { return checkedProfile_; }
    void CheckReportRate(int rate);
    int CheckedReportRate() const { return checkedRate_; }

    // The quick-switch menu: "<Default Profile>", a separator and the three profile files,
    // with the active profile's item checked (the first item while it is unknown). The profile
    // manager's button takes the checked item's text as caption and tip.
    void RebuildProfileMenu(int activeProfile);
    QMenu& ProfileMenu() { return *menu_; }

    CPngButton* ButtonForControl(int controlId) const;

private:
    CPngButton& AddButton(const char* skinKey, int controlId);

    QWidget& window_;
    const IniFile& skin_;
    StateImages looks_;
    Command command_;
    std::array<CPngButton*, 3> profiles_{};
    std::array<CPngButton*, 4> rates_{};
    CPngButton* manager_ = nullptr;
    CPngButton* macro_ = nullptr;
    CPngButton* defaults_ = nullptr;
    std::unique_ptr<QMenu> menu_;
    QActionGroup* group_ = nullptr;
    QAction* shownChecked_ = nullptr;
    int checkedProfile_ = -1;
    int checkedRate_ = -1;
    int menuProfile_ = -1;
};

}  // namespace quorvel
