#pragma once
// What the editors ask of the main window. The window implements it; the editors never include
// anything from app/, and tests drive the editors with a host of their own.
#include <QRect>
#include <cstdint>
#include <string>
#include <string_view>

class QWidget;

namespace quorvel {

// The key a click on the keyboard map chose for the key assignment dialog.
struct SelectedKey {
    uint16_t reserved = 0;
    // The key index of the key (as the key code tables give it), or 0x100 + i for G key entry i
    // (0-8 bank A, 9-17 bank B).
    uint16_t keyCode = 0;
    uint32_t controlId = 0;
    // 1 for G9, whose dialog offers macros only.
    uint32_t isG9 = 0;
};

class EditorHost {
public:
    virtual ~EditorHost() = default;

    // Redraws the map button of one key-area entry of the active profile (its checked look and
    // tip text), or of every key.
    virtual void RefreshKey(int entryIndex) = 0;
    virtual void RefreshAllKeys() = 0;
    // Marks the working set as changed: the window's Apply becomes available.
    virtual void EnableApply(bool enable) = 0;
    virtual void OpenHelp() = 0;
    // Where the clicked key's button is on the screen, for placing the dialog beside it.
    virtual QRect KeyRectOnScreen(uint32_t controlId) const = 0;
    // The active on-board profile, -1 when unknown.
    virtual int ActiveProfile() const = 0;
    // True while a keyboard job runs that touches the working set; editors refuse to change it.
    virtual bool KeyboardBusy() const = 0;
    // The keyboard's macro capacity in bytes as last read, 0 when unknown.
    virtual int MacroCapacity() const = 0;
    // Parent widget for the editors' windows and message boxes.
    virtual QWidget* EditorParent() = 0;

    // The editors' messages: an OK box with a text made from the language key's text, and a
    // Yes/No question with No preselected (true for Yes). The boxes sit over `parent`. The
    // window may route them through its own boxes; these plain ones serve otherwise.
    virtual void ShowMessage(QWidget* parent, std::string_view textKey, const std::string& text);
    virtual bool AskYesNo(QWidget* parent, std::string_view textKey);
};

}  // namespace quorvel
