#pragma once
// A host for the editors that writes down what they ask of the main window, a dialog fixture
// over a private working set, and key events as the window system delivers them.
#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

#include <QApplication>
#include <QKeyEvent>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "base/ini_file.h"
#include "base/texts.h"
#include "editors/composite_dialog.h"
#include "editors/editor_host.h"
#include "model/evdev_key_codes.h"
#include "model/working_set.h"

namespace quorvel::testing {

class TestHost : public EditorHost {
public:
    void RefreshKey(int entryIndex) override { refreshed.push_back(entryIndex); }
    void RefreshAllKeys() override { ++refreshedAll; }
    void EnableApply(bool enable) override { applyEnabled = enable; }
    void OpenHelp() override { ++helpOpened; }
    QRect KeyRectOnScreen(uint32_t) const override { return keyRect; }
    int ActiveProfile() const override { return activeProfile; }
    bool KeyboardBusy() const override { return busy; }
    int MacroCapacity() const override { return capacity; }
    QWidget* EditorParent() override { return nullptr; }
    void ShowMessage(QWidget*, std::string_view textKey, const std::string& text) override {
        messages.emplace_back(textKey);
        messageTexts.push_back(text);
    }
    bool AskYesNo(QWidget*, std::string_view textKey) override {
        questions.emplace_back(textKey);
        if (answers.empty()) return false;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }

    int activeProfile = 0;
    int capacity = 64 * 128;
    bool busy = false;
    QRect keyRect{100, 100, 40, 40};
    std::vector<int> refreshed;
    int refreshedAll = 0;
    bool applyEnabled = false;
    int helpOpened = 0;
    std::vector<std::string> messages;
    std::vector<std::string> messageTexts;
    std::vector<std::string> questions;
    std::deque<bool> answers;
};

constexpr uint16_t KEY_CODE_A = 0x1E;  // key index of A, as the map hands it over
constexpr int ENTRY_A = 0x1E;

inline SelectedKey MapKey(uint16_t keyIndex) {
    return SelectedKey{0, keyIndex, 1058, 0};
}
// G key entry i: 0-8 bank A, 9-17 bank B.
inline SelectedKey GKey(int i, bool g9 = false) {
    return SelectedKey{0, static_cast<uint16_t>(0x100 + i), 1000, g9 ? 1u : 0u};
}

// A key event of evdev key `code` as X11 delivers it to the application, stamped with `time`
// (milliseconds; 0 for none).
inline void SendKey(QWidget& target, int evdevCode, bool release, bool autoRepeat = false,
                    ulong time = 0) {
    QKeyEvent event(release ? QEvent::KeyRelease : QEvent::KeyPress, Qt::Key_unknown,
                    Qt::NoModifier, static_cast<quint32>(evdevCode + XKB_KEYCODE_OFFSET), 0, 0,
                    QString(), autoRepeat);
    event.setTimestamp(time);
    QApplication::sendEvent(&target, &event);
}

inline void TypeKey(QWidget& target, int evdevCode) {
    SendKey(target, evdevCode, false);
    SendKey(target, evdevCode, true);
}

inline MacroRecord NamedMacro(uint16_t id, std::u16string_view name,
                              std::vector<MacroAction> actions = {}) {
    MacroRecord macro;
    macro.id = id;
    macro.SetName(name);
    macro.actions = std::move(actions);
    return macro;
}

using Dialog = Quorvel_DlgComposite;

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetTextsToBuiltIn();
        dialog_ = std::make_unique<Quorvel_DlgComposite>(host_, workingSet_, QUORVEL_SKIN_DIR,
                                                         [this] { return IniFile(languageFile_); });
        dialog_->Macros().SetClock([this] { return now_; });
    }
    void TearDown() override {
        dialog_->CancelIfOpen();
        dialog_.reset();
    }

    KeyAssignment& Entry(int entry, int area = 0) {
        return (*workingSet_.Lock()).keyAreas[area][entry];
    }
    void SetEntry(int entry, KeyAssignment a, int area = 0) {
        (*workingSet_.Lock()).keyAreas[area][entry] = a;
    }
    void SetMacros(std::vector<MacroRecord> macros) {
        ASSERT_TRUE((*workingSet_.Lock()).macros.Replace(std::move(macros)));
    }
    std::vector<MacroRecord> Macros() { return (*workingSet_.Lock()).macros.Records(); }
    void Open(SelectedKey key) { ASSERT_TRUE(dialog_->Prepare(key)); }

    TestHost host_;
    ProfileWorkingSet workingSet_;
    std::unique_ptr<Quorvel_DlgComposite> dialog_;
    uint32_t now_ = 1000;
    // The language file the dialog reads its captions from; none by default.
    std::string languageFile_;
};

}  // namespace quorvel::testing
