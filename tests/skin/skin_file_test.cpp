#include "skin/skin_file.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "skin/png_button.h"
#include "tests/skin/skin_test_support.h"

namespace quorvel {
namespace {

struct RectCase {
    const char* text;
    SkinRect expected;
};

class SkinRectParse : public ::testing::TestWithParam<RectCase> {};

TEST_P(SkinRectParse, ScansLikeFourDecimalFields) {
    EXPECT_EQ(ParseSkinRect(GetParam().text), GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SkinRectParse,
    ::testing::Values(RectCase{"10,20,30,40", {10, 20, 30, 40}},
                      RectCase{" 5, 6, 7, 8", {5, 6, 7, 8}}, RectCase{"-3,+4,5,6", {-3, 4, 5, 6}},
                      RectCase{"1,1,1,1,x", {1, 1, 1, 1}}, RectCase{"5,6", {5, 6, 1, 1}},
                      RectCase{"10 ,20,30,40", {10, 1, 1, 1}}, RectCase{"abc", {1, 1, 1, 1}},
                      RectCase{"", {1, 1, 1, 1}}, RectCase{"99999999999,2,3,4", {1, 1, 1, 1}}));

class SkinPlacement : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        path_ = dir_.filePath("Test.ini");
        ASSERT_TRUE(testing::WriteText(path_,
                                       "[BUTTONINFO]\n"
                                       "BTN=10,20,30,40\n"
                                       "UNUSED=1,1,50,60\n"
                                       "ARROW=50,60,14,24\n"
                                       "[BUTTONINFO2]\n"
                                       "FRAME1=101,2,14,24\n"));
    }
    IniFile Skin() const { return IniFile(path_.toStdString()); }
    StateImages Pictures() const {
        const QPixmap picture = testing::CoordinatePicture();
        return {picture, picture, picture, picture, picture};
    }

