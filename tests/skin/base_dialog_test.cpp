#include "skin/base_dialog.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "tests/skin/skin_test_support.h"

namespace quorvel {
namespace {

class BaseDialogSkin : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        folder_ = dir_.path() + "/";
        ASSERT_TRUE(testing::Solid(Qt::darkGray, QSize(40, 30)).save(folder_ + "back.png"));
        QImage mask(40, 30, QImage::Format_RGB32);
        mask.fill(Qt::white);
        for (int y = 5; y < 25; ++y) {
            for (int x = 10; x < 30; ++x) mask.setPixel(x, y, qRgb(0, 0, 0));
        }
        ASSERT_TRUE(mask.save(folder_ + "mask.png"));
    }
    QString Ini(const QByteArray& text) {
        const QString path = folder_ + "Dialog.ini";
        EXPECT_TRUE(testing::WriteText(path, text));
        return path;
    }

    QTemporaryDir dir_;
    QString folder_;
};

TEST_F(BaseDialogSkin, TakesTheSizeOfTheBackgroundAndTheShapeOfTheMask) {
    CBaseDialog dialog(nullptr, Ini("[SCREEN]\nMain=back.png\nMask=mask.png\n"), folder_);
    ASSERT_TRUE(dialog.LoadSkin()) << dialog.SkinError().toStdString();
    EXPECT_EQ(dialog.size(), QSize(40, 30));
    EXPECT_EQ(dialog.mask(), QRegion(10, 5, 20, 20));
    EXPECT_EQ(testing::Shown(dialog, QPoint(15, 10)), QColor(Qt::darkGray).rgb() & 0xFFFFFF);
}

TEST_F(BaseDialogSkin, TheMaskDefaultsToTheBackground) {
    CBaseDialog dialog(nullptr, Ini("[SCREEN]\nMain=back.png\n"), folder_);
    ASSERT_TRUE(dialog.LoadSkin());
    EXPECT_EQ(dialog.mask(), QRegion(0, 0, 40, 30));
}

TEST_F(BaseDialogSkin, AMissingOrBrokenPictureIsAnErrorForTheCaller) {
    CBaseDialog missing(nullptr, Ini("[SCREEN]\nMain=absent.jpg\n"), folder_);
    EXPECT_FALSE(missing.LoadSkin());
    EXPECT_TRUE(missing.SkinError().contains("absent.jpg"));

    ASSERT_TRUE(testing::WriteText(folder_ + "broken.png", "PNG? no"));
    CBaseDialog broken(nullptr, Ini("[SCREEN]\nMain=back.png\nMask=broken.png\n"), folder_);
    EXPECT_FALSE(broken.LoadSkin());
    EXPECT_TRUE(broken.SkinError().contains("broken.png"));

    CBaseDialog empty(nullptr, Ini("[BUTTONINFO]\n"), folder_);
    EXPECT_FALSE(empty.LoadSkin());
}

}  // namespace
}  // namespace quorvel
