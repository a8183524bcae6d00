// The panel's refresh with the user modes (after a profile report, a profile button or an
// import) and a change of user mode send only the colour chunks the keyboard is not known to
// hold; a colour frame the keyboard refuses is said, and the next refresh makes it good.
#include "tests/app/lighting_panel_fixture.h"

namespace quorvel {
namespace {

constexpr uint8_t OP_COLOURS = 0x11;
constexpr Colour BLUE = ColourOf(0, 0, 0xFF);
constexpr Colour GREEN = ColourOf(0, 0xFF, 0);

class LightingRefreshTest : public LightingPanelTest {
protected:
    int Profile() const { return panel_->State().activeProfile; }

    // The data of the chunks a full write of the panel's table sends for these keys.
    std::vector<std::vector<uint8_t>> ChunksHolding(std::vector<int> positions) const {
        const std::vector<KeyColourWrite> full = KeyColourChunks(Profile(), panel_->KeyColours());
        std::vector<std::vector<uint8_t>> chunks;
        for (int position : positions) chunks.push_back(full[position / 18].bytes);
        return chunks;
    }

    static std::vector<std::vector<uint8_t>> Data(const std::vector<Frame>& frames) {
        std::vector<std::vector<uint8_t>> data;
        for (const Frame& frame : frames) data.push_back(frame.Data());
        return data;
    }

    // The keyboard holds the panel's colours for every key of the profile.
    std::string TableHex() const {
        std::string hex;
        for (const KeyColourWrite& chunk : KeyColourChunks(Profile(), panel_->KeyColours()))
            for (uint8_t b : chunk.bytes) hex += QString::asprintf("%02X", b).toStdString();
        return hex;
    }
    std::string KeyboardHex() { return Area("keyColours", 512 * Profile(), 3 * 126); }
};

TEST_F(LightingRefreshTest, SendsOnlyTheChunksThatDifferAndNoneWhenNothingDoes) {
    size_t mark = Mark();
    Reload(true);
    std::vector<Frame> sent = Sent(mark);
    EXPECT_TRUE(Only(sent, OP_COLOURS).empty());
    // The settings read, then begin, the three lighting records and end.
    EXPECT_EQ(sent.size(), 6u);
    RecordProperty("refresh_frames", static_cast<int>(sent.size()));

    // An import rewrote one key of the current user mode: its chunk alone goes.
    ASSERT_TRUE(WriteKeyColour(paths_, Profile(), 0, MATRIX_A, BLUE, 0));
    mark = Mark();
    Reload(true);
    sent = Only(Sent(mark), OP_COLOURS);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].Address(), 512 * Profile() + 54 * (MATRIX_A / 18));
    EXPECT_EQ(Data(sent), ChunksHolding({MATRIX_A}));
    EXPECT_EQ(KeyboardHex(), TableHex());

    // Another user mode differs in two keys of two chunks: those two go.
    ASSERT_TRUE(WriteKeyColour(paths_, Profile(), 1, MATRIX_B, GREEN, 0));
    mark = Mark();
    Get<QComboBox>(LIGHTING_USER_MODE_LIST)->setCurrentIndex(1);
    Settle();
    ASSERT_EQ(panel_->UserMode().currentMode, 1);
    EXPECT_EQ(Data(Only(Sent(mark), OP_COLOURS)), ChunksHolding({MATRIX_A, MATRIX_B}));
    EXPECT_EQ(KeyboardHex(), TableHex());
    EXPECT_EQ(Area("keyColours", 512 * Profile() + 3 * MATRIX_B, 3), "00FF00");
}

TEST_F(LightingRefreshTest, ARefusedColourFrameIsSaidAndTheNextRefreshMakesItGood) {
    int failures = 0;
    QObject::connect(panel_, &CLightingPanel::WriteFailed, [&] { ++failures; });
    ASSERT_TRUE(WriteKeyColour(paths_, Profile(), 0, MATRIX_A, BLUE, 0));
    // The settings read and begin go through; every attempt at the colour chunk is refused.
    keyboard_->Run({"fault", "after", "2", "status", "fe", std::to_string(TRANSACTION_ATTEMPTS)});
    Reload(true);
    EXPECT_EQ(failures, 1);
    EXPECT_TRUE(window_->findChild<QLabel*>("LIGHTING_NOTICE")->isVisible());
    EXPECT_NE(KeyboardHex(), TableHex());

    Reload(true);
    EXPECT_EQ(failures, 1);
    EXPECT_EQ(KeyboardHex(), TableHex());
    const size_t mark = Mark();
    Reload(true);
    EXPECT_TRUE(Only(Sent(mark), OP_COLOURS).empty());
}

}  // namespace
}  // namespace quorvel
