#include "skin/png_button.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QSignalSpy>

#include "tests/skin/skin_test_support.h"

namespace quorvel {
namespace {

using testing::Shown;
using testing::Solid;

const QColor NORMAL(10, 0, 0), HOVER(20, 0, 0), PRESSED(30, 0, 0), DISABLED(40, 0, 0),
    CHECKED(50, 0, 0), COLOUR_OFF(60, 0, 0), COLOUR_ON(70, 0, 0);

StateImages Looks() {
    return {Solid(NORMAL), Solid(HOVER), Solid(PRESSED), Solid(DISABLED), Solid(CHECKED)};
}

void Hover(CPngButton& button) {
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(&button, &enter);
}

void Mouse(CPngButton& button, QEvent::Type type) {
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(&button, &event);
}

struct LookCase {
    const char* name;
    bool enabled;
    bool hovering;
    bool pressed;
    bool checked;
    bool colourMode;
    int colourValue;
    QColor expected;
};

class PngButtonLook : public ::testing::TestWithParam<LookCase> {};

TEST_P(PngButtonLook, ShowsTheImageOfItsState) {
    const LookCase& c = GetParam();
    CPngButton button;
    button.resize(20, 20);
    button.SetImages(1, 1, Looks());
    if (c.colourMode)
        button.SetColourLook(Solid(COLOUR_OFF), Solid(COLOUR_ON), true, c.colourValue);
    button.SetChecked(c.checked);
    if (c.hovering) Hover(button);
    button.setDown(c.pressed);
    button.setEnabled(c.enabled);
    EXPECT_EQ(Shown(button), c.expected.rgb() & 0xFFFFFF) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    States, PngButtonLook,
    ::testing::Values(
        LookCase{"normal", true, false, false, false, false, 0, NORMAL},
        LookCase{"hover", true, true, false, false, false, 0, HOVER},
        LookCase{"pressed beats hover", true, true, true, false, false, 0, PRESSED},
        LookCase{"hover beats checked", true, true, false, true, false, 0, HOVER},
        LookCase{"checked", true, false, false, true, false, 0, CHECKED},
        LookCase{"colour off", true, false, false, true, true, 0, COLOUR_OFF},
        LookCase{"colour on beats pressed", true, false, true, false, true, 7, COLOUR_ON},
        LookCase{"disabled beats checked", false, false, false, true, false, 0, DISABLED},
        LookCase{"disabled beats colour", false, false, false, true, true, 1, DISABLED}),
    [](const auto& info) {
        std::string name = info.param.name;
        for (char& ch : name) {
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        }
        return name;
    });

TEST(PngButton, LeavingRestoresTheLookItHadBefore) {
    CPngButton button;
    button.resize(20, 20);
    button.SetImages(1, 1, Looks());
    button.SetChecked(true);
    Hover(button);
    ASSERT_EQ(Shown(button), HOVER.rgb() & 0xFFFFFF);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&button, &leave);
    EXPECT_EQ(Shown(button), CHECKED.rgb() & 0xFFFFFF);
}

TEST(PngButton, NewImagesForgetHoverAndPress) {
    CPngButton button;
    button.resize(20, 20);
    button.SetImages(1, 1, Looks());
    Hover(button);
    button.setDown(true);
    button.SetStateImages(Looks());
    EXPECT_EQ(button.CurrentLook(), CPngButton::Look::Normal);
}

TEST(PngButton, CutsItsPieceOnePixelUpAndLeftOfTheOrigin) {
    CPngButton button;
    button.resize(30, 40);
    button.SetImages(10, 20, StateImages{testing::CoordinatePicture(), {}, {}, {}, {}});
    EXPECT_EQ(Shown(button, QPoint(0, 0)), qRgb(9, 19, 0) & 0xFFFFFF);
    EXPECT_EQ(Shown(button, QPoint(29, 39)), qRgb(38, 58, 0) & 0xFFFFFF);
}

TEST(PngButton, FrameModeDrawsOnlyTheFrame) {
    CPngButton button;
    button.resize(30, 30);
    button.SetImages(1, 1, Looks());
    button.SetFrame(QColor(0, 200, 0), true);
    const QImage shown = button.grab().toImage();
    EXPECT_EQ(shown.pixel(1, 1) & 0xFFFFFF, qRgb(0, 200, 0) & 0xFFFFFF);
    EXPECT_NE(shown.pixel(15, 15) & 0xFFFFFF, NORMAL.rgb() & 0xFFFFFF);
}

TEST(PngButton, PaintCallbackLearnsWhetherTheNormalImageWasUsed) {
    CPngButton button;
    button.resize(20, 20);
    button.SetImages(1, 1, Looks());
    std::vector<bool> calls;
    button.SetPaintCallback([&](CPngButton&, bool normalLook) { calls.push_back(normalLook); });
    button.grab();
    button.SetChecked(true);
    button.grab();
    EXPECT_EQ(calls, (std::vector<bool>{true, false}));
}

TEST(PngButton, DoubleClickCountsAsTwoClicks) {
    CPngButton button;
    button.resize(20, 20);
    QSignalSpy clicks(&button, &QAbstractButton::clicked);
    // The order Qt delivers a double click in: the second press arrives as a double click.
    Mouse(button, QEvent::MouseButtonPress);
    Mouse(button, QEvent::MouseButtonRelease);
    Mouse(button, QEvent::MouseButtonDblClick);
    Mouse(button, QEvent::MouseButtonRelease);
    EXPECT_EQ(clicks.count(), 2);
}

TEST(PngButton, TooltipFollowsActivation) {
    CPngButton button;
    button.SetTooltip("Help", true);
    EXPECT_EQ(button.toolTip(), "Help");
    button.SetTooltip("Help", false);
    EXPECT_TRUE(button.toolTip().isEmpty());
}

}  // namespace
}  // namespace quorvel
