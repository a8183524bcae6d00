// The window's Apply after one key change in the key dialog, with about 16 KB of macros on
// the keyboard: a handful of frames on the virtual keyboard's trace, not the whole macro area.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/window_buttons.h"
#include "editors/composite_dialog.h"
#include "model/key_codes.h"
#include "tests/app/window_test_support.h"

namespace quorvel {
namespace {

using namespace testing;

constexpr int LARGE_CAPACITY = 255;
constexpr uint16_t SCAN_A = 0x1E;

class WindowApplyFrames : public WindowTest {
protected:
    WindowApplyFrames()
        : WindowTest(VirtualKeyboard::OptionsWith(&VirtualKeyboard::Options::capacityUnits,
                                                  LARGE_CAPACITY)) {}

    // Two macros of 2000 steps, applied in full.
    void FillMacroArea(CQuorvelDlg& window) {
        std::vector<MacroRecord> macros(2);
        for (size_t m = 0; m < macros.size(); ++m) {
            macros[m].id = static_cast<uint16_t>(m + 1);
            macros[m].SetName(m == 0 ? u"Left" : u"Right");
            for (int step = 0; step < MACRO_MAX_ACTIONS; ++step)
                macros[m].actions.push_back(MakeMacroAction(
                    10, SCAN_A, step % 2 ? MACRO_STATE_RELEASE : MACRO_STATE_PRESS));
        }
        ASSERT_TRUE(ProfileWorkingSet::Instance().Lock()->macros.Replace(macros));
        window.EnableApply(true);
        window.RunCommand(COMMAND_APPLY);
        Settle();
        ASSERT_FALSE(window.SettingsChanged());
    }

    std::vector<std::string> ApplySent(CQuorvelDlg& window) {
        const size_t mark = Mark();
        window.RunCommand(COMMAND_APPLY);
        Settle();
        return keyboard_.FramesSentSince(mark);
    }
};

TEST_F(WindowApplyFrames, OneKeyFromTheKeyDialogIsAtMostTenFramesAndTheSameApplyAgainNone) {
    CQuorvelDlg& window = Start();
    FillMacroArea(window);
    const std::string macrosBefore = Area("macroArea", 0, 16000);

    auto* dialog = window.findChild<Quorvel_DlgComposite*>();
    ASSERT_NE(dialog, nullptr);
    const SelectedKey keyA{0, KeyIndexOf(SCAN_A), CONTROL_KEY_A, 0};
    for (int media : {3, 4}) {
        SCOPED_TRACE(media);
        const std::string keysBefore = Area("keyBlocks", 0, 378);
        ASSERT_TRUE(dialog->Prepare(keyA));
        dialog->ShowPageButton(Quorvel_DlgComposite::PAGE_MEDIA);
        dialog->SelectMedia(media);
        dialog->CloseDialog(true);
        ASSERT_TRUE(window.SettingsChanged());

        const std::vector<std::string> sent = ApplySent(window);
        RecordProperty("frames", static_cast<int>(sent.size()));
        EXPECT_LE(sent.size(), 10u);
        EXPECT_FALSE(sent.empty());
        EXPECT_FALSE(window.SettingsChanged());
        EXPECT_EQ(ProfileWorkingSet::Instance().Lock()->keyAreas[0][KEY_ENTRY_A].type,
                  ASSIGN_MEDIA);
        EXPECT_NE(Area("keyBlocks", 0, 378), keysBefore);
    }
    EXPECT_EQ(Area("macroArea", 0, 16000), macrosBefore);

    // Nothing changed since: Apply sends nothing at all.
    window.EnableApply(true);
    EXPECT_TRUE(ApplySent(window).empty());
}

}  // namespace
}  // namespace quorvel
