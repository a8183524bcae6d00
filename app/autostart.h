#pragma once
// "Start with the desktop": the user's own copy of the program's autostart entry under
// $XDG_CONFIG_HOME/autostart (~/.config/autostart). The shipped entry stays inactive in the
// program folder; enabling copies it with Exec pointing at the running executable, so an
// install under any prefix starts, and disabling removes the copy.
#include <QString>

namespace quorvel {

// The shipped entry, relative to the program folder (share/quorvel installed, bin/ built).
inline constexpr const char* AUTOSTART_ENTRY_RELATIVE = "autostart/quorvel.desktop";

// $XDG_CONFIG_HOME/autostart/quorvel.desktop, or ~/.config/autostart/quorvel.desktop.
QString UserAutostartPath();

// True when the user's copy exists and is not switched off by Hidden=true or
// X-GNOME-Autostart-enabled=false (what desktops honour for an entry).
bool IsAutostartEnabled();

// Writes the user's copy from the shipped entry in programDir, with Exec set to
// "<executable> /Start". False with a one-line reason when it cannot.
bool EnableAutostart(const QString& programDir, const QString& executable,
                     QString* error = nullptr);

// Removes the user's copy; true when there is none afterwards.
bool DisableAutostart(QString* error = nullptr);

}  // namespace quorvel
