#pragma once
// The window's own buttons (OK, Cancel, Apply, Help, Minimise, Menu, Close, the link and the
// version) and the labels beside the report rate and the lighting side, with their fonts and
// captions. A click reports its command; what the command does is the window's.
#include <QObject>
#include <QRect>
#include <QString>
#include <functional>

#include "base/ini_file.h"
#include "skin/png_button.h"

class QLabel;
class QWidget;

namespace quorvel {

inline constexpr int COMMAND_OK = 1;
inline constexpr int COMMAND_CANCEL = 2;
inline constexpr int COMMAND_APPLY = 1006;
inline constexpr int COMMAND_HELP = 1122;
inline constexpr int COMMAND_MINIMIZE = 1123;
inline constexpr int COMMAND_CLOSE = 1124;
inline constexpr int COMMAND_MENU = 1139;
inline constexpr int COMMAND_LINK = 1121;
inline constexpr int COMMAND_VERSION = 1134;

class WindowButtons : public QObject {
    Q_OBJECT
public:
    using Command = std::function<void(int command)>;

    // Placed from the main skin file; the link button's tip is its address.
    WindowButtons(QWidget& window, const IniFile& skin, const StateImages& looks,
                  const QString& linkAddress, Command command);

    // Captions and tips in the current language. The labels' words are the skin file's, in
    // the language the language file names.
    void ApplyCaptions(const IniFile& language);
    void EnableApply(bool enable);
    // Where the OK button sits: the status area ends before it.
    QRect OkPlace() const;

private:
    CPngButton& AddButton(const char* skinKey, int command);
    QLabel& AddLabel(const char* skinKey);

    QWidget& window_;
    const IniFile& skin_;
    StateImages looks_;
    Command command_;
    CPngButton* ok_ = nullptr;
    CPngButton* cancel_ = nullptr;
    CPngButton* apply_ = nullptr;
    CPngButton* help_ = nullptr;
    CPngButton* minimize_ = nullptr;
    CPngButton* menu_ = nullptr;
    CPngButton* close_ = nullptr;
    CPngButton* link_ = nullptr;
    CPngButton* version_ = nullptr;
    QLabel* reportRateLabel_ = nullptr;
    QLabel* lightingSettingsLabel_ = nullptr;
    QLabel* lightingButtonLabel_ = nullptr;
};

}  // namespace quorvel
