#include "model/working_set.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace quorvel {
namespace {

MacroRecord Macro(uint16_t id, uint16_t isNew = 0) {
    MacroRecord record;
    record.id = id;
    record.isNew = isNew;
    record.SetName(u"m");
    return record;
}

struct RecordingObserver : WorkingSetObserver {
    explicit RecordingObserver(ProfileWorkingSet& ws) : workingSet(ws) {}
    void OnAssignmentReset(int area, int entry) override {
        // The main window redraws the key from the working set; that must not deadlock.
        (void)MacroIdAt(workingSet, 0);
        resets.emplace_back(area, entry);
    }
    void OnUnappliedChanges() override { ++unapplied; }

    ProfileWorkingSet& workingSet;
    std::vector<std::pair<int, int>> resets;
    int unapplied = 0;
};

void Assign(ProfileWorkingSet& ws, int area, int entry, int16_t type, int32_t value) {
    WorkingSetLock data = ws.Lock();
    data->keyAreas[area][entry].type = type;
    data->keyAreas[area][entry].value = value;
}

KeyAssignment At(ProfileWorkingSet& ws, int area, int entry) {
    return ws.Lock()->keyAreas[area][entry];
}

void InstallMacros(ProfileWorkingSet& ws, std::vector<MacroRecord> records) {
    ASSERT_TRUE(ws.Lock()->macros.Replace(std::move(records)));
}

class CommitMacrosTest : public ::testing::Test {
protected:
    void SetUp() override { workingSet.SetObserver(&observer); }

