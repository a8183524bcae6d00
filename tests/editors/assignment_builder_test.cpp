// What the key assignment dialog stores, decided without a window.
#include "editors/assignment_builder.h"

#include <gtest/gtest.h>

#include "editors/dialog_placement.h"

namespace quorvel {
namespace {

constexpr int ENTRY_A = 0x1E;
constexpr ScanCode SC_A = 0x01E;
constexpr ScanCode SC_B = 0x030;
constexpr int G1_BANK_A = 256;
constexpr int G2_BANK_B = 266;

AssignmentChoice Choice(int entry, int type) {
    AssignmentChoice choice;
    choice.entryIndex = entry;
    choice.pageType = type;
    return choice;
}

TEST(BuildAssignment, CapturedKeyKeepsColourFlagAndReservedAndNoneOrItselfIsTheDefault) {
    const KeyAssignment current{ASSIGN_MEDIA, 0, 4, 1, 7};
    AssignmentChoice choice = Choice(ENTRY_A, ASSIGN_KEY);
    choice.capturedKey = SC_B;
    EXPECT_EQ(BuildAssignment(choice, current), (KeyAssignment{ASSIGN_KEY, 0, SC_B, 1, 7}));
    choice.capturedKey = SC_A;  // the key mapped to itself
    EXPECT_EQ(BuildAssignment(choice, current), (KeyAssignment{ASSIGN_DEFAULT, 0, 0, 1, 7}));
    choice.capturedKey = 0;
    EXPECT_EQ(BuildAssignment(choice, current), (KeyAssignment{ASSIGN_DEFAULT, 0, 0, 1, 7}));
    // Clear: the default with a value of 0 whatever the entry held.
    EXPECT_EQ(BuildAssignment(Choice(ENTRY_A, ASSIGN_DEFAULT), current),
              (KeyAssignment{ASSIGN_DEFAULT, 0, 0, 1, 7}));
}

TEST(BuildAssignment, GKeysCarryTheirCodeAndMacrosTheirCycles) {
    AssignmentChoice choice = Choice(G2_BANK_B, ASSIGN_MEDIA);
    choice.mediaIndex = 3;
    EXPECT_EQ(BuildAssignment(choice, {}), (KeyAssignment{ASSIGN_MEDIA, 0x1302, 3, 0, 0}));
    choice = Choice(G1_BANK_A, ASSIGN_FUNCTION);
    choice.functionIndex = 10;
    EXPECT_EQ(BuildAssignment(choice, {}), (KeyAssignment{ASSIGN_FUNCTION, 0x0301, 10, 0, 0}));
    EXPECT_EQ(GKeyAuxOf(ENTRY_A), 0);

    choice = Choice(G1_BANK_A, ASSIGN_MACRO);
    choice.haveMacros = true;
    choice.macroId = 9;
    choice.cycles = 3;
    EXPECT_EQ(BuildAssignment(choice, {}), (KeyAssignment{ASSIGN_MACRO, 3, 9, 0, 0}));
    // The macro page with an empty box gives the key its own function back.
    choice.haveMacros = false;
    EXPECT_EQ(BuildAssignment(choice, {}), (KeyAssignment{ASSIGN_DEFAULT, 0x0301, 0, 0, 0}));
}

TEST(BuildAssignment, TypesWithoutAPageAreLeftAsTheyAre) {
    for (int type : {ASSIGN_DISABLED, ASSIGN_PROGRAM, ASSIGN_STOP_MACRO, ASSIGN_TEXT}) {
        EXPECT_EQ(BuildAssignment(Choice(ENTRY_A, type), {static_cast<int16_t>(type), 0, 40, 0, 0}),
                  std::nullopt);
    }
}

TEST(DialogPlacement, FirstFittingCornerOfTheAvailableArea) {
    const QRect screen(0, 0, 1920, 1040);
    const QSize dialog(600, 460);
    EXPECT_EQ(PlaceBesideKey(QRect(100, 100, 40, 40), dialog, screen), QPoint(140, 140));
    EXPECT_EQ(PlaceBesideKey(QRect(100, 900, 40, 40), dialog, screen), QPoint(140, 440));
    EXPECT_EQ(PlaceBesideKey(QRect(1800, 100, 40, 40), dialog, screen), QPoint(1200, 140));
    EXPECT_EQ(PlaceBesideKey(QRect(1870, 1000, 40, 40), dialog, screen), QPoint(1270, 540));
    // A second screen to the right: its own area counts.
    EXPECT_EQ(PlaceBesideKey(QRect(3700, 980, 40, 40), dialog, QRect(1920, 0, 1920, 1080)),
              QPoint(3100, 520));
    // Nothing fits: beside the key but kept on the screen.
    EXPECT_EQ(PlaceBesideKey(QRect(300, 200, 40, 40), dialog, QRect(0, 0, 800, 600)),
              QPoint(200, 140));
}

}  // namespace
}  // namespace quorvel
