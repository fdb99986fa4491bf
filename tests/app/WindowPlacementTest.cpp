#include "app/WindowPlacement.h"

#include <gtest/gtest.h>

using tovi::placeWindow;

namespace {

const QRect kTopPanel(0, 28, 1280, 772); // work area under a 28-pixel panel at the top

tovi::WindowPlacementInput input(QRect icon, std::optional<QPoint> cursor = std::nullopt,
                                 QRect workArea = kTopPanel, int height = 500) {
    tovi::WindowPlacementInput in;
    in.iconGeometry = icon;
    in.cursor = cursor;
    in.availableGeometry = workArea;
    in.windowSize = QSize(340, height);
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
    EXPECT_EQ(placeWindow(input(QRect(1256, 2, 24, 24)))->x() + 340, 1280);
    EXPECT_EQ(placeWindow(input(QRect(0, 2, 24, 24)))->x(), 0);
    // Above an icon in a bottom panel.
    pos = placeWindow(input(QRect(1200, 776, 24, 24), std::nullopt, QRect(0, 0, 1280, 772)));
    ASSERT_TRUE(pos);
    EXPECT_LE(pos->y() + 500, 776);
    EXPECT_GE(pos->y() + 500, 772 - 12);
    // Taller than the work area: the top edge wins over the anchor.
    EXPECT_EQ(placeWindow(input(QRect(600, 776, 24, 24), std::nullopt, kTopPanel, 900))->y(), 28);
    // On a second screen to the right the window stays on that screen.
    EXPECT_EQ(placeWindow(input(QRect(2500, 2, 24, 24), std::nullopt, QRect(1280, 28, 1280, 772)))->x() + 340,
              2560);

    // A StatusNotifierItem tray gives no geometry (or an empty one): the cursor stands in.
    EXPECT_EQ(placeWindow(input(QRect(), QPoint(700, 10)))->x(), 700 - 170);
    EXPECT_EQ(placeWindow(input(QRect(10, 10, 0, 0), QPoint(700, 10)))->x(), 700 - 170);
    // Neither geometry nor cursor, or Wayland: the window system decides.
    EXPECT_FALSE(placeWindow(input(QRect())));
    tovi::WindowPlacementInput wayland = input(QRect(600, 2, 24, 24), QPoint(600, 10));
    wayland.compositorPlaces = true;
    EXPECT_FALSE(placeWindow(wayland));
}