    QTemporaryDir dir_;
    QString path_;
};

TEST_F(SkinPlacement, PlacesTheButtonAndCutsItsImagesAtItsPosition) {
    CPngButton button;
    PlaceSkinned(button, Skin(), SKIN_SECTION_BUTTONS, "BTN", Pictures());
    EXPECT_EQ(button.geometry(), QRect(10, 20, 30, 40));
    EXPECT_TRUE(button.isEnabled());
    EXPECT_EQ(testing::Shown(button), qRgb(9, 19, 0) & 0xFFFFFF);
}

TEST_F(SkinPlacement, APositionOfOneOneDisablesTheControl) {
    CPngButton button;
    PlaceSkinned(button, Skin(), SKIN_SECTION_BUTTONS, "UNUSED", Pictures());
    EXPECT_EQ(button.geometry(), QRect(1, 1, 50, 60));
    EXPECT_FALSE(button.isEnabled());
}

TEST_F(SkinPlacement, AMissingKeyGivesOneOneOneOneAndDisables) {
    CPngButton button;
    const SkinRect rect = PlaceSkinned(button, Skin(), SKIN_SECTION_BUTTONS, "ABSENT", Pictures());
    EXPECT_EQ(rect, (SkinRect{1, 1, 1, 1}));
    EXPECT_EQ(button.geometry(), QRect(1, 1, 1, 1));
    EXPECT_FALSE(button.isEnabled());
}

TEST_F(SkinPlacement, PlaceOnlyMovesWithoutTouchingTheLook) {
    QWidget label;
    PlaceOnly(label, Skin(), SKIN_SECTION_BUTTONS, "BTN");
    EXPECT_EQ(label.geometry(), QRect(10, 20, 30, 40));
    EXPECT_TRUE(label.isEnabled());
}

TEST_F(SkinPlacement, PlaceWithFrameCutsEveryStateAtTheFrameOrigin) {
    CPngButton button;
    PlaceWithFrame(button, Skin(), SKIN_SECTION_BUTTONS, "ARROW", SKIN_SECTION_FRAMES, "FRAME1",
                   testing::CoordinatePicture());
    EXPECT_EQ(button.geometry(), QRect(50, 60, 14, 24));
    EXPECT_EQ(testing::Shown(button), qRgb(100, 1, 0) & 0xFFFFFF);
    button.setDown(true);
    EXPECT_EQ(testing::Shown(button), qRgb(100, 1, 0) & 0xFFFFFF);
}

QImage MaskOf(QSize size, const std::vector<QRect>& inside) {
    QImage mask(size, QImage::Format_RGB32);
    mask.fill(Qt::white);
    for (const QRect& r : inside) {
        for (int y = r.top(); y <= r.bottom(); ++y) {
            for (int x = r.left(); x <= r.right(); ++x) mask.setPixel(x, y, qRgb(0, 0, 0));
        }
    }
    return mask;
}

TEST(SkinMask, WhiteIsOutsideAndEverythingElseInside) {
    const QImage mask = MaskOf(QSize(10, 6), {QRect(2, 1, 4, 2), QRect(7, 4, 2, 2)});
    EXPECT_EQ(MaskRegion(mask), QRegion(QRect(2, 1, 4, 2)) + QRegion(QRect(7, 4, 2, 2)));
}

TEST(SkinMask, OnlyPureWhiteIsOutside) {
    QImage mask = MaskOf(QSize(4, 1), {});
    mask.setPixel(1, 0, qRgb(0xFF, 0xFF, 0xFE));
    EXPECT_EQ(MaskRegion(mask), QRegion(QRect(1, 0, 1, 1)));
}

TEST(SkinMask, NoWhiteGivesTheWholeRectangleAndAllWhiteNothing) {
    EXPECT_EQ(MaskRegion(MaskOf(QSize(8, 5), {QRect(0, 0, 8, 5)})), QRegion(0, 0, 8, 5));
    EXPECT_TRUE(MaskRegion(MaskOf(QSize(8, 5), {})).isEmpty());
}

TEST(SkinMask, ManyRunsAcrossSeveralBatchesAreAllKept) {
    // A checkerboard has one run per dark pixel: far more than one batch.
    QImage mask = MaskOf(QSize(120, 120), {});
    qint64 expectedArea = 0;
    for (int y = 0; y < mask.height(); ++y) {
        for (int x = (y % 2); x < mask.width(); x += 2) {
            mask.setPixel(x, y, qRgb(0, 0, 0));
            ++expectedArea;
        }
    }
    const QRegion region = MaskRegion(mask);
    qint64 area = 0;
    for (const QRect& r : region) area += qint64(r.width()) * r.height();
    EXPECT_EQ(area, expectedArea);
    EXPECT_TRUE(region.contains(QPoint(0, 0)));
    EXPECT_FALSE(region.contains(QPoint(1, 0)));
}

TEST(SkinPicture, MissingAndUndecodablePicturesAreReportedWithTheirPath) {
    QTemporaryDir dir;
    const QString missing = dir.filePath("none.jpg");
    QString error;
    EXPECT_TRUE(LoadSkinPicture(missing, &error).isNull());
    EXPECT_TRUE(error.contains(missing)) << error.toStdString();

    const QString garbage = dir.filePath("garbage.jpg");
    ASSERT_TRUE(testing::WriteText(garbage, "not a picture at all"));
    error.clear();
    EXPECT_TRUE(LoadSkinPicture(garbage, &error).isNull());
    EXPECT_TRUE(error.contains("decode")) << error.toStdString();

    error.clear();
    EXPECT_TRUE(LoadStatePixmap(garbage, QSize(10, 10), &error).isNull());
    EXPECT_FALSE(error.isEmpty());
}

TEST(SkinPicture, StateCanvasReachesPastTheClientArea) {
    QTemporaryDir dir;
    const QString path = dir.filePath("state.png");
    ASSERT_TRUE(testing::Solid(Qt::red, QSize(30, 20)).save(path));
    QString error;
    const QPixmap canvas = LoadStatePixmap(path, QSize(30, 20), &error);
    ASSERT_FALSE(canvas.isNull()) << error.toStdString();
    EXPECT_EQ(canvas.size(), QSize(130, 120));
    EXPECT_EQ(canvas.toImage().pixel(29, 19) & 0xFFFFFF, 0xFF0000u);
}

}  // namespace
}  // namespace quorvel
