// The lighting panel against the virtual keyboard through the real service library: what each
// control writes (frames on the trace, bytes in the keyboard's dump), what it previews on the
// map, and what it must leave alone.
#include "app/lighting_panel.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QColor>
#include <QColorDialog>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <map>
#include <memory>
#include <sstream>

#include "app/keyboard_jobs.h"
#include "app/lighting_controls.h"
#include "app/lighting_widgets.h"
#include "app/message_boxes.h"
#include "base/atomic_write.h"
#include "base/texts.h"
#include "device/device_link.h"
#include "device/lighting_io.h"
#include "device/windowless_shell_port.h"
#include "model/profile_store.h"
#include "tests/app/window_test_support.h"
#include "tests/support/keyboard_dump.h"

namespace quorvel {
namespace {

using testing::BinDir;
using testing::VirtualKeyboard;

constexpr int KEY_A = 0;  // key-list positions
constexpr int KEY_B = 1;
constexpr int MATRIX_A = 64;
constexpr int MATRIX_B = 90;

// One control frame the host sent.
struct Frame {
    std::vector<uint8_t> bytes;
    uint8_t Command() const { return bytes[3]; }
    int Address() const { return bytes[5] | (bytes[6] << 8); }
    std::vector<uint8_t> Data() const { return {bytes.begin() + 8, bytes.begin() + 8 + bytes[4]}; }
};

std::vector<Frame> Parse(const std::vector<std::string>& lines) {
    std::vector<Frame> frames;
    for (const std::string& line : lines) {
        std::istringstream in(line);
        Frame frame;
        unsigned value;
        while (in >> std::hex >> value) frame.bytes.push_back(static_cast<uint8_t>(value));
        if (frame.bytes.size() == 64) frames.push_back(frame);
    }
    return frames;
}

std::vector<Frame> Only(const std::vector<Frame>& frames, uint8_t command) {
    std::vector<Frame> out;
    for (const Frame& f : frames)
        if (f.Command() == command) out.push_back(f);
    return out;
}

class LightingPanelTest : public ::testing::Test {
protected:
    virtual VirtualKeyboard::Options KeyboardOptions() { return {}; }

    void SetUp() override {
        keyboard_ = std::make_unique<VirtualKeyboard>(KeyboardOptions());
        paths_ = testing::UsePrivateFolders(dir_.filePath("program"), dir_.path());
        languageFile_ = dir_.filePath("program/Skins/language.ini").toStdString();
        IniFile(languageFile_).WriteString("LANGUAGE", "language", "1");
        SetCurrentLanguage(1);
        EnsureDataFolder();

        link_ = std::make_unique<DeviceLink>(shell_);
        BindOptions options;
        options.virtualKeyboard = true;
        options.libraryDir = BinDir();
        ASSERT_TRUE(link_->Bind(options).Ok());

        window_ = std::make_unique<QWidget>();
        window_->resize(1000, 480);
        skin_ = std::make_unique<IniFile>(dir_.filePath("program/Skins/Main.ini").toStdString());
        jobs_ = std::make_unique<KeyboardJobs>();
        LightingPanelHost host;
        host.setKeyTint = [this](int position, std::optional<QColor> colour, bool marked) {
            tints_[position] = colour ? FromQColor(*colour) : COLOUR_BLACK;
            marked_[position] = marked;
        };
        host.clearKeyTints = [this] {
            tints_.clear();
            marked_.clear();
        };
        host.resetAssignments = [this] {
            ++resets_;
            return !refuseReset_;
        };
        host.applyAll = [this] { ++applies_; };
        panel_ = new CLightingPanel(*window_, *skin_, dir_.filePath("program/Skins/"), paths_,
                                    *link_, *jobs_, host);
        window_->show();
        Reload(true);
    }

    void TearDown() override {
        SetMessageBoxesSuppressed(false);
        jobs_->Shutdown();
        window_.reset();
        jobs_.reset();
        link_.reset();
        testing::EndVirtualServiceLibrary();
        testing::LeavePrivateFolders();
        keyboard_.reset();
    }

