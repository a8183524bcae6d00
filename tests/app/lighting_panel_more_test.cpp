// The lighting panel's failures, its colour dialog, refusals while a user mode changes, and
// the rows and drags that must write only what they are named for.
#include "tests/app/lighting_panel_fixture.h"

namespace quorvel {
namespace {

TEST_F(LightingPanelTest, AFailedWriteShowsWhatTheKeyboardHolds) {
    OpenView();
    int failures = 0;
    QObject::connect(panel_, &CLightingPanel::WriteFailed, [&] { ++failures; });
    // Begin goes through; the parameter write is refused on every attempt.
    const size_t mark = Mark();
    keyboard_->Run({"fault", "after", "1", "status", "fe", std::to_string(TRANSACTION_ATTEMPTS)});
    emit Get<CLightingSlider>(LIGHTING_BRIGHTNESS_SLIDER)->Moved(1);
    Settle();
    EXPECT_EQ(failures, 1);
    EXPECT_FALSE(Sent(mark).empty());
    EXPECT_EQ(Area("params", 1, 1), "04");
    EXPECT_EQ(panel_->State().brightness, 4);
    EXPECT_EQ(Get<CLightingSlider>(LIGHTING_BRIGHTNESS_SLIDER)->Position(), 4);
    EXPECT_TRUE(window_->findChild<QLabel*>("LIGHTING_NOTICE")->isVisible());
}

TEST_F(LightingPanelTest, AUserColourFileNotWrittenShowsWhatTheFileHolds) {
    OpenView();
    ChooseMode(20);
    Click(LIGHTING_TOOL_USER);
    Get<CLightingColourButton>(LIGHTING_USER_COLOUR)->Choose(ColourOf(0, 0, 0xFF));
    Settle();
    const KeyColourTable before = panel_->KeyColours();
    ASSERT_NE(before[MATRIX_A], ColourOf(0, 0, 0xFF));
    int failures = 0;
    QObject::connect(panel_, &CLightingPanel::WriteFailed, [&] { ++failures; });
    SetAtomicWriteFaultAfterBytes(0);
    panel_->PaintKey(KEY_A);
    EXPECT_EQ(tints_[KEY_A], ColourOf(0, 0, 0xFF));
    Settle();
    SetAtomicWriteFaultAfterBytes(-1);
    // The key shows what the file and the keyboard hold, and the user is told.
    EXPECT_EQ(failures, 1);
    EXPECT_EQ(panel_->KeyColours(), before);
    EXPECT_EQ(tints_[KEY_A], before[MATRIX_A]);
    EXPECT_EQ(ReadKeyColour(paths_, 0, 0, MATRIX_A).colour, before[MATRIX_A]);
    EXPECT_NE(Area("keyColours", 3 * MATRIX_A, 3), "0000FF");
    auto* notice = window_->findChild<QLabel*>("LIGHTING_NOTICE");
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(notice->isVisible());
    EXPECT_EQ(notice->text(), "The user colour file could not be written; showing what it holds.");
}

// The colour dialog's passing colours tint the keys painted with the base colour; the file and
// the keyboard take the colour once, at OK, and Cancel leaves both as they were.
TEST_F(LightingPanelTest, TheColourDialogWritesTheBaseColourOnceAtOk) {
    OpenView();
    ChooseMode(20);
    Click(LIGHTING_TOOL_BASE);
    panel_->PaintKey(KEY_A);
    Settle();
    const Colour before = panel_->UserMode().baseColour;
    auto* button = Get<CLightingColourButton>(LIGHTING_BASE_COLOUR);
    auto stored = [&] {
        UserModeState onDisk;
        ReadToolAndColours(paths_, 0, 0, onDisk);
        return onDisk.baseColour;
    };
    auto throughDialog = [&](bool ok) {
        size_t mark = Mark();
        bool passed = false;
        QTimer::singleShot(0, button, [&] {
            auto* dialog = button->findChild<QColorDialog*>();
            ASSERT_NE(dialog, nullptr);
            for (int green : {0x10, 0x20, 0x30}) dialog->setCurrentColor(QColor(0, green, 0));
            Settle();
            EXPECT_EQ(tints_[KEY_A], ColourOf(0, 0x30, 0));
            EXPECT_EQ(stored(), before);
            EXPECT_TRUE(Sent(mark).empty());
            passed = true;
            if (ok) {
                dialog->accept();
            } else {
                dialog->reject();
            }
        });
        button->click();
        auto menus = button->findChildren<QMenu*>();
        ASSERT_FALSE(menus.isEmpty());
        menus.last()->actions().last()->trigger();
        menus.last()->close();
        Settle();
        EXPECT_TRUE(passed);
    };
    throughDialog(false);
    EXPECT_EQ(tints_[KEY_A], before);
    EXPECT_EQ(stored(), before);
    EXPECT_EQ(panel_->UserMode().baseColour, before);

    const size_t mark = Mark();
    throughDialog(true);
    EXPECT_EQ(stored(), ColourOf(0, 0x30, 0));
    EXPECT_EQ(Only(Sent(mark), 0x06).size(), 1u);  // one write, then its read-back's session
    EXPECT_EQ(Only(Sent(mark), 0x01).size(), 2u);
    EXPECT_EQ(Area("keyColours", 3 * MATRIX_A, 3), "003000");
    EXPECT_EQ(tints_[KEY_A], ColourOf(0, 0x30, 0));
}

// While a keyboard job runs, a change of user mode waits for it; the tools would write into the
// mode being left, so a paint meanwhile is refused with the busy notice.
TEST_F(LightingPanelTest, APaintWhileAUserModeChangeWaitsIsRefused) {
    ASSERT_TRUE(WriteKeyColour(paths_, 0, 2, MATRIX_A, ColourOf(1, 2, 3), 0));
    OpenView();
    ChooseMode(20);
    std::atomic<bool> release{false};
    jobs_->Run("hold", [&](const KeyboardJobs::Report&) {
        while (!release) QThread::msleep(1);
        return 1;
    });
    Get<QComboBox>(LIGHTING_USER_MODE_LIST)->setCurrentIndex(2);
    const KeyColourTable before = panel_->KeyColours();
    panel_->PaintKey(KEY_B);
    EXPECT_EQ(panel_->KeyColours(), before);
    auto* notice = window_->findChild<QLabel*>("LIGHTING_NOTICE");
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(notice->text(), "The keyboard is busy; try again in a moment.");
    release = true;
    Settle();
    EXPECT_EQ(panel_->UserMode().currentMode, 2);
    EXPECT_EQ(ReadPresentMode(paths_, 0), 2);
    EXPECT_EQ(panel_->KeyColours()[MATRIX_A], ColourOf(1, 2, 3));
    EXPECT_EQ(Area("keyColours", 3 * MATRIX_A, 3), "010203");
    EXPECT_NE(ReadKeyColour(paths_, 0, 2, MATRIX_B).mark, 0);  // not painted
}

class LightingPanelOtherOrder : public LightingPanelTest {
protected:
    VirtualKeyboard::Options KeyboardOptions() override {
        return VirtualKeyboard::OptionsWith(&VirtualKeyboard::Options::modes, "20,1,4,19,5");
    }
};

TEST_F(LightingPanelOtherOrder, RowsWriteTheModeTheyAreNamedFor) {
    auto* list = Get<QComboBox>(LIGHTING_MODE_LIST);
    ASSERT_EQ(list->count(), 5);
    EXPECT_EQ(list->itemText(0), "Custom");
    EXPECT_EQ(list->itemText(1), "Wave");
    OpenView();
    size_t mark = Mark();
    ChooseMode(4);
    ASSERT_EQ(Only(Sent(mark), 0x06).size(), 1u);
    EXPECT_EQ(Area("params", 0, 1), "04");
    // A row whose id no mode of the table has writes nothing and shows only the list.
    mark = Mark();
    ChooseMode(19);
    EXPECT_TRUE(Only(Sent(mark), 0x06).empty());
    EXPECT_FALSE(Get<QWidget>(LIGHTING_BRIGHTNESS_SLIDER)->isVisible());
    EXPECT_TRUE(list->isVisible());
}

class LightingPanelAtUsbPace : public LightingPanelTest {
protected:
    VirtualKeyboard::Options KeyboardOptions() override {
        return VirtualKeyboard::OptionsWith(&VirtualKeyboard::Options::latencyUs, 1000);
    }
};

TEST_F(LightingPanelAtUsbPace, ADragSendsAHandfulOfFramesEndingOnTheLastPosition) {
    OpenView();
    auto* slider = Get<CLightingSlider>(LIGHTING_BRIGHTNESS_SLIDER);
    const size_t mark = Mark();
    const int step = slider->width() / CLightingSlider::POSITIONS;
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(1, 5), slider->mapToGlobal(QPointF(1, 5)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(slider, &press);
    int last = slider->Position();
    for (int i = 1; i <= 50; ++i) {
        // Back and forth across the slider, ending at position 3.
        const int position = i == 50 ? 3 : (i % 10 < 5 ? i % 5 : 5 - i % 5);
        const QPointF at(position * step + step / 2, 5);
        QMouseEvent move(QEvent::MouseMove, at, slider->mapToGlobal(at), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(slider, &move);
        last = slider->Position();
    }
    QElapsedTimer sinceLast;
    sinceLast.start();
    const size_t afterDrag = Mark();
    Settle();
    const qint64 settledMs = sinceLast.elapsed();
    ASSERT_EQ(last, 3);
    const std::vector<Frame> writes = Only(Sent(mark), 0x06);
    EXPECT_LE(writes.size(), 5u);
    ASSERT_FALSE(writes.empty());
    EXPECT_EQ(writes.back().Data(), std::vector<uint8_t>{3});
    EXPECT_EQ(Area("params", 1, 1), "03");
    // The tail of the drag costs at most the write under way and the newest one, however busy
    // the machine; the time it takes is printed as a measurement, not judged.
    EXPECT_LE(Only(Sent(afterDrag), 0x06).size(), 2u);
    std::printf("drag: %zu parameter writes for 50 steps; final value in %lld ms (%.2f of 100)\n",
                writes.size(), static_cast<long long>(settledMs), settledMs / 100.0);
}

}  // namespace
}  // namespace quorvel
