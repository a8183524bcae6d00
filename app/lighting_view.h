#pragma once
// What the main window asks of the lighting panel when the keyboard's state changes under it.
namespace quorvel {

class LightingView {
public:
    virtual ~LightingView() = default;
    // Reads the active profile's lighting from the keyboard (on the window's job worker) and
    // rebuilds the panel from it: after a profile switch or reload and on the refresh timer.
    virtual void ReloadLighting() = 0;
    // The same, and the active profile's user modes are loaded from its user colour file and
    // their colours sent: the keyboard reported its profiles, a profile was chosen, or an
    // import rewrote the user colour files.
    virtual void ReloadLightingAndUserModes() = 0;
    // The keyboard went away: painting stops and nothing more is written.
    virtual void KeyboardGone() = 0;
    // The interface language changed.
    virtual void ApplyCaptions() = 0;
};

}  // namespace quorvel