    void Settle() {
        while (jobs_->Busy()) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    void Reload(bool userModes) {
        panel_->Reload(userModes);
        Settle();
    }
    size_t Mark() { return keyboard_->TraceMark(); }
    std::vector<Frame> Sent(size_t mark) { return Parse(keyboard_->FramesSentSince(mark)); }
    // Hex of count bytes at offset of a dumped area.
    std::string Area(const std::string& key, size_t offset, size_t count) {
        return testing::DumpHex(*keyboard_, key, offset, count);
    }
    template <typename T>
    T* Get(int id) {
        return static_cast<T*>(panel_->Control(id));
    }
    void ChooseMode(int id) {
        auto* list = Get<QComboBox>(LIGHTING_MODE_LIST);
        const int row = list->findData(id);
        ASSERT_GE(row, 0) << id;
        list->setCurrentIndex(row);
        Settle();
    }
    void Click(int id) {
        Get<QAbstractButton>(id)->click();
        Settle();
    }
    void OpenView() {
        panel_->ShowLightingView();
        Settle();
    }

    QTemporaryDir dir_;
    std::unique_ptr<VirtualKeyboard> keyboard_;
    ProgramPaths paths_;
    std::string languageFile_;
    WindowlessShellPort shell_;
    std::unique_ptr<DeviceLink> link_;
    std::unique_ptr<QWidget> window_;
    std::unique_ptr<IniFile> skin_;
    std::unique_ptr<KeyboardJobs> jobs_;
    CLightingPanel* panel_ = nullptr;
    std::map<int, Colour> tints_;
    std::map<int, bool> marked_;
    int resets_ = 0;
    bool refuseReset_ = false;
    int applies_ = 0;
};

TEST_F(LightingPanelTest, ReadsTheKeyboardAndRebuildingWritesNothing) {
    EXPECT_EQ(panel_->State().modeId, 1);
    EXPECT_EQ(panel_->ChosenMode(), 1);
    EXPECT_EQ(Get<QComboBox>(LIGHTING_MODE_LIST)->count(), 18);
    EXPECT_EQ(Get<QComboBox>(LIGHTING_MODE_LIST)->currentText(), "Wave");
    EXPECT_EQ(Get<CLightingSlider>(LIGHTING_BRIGHTNESS_SLIDER)->Position(), 4);
    EXPECT_EQ(Get<CLightingSlider>(LIGHTING_SPEED_SLIDER)->Position(), 4);
    const size_t mark = Mark();
    Reload(false);
    panel_->ApplyCaptions();
    Settle();
    EXPECT_TRUE(Only(Sent(mark), 0x06).empty());
    EXPECT_TRUE(Only(Sent(mark), 0x11).empty());
}

TEST_F(LightingPanelTest, SpeedWritesFiveLessItsPositionOnlyWhenItMoves) {
    OpenView();
    auto* speed = Get<CLightingSlider>(LIGHTING_SPEED_SLIDER);
    size_t mark = Mark();
    emit speed->Moved(2);
    Settle();
    std::vector<Frame> writes = Only(Sent(mark), 0x06);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].Address(), 2);
    EXPECT_EQ(writes[0].Data(), std::vector<uint8_t>{3});
    mark = Mark();
    emit speed->Moved(2);
    Settle();
    EXPECT_TRUE(Sent(mark).empty());
}

TEST_F(LightingPanelTest, ModeSixWritesTheModeAloneAndModeOneTheColourfulByteWithIt) {
    OpenView();
    size_t mark = Mark();
    ChooseMode(6);
    std::vector<Frame> writes = Only(Sent(mark), 0x06);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].Address(), 0);
    EXPECT_EQ(writes[0].Data(), std::vector<uint8_t>{6});
    EXPECT_TRUE(Get<QWidget>(LIGHTING_COLOUR_B)->isVisible());
    EXPECT_FALSE(Get<QWidget>(LIGHTING_SPEED_SLIDER)->isVisible());

    mark = Mark();
    ChooseMode(1);
    writes = Only(Sent(mark), 0x06);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].Address(), 0);
    EXPECT_EQ(writes[0].Data(), (std::vector<uint8_t>{1, 4, 1, 0, 1}));
    EXPECT_TRUE(Get<QWidget>(LIGHTING_DIRECTION_FIRST)->isVisible());
    EXPECT_TRUE(Get<QWidget>(LIGHTING_COLOUR_A)->isVisible());
    // Colourful: the rainbow by matrix column; A sits in column 1.
    EXPECT_EQ(tints_[KEY_A], ColourOf(255, 32, 0));
}

TEST_F(LightingPanelTest, ReportedPresetModeShowsThePresetsAndGreenWritesTwo) {
    ASSERT_EQ(SendParamWrite(*link_, ParamBytesWrite(0, PARAM_MODE, std::vector<uint8_t>{17})), 1);
    Reload(false);
    OpenView();
    // The list offers no row for mode 17; the box still names the mode the keyboard is in.
    EXPECT_EQ(panel_->ChosenMode(), 17);
    EXPECT_EQ(Get<QComboBox>(LIGHTING_MODE_LIST)->currentText(), "Colour Presets");
    for (int id = LIGHTING_PRESET_RED; id <= LIGHTING_PRESET_BLUE; ++id)
        EXPECT_TRUE(Get<QWidget>(id)->isVisible()) << id;
    EXPECT_FALSE(Get<QWidget>(LIGHTING_SPEED_SLIDER)->isVisible());
    EXPECT_TRUE(tints_.empty());  // plain preview
    const size_t mark = Mark();
    Click(LIGHTING_PRESET_GREEN);
    std::vector<Frame> writes = Only(Sent(mark), 0x06);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].Address(), 17);
    EXPECT_EQ(writes[0].Data(), std::vector<uint8_t>{2});
}

