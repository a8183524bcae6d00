// The lighting panel against the virtual keyboard through the real service library: what each
// control writes (frames on the trace, bytes in the keyboard's dump), what it previews on the
// map, and what it must leave alone.
#include "tests/app/lighting_panel_fixture.h"

namespace quorvel {
namespace {

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

}  // namespace
}  // namespace quorvel
