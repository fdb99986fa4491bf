#include "app/WindowPlacement.h"

#include <gtest/gtest.h>

using tovi::placeWindow;
using tovi::WindowPlacementInput;

namespace {

const QRect kScreen(0, 0, 1280, 800);
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

TEST(WindowPlacement, HangsUnderAnIconInATopPanelAndStaysInsideTheWorkArea) {
    // An icon in the middle of the top panel: centred under it, just below the panel.
    auto pos = placeWindow(input(QRect(600, 2, 24, 24)));
    ASSERT_TRUE(pos);
    EXPECT_EQ(pos->x(), QRect(600, 2, 24, 24).center().x() - 170);
    EXPECT_GE(pos->y(), 28);
    EXPECT_LE(pos->y(), 40);

    // The right-most icon would push the window off screen: it sits flush at the right edge.
    pos = placeWindow(input(QRect(1256, 2, 24, 24)));
    ASSERT_TRUE(pos);
    EXPECT_EQ(pos->x() + kWindow.width(), 1280);

    // And the left-most icon keeps the window's left edge on screen.
    pos = placeWindow(input(QRect(0, 2, 24, 24)));
    ASSERT_TRUE(pos);
    EXPECT_EQ(pos->x(), 0);
}

TEST(WindowPlacement, OpensAboveAnIconInABottomPanel) {
    WindowPlacementInput in = input(QRect(1200, 776, 24, 24));
    in.availableGeometry = QRect(0, 0, 1280, 772);
    const auto pos = placeWindow(in);
    ASSERT_TRUE(pos);
    EXPECT_LE(pos->y() + kWindow.height(), 776);
    EXPECT_GE(pos->y() + kWindow.height(), 772 - 12);
    EXPECT_EQ(pos->x() + kWindow.width(), 1280);
}

TEST(WindowPlacement, FallsBackToTheCursorThenToTheCompositor) {
    // A StatusNotifierItem tray gives no geometry: the cursor stands in for the icon.
    auto pos = placeWindow(input(QRect(), QPoint(700, 10)));
    ASSERT_TRUE(pos);
    EXPECT_EQ(pos->x(), 700 - 170);
    EXPECT_GE(pos->y(), 28);

    // An empty rectangle is no geometry either.
    pos = placeWindow(input(QRect(10, 10, 0, 0), QPoint(700, 10)));
    ASSERT_TRUE(pos);
    EXPECT_EQ(pos->x(), 700 - 170);

    // Neither geometry nor cursor: leave it to the window system.
    EXPECT_FALSE(placeWindow(input(QRect())));

    // Wayland: even with an icon rectangle the compositor decides.
    WindowPlacementInput wayland = input(QRect(600, 2, 24, 24), QPoint(600, 10));
    wayland.compositorPlaces = true;
    EXPECT_FALSE(placeWindow(wayland));
}

TEST(WindowPlacement, AWindowTallerThanTheWorkAreaKeepsItsTopOnScreen) {
    WindowPlacementInput in = input(QRect(600, 2, 24, 24));
    in.windowSize = QSize(340, 900);
    auto pos = placeWindow(in);
    ASSERT_TRUE(pos);
    EXPECT_EQ(pos->y(), kWorkArea.top());

    // Same for a bottom panel: the top edge wins over the anchor.
    in.iconGeometry = QRect(600, 776, 24, 24);
    pos = placeWindow(in);
    ASSERT_TRUE(pos);
    EXPECT_EQ(pos->y(), kWorkArea.top());

    // On a second screen to the right the window stays on that screen.
    in = input(QRect(2500, 2, 24, 24));
    in.availableGeometry = QRect(1280, 28, 1280, 772);
    pos = placeWindow(in);
    ASSERT_TRUE(pos);
    EXPECT_EQ(pos->x() + 340, 2560);
    EXPECT_GE(pos->x(), 1280);
}