TEST_F(LightingPanelTest, DirectionAndColourWritesAndPreviews) {
    OpenView();
    size_t mark = Mark();
    Click(LIGHTING_DIRECTION_FIRST);
    EXPECT_EQ(Area("params", 3, 1), "01");
    Get<CLightingColourButton>(LIGHTING_COLOUR_A)->Choose(ColourOf(0x10, 0x20, 0x30));
    Settle();
    std::vector<Frame> writes = Only(Sent(mark), 0x06);
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[1].Address(), 4);
    EXPECT_EQ(writes[1].Data(), (std::vector<uint8_t>{0, 0x10, 0x20, 0x30}));
    EXPECT_EQ(tints_[KEY_B], ColourOf(0x10, 0x20, 0x30));
    EXPECT_EQ(tints_[FN_KEY_POSITION], ColourOf(0x10, 0x20, 0x30));
    Click(LIGHTING_COLOURFUL_A);
    EXPECT_EQ(Area("params", 4, 1), "01");
    EXPECT_EQ(tints_[KEY_A], ColourOf(255, 32, 0));
}

// The steady modes' switch B shows the colourful byte it writes, whatever byte 18 holds (0 in
// the default record).
TEST_F(LightingPanelTest, SteadySwitchShowsTheColourfulByteItWrites) {
    OpenView();
    ChooseMode(6);
    ASSERT_TRUE(panel_->State().colourful);
    auto look = [&](int id) { return Get<QWidget>(id)->grab().toImage(); };
    const QImage on = look(LIGHTING_COLOURFUL_A);
    EXPECT_EQ(look(LIGHTING_COLOURFUL_B), on);
    const size_t mark = Mark();
    Click(LIGHTING_COLOURFUL_B);
    std::vector<Frame> writes = Only(Sent(mark), 0x06);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].Address(), 4);
    EXPECT_EQ(writes[0].Data(), std::vector<uint8_t>{0});
    EXPECT_NE(look(LIGHTING_COLOURFUL_B), on);
    EXPECT_EQ(look(LIGHTING_COLOURFUL_B), look(LIGHTING_COLOURFUL_A));
    EXPECT_EQ(tints_[KEY_A], COLOUR_RED);
}

TEST_F(LightingPanelTest, BaseColourRepaintsOnlyMarkedKeysInOneSession) {
    OpenView();
    ChooseMode(20);
    ASSERT_TRUE(panel_->PaintingKeys());
    Click(LIGHTING_TOOL_BASE);
    panel_->PaintKey(KEY_A);
    Click(LIGHTING_TOOL_USER);
    Get<CLightingColourButton>(LIGHTING_USER_COLOUR)->Choose(ColourOf(0, 0, 0xFF));
    panel_->PaintKey(KEY_B);
    Settle();
    EXPECT_EQ(panel_->KeyMarks()[MATRIX_A], 1);
    EXPECT_EQ(panel_->KeyMarks()[MATRIX_B], 0);
    EXPECT_TRUE(marked_[KEY_A]);
    EXPECT_EQ(Area("keyColours", 3 * MATRIX_B, 3), "0000FF");

    size_t mark = Mark();
    Get<CLightingColourButton>(LIGHTING_BASE_COLOUR)->Choose(ColourOf(0, 0xFF, 0));
    Settle();
    std::vector<Frame> frames = Sent(mark);
    ASSERT_GE(frames.size(), 10u);
    EXPECT_EQ(frames.front().Command(), 0x01);
    EXPECT_EQ(frames[1].Command(), 0x06);
    EXPECT_EQ(frames[1].Address(), 9);
    EXPECT_EQ(frames[1].Data(), (std::vector<uint8_t>{0, 0xFF, 0}));
    EXPECT_EQ(Only(frames, 0x11).size(), 7u);
    // The writes' session, then the colour's read-back in one of its own.
    EXPECT_EQ(Only(frames, 0x01).size(), 2u);
    EXPECT_EQ(Only(frames, 0x05).size(), 1u);
    EXPECT_EQ(frames.back().Command(), 0x02);
    EXPECT_EQ(Area("keyColours", 3 * MATRIX_A, 3), "00FF00");
    EXPECT_EQ(Area("keyColours", 3 * MATRIX_B, 3), "0000FF");
    EXPECT_EQ(tints_[KEY_A], ColourOf(0, 0xFF, 0));
    EXPECT_EQ(tints_[KEY_B], ColourOf(0, 0, 0xFF));

    mark = Mark();
    Get<CLightingColourButton>(LIGHTING_BASE_COLOUR)->Choose(ColourOf(0, 0xFF, 0));
    Settle();
    EXPECT_TRUE(Sent(mark).empty());
}

