#include "app/WindowPlacement.h"

#include <gtest/gtest.h>

using tovi::placeWindow;
using tovi::WindowPlacementInput;

namespace {

const QRect kWorkArea(0, 28, 1280, 772); // a 28-pixel panel at the top
const QSize kWindow(340, 500);

WindowPlacementInput input(QRect icon, std::optional<QPoint> cursor = std::nullopt) {
    WindowPlacementInput in;
    in.iconGeometry = icon;
    in.cursor = cursor;
    in.availableGeometry = kWorkArea;
    in.windowSize = kWindow;
    return in;
}

} // namespace

TEST(WindowPlacement, HangsUnderOrOverTheIconAndStaysInsideTheWorkArea) {
    // Centred under an icon in the middle of a top panel, just below the panel.
    auto pos = placeWindow(input(QRect(600, 2, 24, 24)));
    ASSERT_TRUE(pos);
    EXPECT_EQ(pos->x(), QRect(600, 2, 24, 24).center().x() - 170);
    EXPECT_GE(pos->y(), 28);
    EXPECT_LE(pos->y(), 40);
    // The right-most and left-most icons keep the window on screen.
    EXPECT_EQ(placeWindow(input(QRect(1256, 2, 24, 24)))->x() + kWindow.width(), 1280);
    EXPECT_EQ(placeWindow(input(QRect(0, 2, 24, 24)))->x(), 0);

    // Above an icon in a bottom panel.
    WindowPlacementInput bottom = input(QRect(1200, 776, 24, 24));
    bottom.availableGeometry = QRect(0, 0, 1280, 772);
    pos = placeWindow(bottom);
    ASSERT_TRUE(pos);
    EXPECT_LE(pos->y() + kWindow.height(), 776);
    EXPECT_GE(pos->y() + kWindow.height(), 772 - 12);

    // Taller than the work area: the top edge wins over the anchor.
    WindowPlacementInput tall = input(QRect(600, 776, 24, 24));
    tall.windowSize = QSize(340, 900);
    EXPECT_EQ(placeWindow(tall)->y(), kWorkArea.top());

    // On a second screen to the right the window stays on that screen.
    WindowPlacementInput second = input(QRect(2500, 2, 24, 24));
    second.availableGeometry = QRect(1280, 28, 1280, 772);
    EXPECT_EQ(placeWindow(second)->x() + 340, 2560);
}

TEST(WindowPlacement, FallsBackToTheCursorThenToTheCompositor) {
    // A StatusNotifierItem tray gives no geometry (or an empty one): the cursor stands in.
    EXPECT_EQ(placeWindow(input(QRect(), QPoint(700, 10)))->x(), 700 - 170);
    EXPECT_EQ(placeWindow(input(QRect(10, 10, 0, 0), QPoint(700, 10)))->x(), 700 - 170);
    // Neither geometry nor cursor, or Wayland: the window system decides.
    EXPECT_FALSE(placeWindow(input(QRect())));
    WindowPlacementInput wayland = input(QRect(600, 2, 24, 24), QPoint(600, 10));
    wayland.compositorPlaces = true;
    EXPECT_FALSE(placeWindow(wayland));
}
