// The keyboard picture: which writes become known and which faults make bytes unknown, and
// the picture file shared by processes of the same plug-in.
#include "device/keyboard_picture.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "device/picture_store.h"

namespace quorvel {
namespace {

const std::vector<uint8_t> OLD = {1, 2, 3, 4};
const std::vector<uint8_t> NEW = {9, 8, 7, 6};
constexpr auto KEYS = PictureArea::KEY_BLOCKS;

TEST(KeyboardPicture, SessionWritesCountOnlyOnceTheirEndSucceededOnTheSamePlugIn) {
    struct Case {
        bool endOk;
        uint64_t departuresAtEnd;
        bool known;
    };
    for (const Case& c : {Case{true, 5, true}, Case{false, 5, false}, Case{true, 6, false}}) {
        KeyboardPicture picture;
        picture.Learn(KEYS, 378, OLD);
        picture.OpenSession(5);
        picture.NoteWrite({KEYS, 378, NEW}, true);
        // Mid-session the keyboard may hold either.
        EXPECT_FALSE(picture.Holds(KEYS, 378, OLD));
        EXPECT_FALSE(picture.Holds(KEYS, 378, NEW));
        const auto confirmed = picture.CloseSession(c.endOk, c.departuresAtEnd);
        EXPECT_EQ(picture.Holds(KEYS, 378, NEW), c.known);
        EXPECT_FALSE(picture.Holds(KEYS, 378, OLD));
        EXPECT_EQ(confirmed.size(), c.known ? 1u : 0u);
    }
}

TEST(KeyboardPicture, WritesOutsideASessionAndRangesPartlyKnown) {
    KeyboardPicture picture;
    picture.NoteWrite({PictureArea::SETTINGS, 0, NEW}, true);
    EXPECT_TRUE(picture.Holds(PictureArea::SETTINGS, 0, NEW));
    picture.NoteWrite({PictureArea::SETTINGS, 0, OLD}, false);
    EXPECT_FALSE(picture.Holds(PictureArea::SETTINGS, 0, OLD));
    EXPECT_FALSE(picture.Holds(PictureArea::SETTINGS, 0, NEW));

    picture.Learn(KEYS, 0, NEW);
    std::vector<uint8_t> out(6, 0xAA);
    EXPECT_FALSE(picture.CopyKnown(KEYS, 0, out));  // two bytes past what is known
    EXPECT_EQ(out, std::vector<uint8_t>(6, 0xAA));
    picture.Forget(KEYS, 1, 1);
    EXPECT_FALSE(picture.CopyKnown(KEYS, 0, std::span(out).first(4)));
    // A write the keyboard refused stays unknown though its session ended well.
    picture.OpenSession(0);
    picture.NoteWrite({KEYS, 0, OLD}, false);
    picture.CloseSession(true, 0);
    EXPECT_FALSE(picture.CopyKnown(KEYS, 0, std::span(out).first(4)));
    // A session that never ended is given up when the next opens.
    picture.Learn(KEYS, 0, NEW);
    picture.OpenSession(0);
    picture.NoteWrite({KEYS, 0, OLD}, true);
    picture.OpenSession(0);
    EXPECT_EQ(picture.CloseSession(true, 0).size(), 0u);
    EXPECT_FALSE(picture.CopyKnown(KEYS, 0, std::span(out).first(4)));
}

// Catches: every read of known bytes counting as a change, so each process saves the file again.
TEST(KeyboardPicture, OnlyNewKnowledgeCountsAsAChange) {
    KeyboardPicture picture;
    picture.Learn(KEYS, 0, OLD);
    uint64_t version = picture.Version();
    picture.Learn(KEYS, 0, OLD);
    picture.Forget(KEYS, 10, 4);
    EXPECT_EQ(picture.Version(), version);
    picture.Learn(KEYS, 0, NEW);
    EXPECT_NE(picture.Version(), version);
    version = picture.Version();
    picture.Forget(KEYS, 3, 4);
    EXPECT_NE(picture.Version(), version);
    version = picture.Version();
    picture.Forget(KEYS, 3, 1);  // unknown already
    EXPECT_EQ(picture.Version(), version);
    picture.Learn(KEYS, 0, NEW);  // the last byte was unknown
    EXPECT_NE(picture.Version(), version);
}

TEST(KeyboardPicture, FileFormBelongsToOnePlugIn) {
    KeyboardPicture written;
    written.SetPlugIdentity("virtual:/s#1.1");
    written.Learn(PictureArea::MACRO_AREA, 112, NEW);
    const std::vector<uint8_t> file = written.Encode();

    KeyboardPicture same;
    same.SetPlugIdentity("virtual:/s#1.1");
    ASSERT_TRUE(same.TakeEncoded(file));
    EXPECT_TRUE(same.Holds(PictureArea::MACRO_AREA, 112, NEW));

    KeyboardPicture replugged;
    replugged.SetPlugIdentity("virtual:/s#1.2");
    EXPECT_FALSE(replugged.TakeEncoded(file));
    EXPECT_FALSE(replugged.Holds(PictureArea::MACRO_AREA, 112, NEW));
    for (size_t cut : {size_t{0}, size_t{3}, file.size() / 2, file.size() - 1})
        EXPECT_FALSE(same.TakeEncoded(std::span(file).first(cut))) << cut;

    // What this process has sent but not had confirmed stays unknown whatever the file says.
    same.OpenSession(0);
    same.NoteWrite({PictureArea::MACRO_AREA, 112, OLD}, true);
    ASSERT_TRUE(same.TakeEncoded(file));
    EXPECT_FALSE(same.Holds(PictureArea::MACRO_AREA, 112, NEW));
}

// The file keeps exactly what is known, stretch by stretch, and a damaged file is refused or
// read as some picture, never read past its end or its areas.
TEST(KeyboardPicture, FileFormKeepsEveryKnownStretchAndSurvivesDamage) {
    KeyboardPicture written;
    written.SetPlugIdentity("virtual:/s#1.1");
    written.Learn(PictureArea::MACRO_AREA, 0, NEW);
    written.Learn(PictureArea::MACRO_AREA, 200, OLD);
    written.Learn(PictureArea::MACRO_AREA, 204, NEW);  // joins the stretch before it
    written.Learn(KEYS, 378, NEW);
    written.Forget(KEYS, 379, 1);  // splits it
    const std::vector<uint8_t> file = written.Encode();

    KeyboardPicture read;
    read.SetPlugIdentity("virtual:/s#1.1");
    ASSERT_TRUE(read.TakeEncoded(file));
    EXPECT_EQ(read.Encode(), file);
    using Bytes = std::vector<uint8_t>;
    EXPECT_TRUE(read.Holds(PictureArea::MACRO_AREA, 200, Bytes{1, 2, 3, 4, 9, 8, 7, 6}));
    EXPECT_TRUE(read.Holds(KEYS, 378, Bytes{9}));
    EXPECT_TRUE(read.Holds(KEYS, 380, Bytes{7, 6}));
    EXPECT_FALSE(read.Holds(KEYS, 378, NEW));
    EXPECT_FALSE(read.Holds(PictureArea::MACRO_AREA, 4, Bytes{0}));

    for (size_t i = 0; i < file.size(); ++i) {
        for (const uint8_t flip : {uint8_t{0x01}, uint8_t{0x80}, uint8_t{0xFF}}) {
            std::vector<uint8_t> damaged = file;
            damaged[i] ^= flip;
            KeyboardPicture taker;
            taker.SetPlugIdentity("virtual:/s#1.1");
            if (!taker.TakeEncoded(damaged)) continue;
            KeyboardPicture again;
            again.SetPlugIdentity("virtual:/s#1.1");
            EXPECT_TRUE(again.TakeEncoded(taker.Encode())) << "byte " << i;
        }
    }
}

// Two processes' pictures of one plug-in, sharing a private runtime folder, in which the
// first has learnt NEW at the start of the key blocks.
class PictureFiles : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::remove_all(folder_);
        setenv("XDG_RUNTIME_DIR", folder_.c_str(), 1);
        first.SetPlugIdentity("virtual:/k#7.1");
        second.SetPlugIdentity("virtual:/k#7.1");
        PictureStore::Hold hold = firstStore.Take();
        first.Learn(KEYS, 0, NEW);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    const std::string folder_ = ::testing::TempDir() + "/picture-store-test";
    KeyboardPicture first, second;
    PictureStore firstStore{first}, secondStore{second};
};

TEST_F(PictureFiles, ProcessesOfOnePlugInSeeEachOthersChanges) {
    {
        PictureStore::Hold hold = secondStore.Take();
        EXPECT_TRUE(second.Holds(KEYS, 0, NEW));
        second.Forget(KEYS, 0, 1);
    }
    {
        PictureStore::Hold hold = firstStore.Take();
        EXPECT_FALSE(first.Holds(KEYS, 0, NEW));
    }
    // A dry run changes no file.
    secondStore.SetSaving(false);
    {
        PictureStore::Hold hold = secondStore.Take();
        second.Learn(KEYS, 0, OLD);
    }
    {
        PictureStore::Hold hold = firstStore.Take();
        EXPECT_FALSE(first.Holds(KEYS, 0, OLD));
    }
}

TEST_F(PictureFiles, AWriterThatDiesBeforeConfirmingLeavesNothingTrusted) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The writer's process ends between removing the file and confirming its frames.
        PictureStore::Hold hold = secondStore.Take();
        hold.RemoveFile();
        second.OpenSession(0);
        second.NoteWrite({KEYS, 0, OLD}, true);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    {
        PictureStore::Hold hold = firstStore.Take();
        EXPECT_FALSE(first.Holds(KEYS, 0, NEW));
        EXPECT_FALSE(first.Holds(KEYS, 0, OLD));
        first.Learn(KEYS, 0, OLD);
    }
    // From here on what is learnt is saved again.
    {
        PictureStore::Hold hold = secondStore.Take();
        EXPECT_TRUE(second.Holds(KEYS, 0, OLD));
    }
}

}  // namespace
}  // namespace quorvel