TEST_F(LightingPanelTest, KeyClicksOutsideTheUserModeChangeNothing) {
    OpenView();
    ChooseMode(5);
    const KeyColourTable before = panel_->KeyColours();
    const auto fileContents = [this] {
        QFile file(QString::fromStdString(UserFilePath(paths_, 0)));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray fileBefore = fileContents();
    const size_t mark = Mark();
    EXPECT_FALSE(panel_->PaintingKeys());
    panel_->PaintKey(KEY_A);
    Settle();
    EXPECT_TRUE(Sent(mark).empty());
    EXPECT_EQ(panel_->KeyColours(), before);
    EXPECT_EQ(fileContents(), fileBefore);
    // Nor with the view hidden in the user mode.
    ChooseMode(20);
    panel_->HideLightingView();
    EXPECT_FALSE(panel_->PaintingKeys());
}

TEST_F(LightingPanelTest, RestoreDefaultsKeepsTheLanguage) {
    SetMessageBoxesSuppressed(true);
    size_t mark = Mark();
    SetNextYesNoAnswer(false);
    panel_->RestoreDefaults();
    Settle();
    EXPECT_TRUE(Sent(mark).empty());
    EXPECT_EQ(resets_ + applies_, 0);

    // Yes with the view hidden: the key assignments only, then Apply.
    SetNextYesNoAnswer(true);
    panel_->RestoreDefaults();
    Settle();
    EXPECT_TRUE(Sent(mark).empty());
    EXPECT_EQ(resets_, 1);
    EXPECT_EQ(applies_, 1);

    // Keys the window refused to reset (it got busy while asking): nothing is restored, Apply
    // does not run, and the user is told.
    OpenView();
    ChooseMode(6);
    refuseReset_ = true;
    SetNextYesNoAnswer(true);
    mark = Mark();
    panel_->RestoreDefaults();
    Settle();
    EXPECT_TRUE(Sent(mark).empty());
    EXPECT_EQ(applies_, 1);
    EXPECT_EQ(panel_->State().modeId, 6);
    EXPECT_EQ(TakeShownMessageKeys(),
              (std::vector<std::string>{"MAIN_PROMPT_DEFAULT", "MAIN_PROMPT_DEFAULT",
                                        "MAIN_PROMPT_DEFAULT", "DefaultsRefused"}));
    refuseReset_ = false;

    // Yes with the view shown restores the lighting too.
    emit Get<CLightingSlider>(LIGHTING_BRIGHTNESS_SLIDER)->Moved(1);
    Settle();
    SetNextYesNoAnswer(true);
    panel_->RestoreDefaults();
    Settle();
    std::string defaults;
    for (uint8_t b : DefaultParamsWrite(0).bytes)
        defaults += QString::asprintf("%02X", b).toStdString();
    EXPECT_EQ(Area("params", 0, 35), defaults);
    EXPECT_EQ(panel_->State().modeId, 1);
    EXPECT_EQ(Get<CLightingSlider>(LIGHTING_BRIGHTNESS_SLIDER)->Position(), 4);
    EXPECT_EQ(TakeShownMessageKeys(), std::vector<std::string>{"MAIN_PROMPT_DEFAULT"});
    EXPECT_EQ(CurrentLanguage(), 1);
    EXPECT_EQ(
        IniFile(ReadPathFor(paths_, "Skins/language.ini")).ReadInt("LANGUAGE", "language", -1), 1);
    // The factory file shipped beside the skin was copied over the profile's.
    QFile factory(dir_.filePath("program/Skins/UserDengColor_3.userd"));
    QFile restored(QString::fromStdString(UserFilePath(paths_, 0)));
    ASSERT_TRUE(factory.open(QIODevice::ReadOnly));
    ASSERT_TRUE(restored.open(QIODevice::ReadOnly));
    EXPECT_EQ(restored.readAll(), factory.readAll());
}

TEST_F(LightingPanelTest, RenamingUserModeFourStoresItsName) {
    OpenView();
    ChooseMode(20);
    auto* list = Get<QComboBox>(LIGHTING_USER_MODE_LIST);
    list->setCurrentIndex(4);
    Settle();
    const size_t mark = Mark();
    list->lineEdit()->selectAll();
    for (QChar c : QString("Dusk")) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(list->lineEdit(), &press);
    }
    Settle();
    EXPECT_EQ(ReadUserModeName(paths_, 0, 4), "Dusk");
    EXPECT_EQ(list->itemText(4), "Dusk");
    EXPECT_EQ(list->count(), USER_MODE_COUNT);
    EXPECT_TRUE(Sent(mark).empty());
}

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