    ProfileWorkingSet workingSet;
    RecordingObserver observer{workingSet};
};

TEST_F(CommitMacrosTest, ReusedIdResetsAssignmentsOfTheDeletedMacroInEveryArea) {
    InstallMacros(workingSet, {Macro(1), Macro(2), Macro(3)});
    const std::vector<std::pair<int, int>> heldId2 = {{0, 5}, {1, 100}, {2, 511}, {3, 0}};
    for (auto [area, entry] : heldId2) Assign(workingSet, area, entry, ASSIGN_MACRO, 2);
    Assign(workingSet, 0, 6, ASSIGN_MACRO, 1);
    Assign(workingSet, 1, 7, ASSIGN_KEY, 2);  // not a macro assignment

    // The editor deletes macro 2 and creates a new one, which takes the freed id.
    std::vector<MacroRecord> editor = CopyOutMacros(workingSet);
    editor.erase(editor.begin() + 1);
    std::optional<MacroRecord> created = CreateMacro(u"new", editor);
    ASSERT_TRUE(created.has_value());
    ASSERT_EQ(created->id, 2);
    editor.push_back(*created);

    ASSERT_TRUE(CommitMacros(workingSet, editor));

    for (auto [area, entry] : heldId2) {
        EXPECT_EQ(At(workingSet, area, entry).type, ASSIGN_DEFAULT) << area << "/" << entry;
    }
    EXPECT_EQ(observer.resets, heldId2);
    EXPECT_EQ(observer.unapplied, 1);
    EXPECT_EQ(At(workingSet, 0, 6).type, ASSIGN_MACRO);
    EXPECT_EQ(At(workingSet, 1, 7).type, ASSIGN_KEY);

    WorkingSetLock data = workingSet.Lock();
    ASSERT_EQ(data->macros.Count(), 3);
    for (const MacroRecord& record : data->macros.Records()) EXPECT_EQ(record.isNew, 0);
    EXPECT_EQ(data->macros.IdAt(2), 2);
    for (const MacroRecord& record : editor) EXPECT_EQ(record.isNew, 0) << "editor copy";
}

TEST_F(CommitMacrosTest, UnchosenMacroTakesTheFirstMacroInDisplayOrder) {
    Assign(workingSet, 2, 40, ASSIGN_MACRO, 0);
    std::vector<MacroRecord> editor = {Macro(5), Macro(1)};
    ASSERT_TRUE(CommitMacros(workingSet, editor));
    EXPECT_EQ(At(workingSet, 2, 40), (KeyAssignment{ASSIGN_MACRO, 0, 5, 0, 0}));
    EXPECT_TRUE(observer.resets.empty());
    EXPECT_EQ(observer.unapplied, 1);
}

TEST_F(CommitMacrosTest, UnchosenMacroStaysWhenTheListIsEmpty) {
    Assign(workingSet, 0, 1, ASSIGN_MACRO, 0);
    std::vector<MacroRecord> editor;
    ASSERT_TRUE(CommitMacros(workingSet, editor));
    EXPECT_EQ(At(workingSet, 0, 1), (KeyAssignment{ASSIGN_MACRO, 0, 0, 0, 0}));
    EXPECT_EQ(observer.unapplied, 0);
}

TEST_F(CommitMacrosTest, EmptyCommitClearsTheListAndResetsEveryChosenMacro) {
    InstallMacros(workingSet, {Macro(1), Macro(9)});
    Assign(workingSet, 0, 3, ASSIGN_MACRO, 1);
    Assign(workingSet, 3, 4, ASSIGN_MACRO, 9);
    std::vector<MacroRecord> editor;
    ASSERT_TRUE(CommitMacros(workingSet, editor));
    EXPECT_EQ(workingSet.Lock()->macros.Count(), 0);
    EXPECT_EQ(At(workingSet, 0, 3).type, ASSIGN_DEFAULT);
    EXPECT_EQ(At(workingSet, 3, 4).type, ASSIGN_DEFAULT);
    EXPECT_EQ(observer.resets, (std::vector<std::pair<int, int>>{{0, 3}, {3, 4}}));
}

TEST_F(CommitMacrosTest, MoreThanMaximumIsRefusedAndChangesNothing) {
    InstallMacros(workingSet, {Macro(1)});
    Assign(workingSet, 0, 3, ASSIGN_MACRO, 1);
    std::vector<MacroRecord> editor;
    for (int i = 0; i <= MACRO_LIST_MAX; ++i)
        editor.push_back(Macro(static_cast<uint16_t>(i + 2), 1));

    EXPECT_FALSE(CommitMacros(workingSet, editor));
    EXPECT_EQ(At(workingSet, 0, 3).type, ASSIGN_MACRO);
    EXPECT_EQ(workingSet.Lock()->macros.Count(), 1);
    EXPECT_EQ(editor[0].isNew, 1);
    EXPECT_TRUE(observer.resets.empty());
    EXPECT_EQ(observer.unapplied, 0);
}

TEST(MacroListOperations, PositionAndIdLookupsStayInBounds) {
    ProfileWorkingSet ws;
    EXPECT_EQ(MacroIdAt(ws, 0), 0);
    EXPECT_EQ(IndexOfMacroId(ws, 1), 0);

    InstallMacros(ws, {Macro(4), Macro(7), Macro(2)});
    EXPECT_EQ(MacroIdAt(ws, -1), 0);
    EXPECT_EQ(MacroIdAt(ws, 1), 7);
    EXPECT_EQ(MacroIdAt(ws, 3), 0);
    EXPECT_EQ(IndexOfMacroId(ws, 2), 2);
    EXPECT_EQ(IndexOfMacroId(ws, 99), 0);  // unknown ids resolve to the first macro

    ClearMacros(ws);
    EXPECT_EQ(MacroIdAt(ws, 0), 0);
}

TEST(MacroListOperations, CopyOutClearsIsNewAndLeavesTheListAlone) {
    ProfileWorkingSet ws;
    InstallMacros(ws, {Macro(3, 1)});
    const std::vector<MacroRecord> copies = CopyOutMacros(ws);
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(copies[0].isNew, 0);
    EXPECT_EQ(ws.Lock()->macros.Records()[0].isNew, 1);
}

TEST(WorkingSetData, FreshSetHasGKeyCodesOnlyInTheFirstArea) {
    const WorkingSetData fresh = FreshWorkingSetData();
    EXPECT_EQ(fresh.keyAreas[0], FreshKeyArea());
    for (int area = 1; area < KEY_AREA_COUNT; ++area) EXPECT_EQ(fresh.keyAreas[area], KeyArea{});
    EXPECT_EQ(fresh.macros.Count(), 0);
    EXPECT_EQ(fresh.texts.Total(), 0u);
}

TEST(WorkingSetData, TextTotalFollowsEveryChange) {
    ProfileWorkingSet ws;
    SetEntryText(ws, 0, 10, u"abcdefgh");  // 18 bytes with the terminator
    SetEntryText(ws, 1, 88, u"");
    {
        WorkingSetLock data = ws.Lock();
        EXPECT_EQ(data->texts.BytesAt(10), 18u);
        EXPECT_EQ(data->texts.BytesAt(600), 2u);
        EXPECT_EQ(data->texts.Total(), 20u);
    }
    SetEntryText(ws, 0, 10, u"xy");
    SetEntryText(ws, 1, 88, std::nullopt);
    SetEntryText(ws, 0, 600, u"stray");  // past the area: would alias entry 88 of area 1
    SetEntryText(ws, 4, 0, u"stray");
    WorkingSetLock data = ws.Lock();
    EXPECT_EQ(*data->texts.At(10), u"xy");
    EXPECT_EQ(data->texts.At(600), nullptr);
    EXPECT_EQ(data->texts.At(-1), nullptr);
    EXPECT_EQ(data->texts.At(WORKING_SET_ENTRIES), nullptr);
    EXPECT_EQ(data->texts.Total(), 6u);
}

TEST(WorkingSetData, SnapshotCopyIsDeepAndHasItsOwnLock) {
    ProfileWorkingSet ws;
    ProfileWorkingSet snapshot;
    InstallMacros(ws, {Macro(1)});
    SetEntryText(ws, 2, 3, u"path");
    Assign(ws, 2, 3, ASSIGN_PROGRAM, 0);
    {
        WorkingSetLock from = ws.Lock();
        WorkingSetLock to = snapshot.Lock();  // both held, working set first
        *to = *from;
    }
    const WorkingSetData copied = *snapshot.Lock();

    SetEntryText(ws, 2, 3, u"changed");
    Assign(ws, 2, 3, ASSIGN_DEFAULT, 0);
    ClearMacros(ws);

    WorkingSetLock data = snapshot.Lock();
    EXPECT_EQ(*data, copied);
    EXPECT_EQ(*data->texts.At(WorkingSetEntryIndex(2, 3)), u"path");
    EXPECT_EQ(data->macros.Count(), 1);
}

}  // namespace
}  // namespace quorvel
