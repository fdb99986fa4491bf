#include "ui/MenuBarIcon.h"
#include "UiTestData.h"
#include "support/FakeDependencies.h"
#include "ui/IconBitmap.h"
#include "ui/StatusColors.h"
#include "ui/TrayIconRenderer.h"

#include <QFile>
#include <QSignalSpy>
#include <gtest/gtest.h>
#include <qcoro/qcorotask.h>

using namespace tovi;
using namespace tovi::testing;

namespace {

Space offlineSpace() {
    Space space = readySpace(s("o"), s("Down"));
    space.online = false;
    return space;
}

Space attentionSpace() {
    Space space = readySpace(s("a"), s("Stuck"));
    space.indicator = s("attention");
    return space;
}

InternalStatus withUnread(InternalStatus status, std::int64_t unread) {
    status.notifications = Notifications{};
    status.notifications->unread = unread;
    return status;
}

bool near(QColor a, QColor b, int tolerance = 12) {
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

QColor pixel(const QImage& image, qreal x, qreal y) {
    const qreal scale = image.devicePixelRatio();
    return image.pixelColor(int(x * scale), int(y * scale));
}

// Share of standard-red pixels in the top-right 10 × 10 points, where badge and dot sit.
double redShare(const QImage& image) {
    int red = 0, all = 0;
    for (qreal y = 1; y < 11; y += 0.5) {
        for (qreal x = 11; x < 21; x += 0.5) {
            ++all;
            red += near(pixel(image, x, y), standardRed()) ? 1 : 0;
        }
    }
    return double(red) / all;
}

qreal leftmostRed(const QImage& image) {
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 0; y < image.height() / 2; ++y) {
            if (near(image.pixelColor(x, y), standardRed()))
                return x / image.devicePixelRatio();
        }
    }
    return image.width();
}

// Red anywhere on the image's outermost rows and columns: a badge cut off by the edge.
bool redOnTheEdge(const QImage& image) {
    const int last = image.width() - 1;
    for (int i = 0; i <= last; ++i) {
        for (QPoint p : {QPoint(0, i), QPoint(last, i), QPoint(i, 0), QPoint(i, last)}) {
            if (near(image.pixelColor(p), standardRed()))
                return true;
        }
    }
    return false;
}

double redShareOfAll(const QImage& image) {
    int red = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            red += near(image.pixelColor(x, y), standardRed()) ? 1 : 0;
    }
    return double(red) / (image.width() * image.height());
}

// How many partly covered pixels the mark's left edge spans on the middle row: one when it
// was drawn at this size, several when a smaller bitmap was scaled up.
int leftEdgeWidth(const QImage& image) {
    const int y = image.height() / 2;
    int x = 0;
    while (x < image.width() && image.pixelColor(x, y).alpha() == 0)
        ++x;
    int partial = 0;
    while (x < image.width() && image.pixelColor(x, y).alpha() < 255) {
        ++partial;
        ++x;
    }
    return partial;
}

} // namespace

TEST(MenuBarIcon, StateRanksOfflineOverAttentionOverUnread) {
    using State = MenuBarIcon::State;
    EXPECT_EQ(MenuBarIcon::iconState(std::nullopt), State{});

    InternalStatus calm = statusWithNodes({node(s("n"), s("N"), QList<Space>{readySpace(s("r"), s("R"))})});
    EXPECT_EQ(MenuBarIcon::iconState(calm), State{});
    EXPECT_EQ(MenuBarIcon::iconState(withUnread(calm, 0)), State{});
    EXPECT_EQ(MenuBarIcon::iconState(withUnread(calm, 4)), (State{4, std::nullopt}));

    InternalStatus attention =
        withUnread(statusWithNodes({node(s("n"), s("N"), QList<Space>{attentionSpace()})}), 4);
    EXPECT_EQ(MenuBarIcon::iconState(attention), (State{0, standardOrange()}));

    InternalStatus offline = withUnread(statusWithNodes({node(s("n"), s("N"), QList<Space>{attentionSpace()}),
                                                         node(s("m"), s("M"), QList<Space>{offlineSpace()})}),
                                        4);
    EXPECT_EQ(MenuBarIcon::iconState(offline), (State{0, standardRed()}));

    EXPECT_EQ(MenuBarIcon::bitmap(offline, true).markName, s("ToviMarkDark"));
    EXPECT_EQ(MenuBarIcon::bitmap(offline, false).markName, s("ToviMark"));
}

TEST(IconBitmap, BadgeTextCapsAtNinetyNine) {
    EXPECT_EQ(IconBitmap::badgeText(1), s("1"));
    EXPECT_EQ(IconBitmap::badgeText(99), s("99"));
    EXPECT_EQ(IconBitmap::badgeText(100), s("99+"));
    EXPECT_EQ(IconBitmap::badgeText(123456), s("99+"));
}

TEST(IconBitmap, RendersMarkBadgeAndDotAtEachScale) {
    ASSERT_TRUE(QFile::exists(s(":/assets/ToviMark.svg")));
    for (qreal scale : {1.0, 1.5, 2.0, 3.0}) {
        const QImage bare = IconBitmap{s("ToviMark"), 0, std::nullopt}.render(scale);
        ASSERT_EQ(bare.width(), qCeil(22 * scale));
        ASSERT_EQ(bare.height(), qCeil(22 * scale));
        EXPECT_DOUBLE_EQ(bare.devicePixelRatio(), scale);
        // The margin stays clear and the mark fills the middle.
        EXPECT_EQ(pixel(bare, 0.2, 0.2).alpha(), 0);
        EXPECT_GT(pixel(bare, 11, 11).alpha(), 0) << scale;

        // The badge is a red capsule in the top-right corner; the bare mark has no red.
        const QImage badge = IconBitmap{s("ToviMark"), 7, std::nullopt}.render(scale);
        EXPECT_GT(redShare(badge), 0.25) << scale;
        EXPECT_EQ(redShare(bare), 0.0) << scale;
        EXPECT_TRUE(near(pixel(badge, 11, 16), pixel(bare, 11, 16))); // the rest is the mark

        const QImage dot = IconBitmap{s("ToviMark"), 0, QColor(Qt::green)}.render(scale);
        EXPECT_TRUE(near(pixel(dot, 17.5, 4.5), QColor(Qt::green))) << scale;
        // No dot where the bare icon has none.
        EXPECT_FALSE(near(pixel(bare, 17.5, 4.5), QColor(Qt::green)));
    }

    // A badge wins over a dot.
    const QImage both = IconBitmap{s("ToviMark"), 3, QColor(Qt::green)}.render(2);
    EXPECT_FALSE(near(pixel(both, 17.5, 4.5), QColor(Qt::green)));

    // "99+" needs a wider capsule than "7", still anchored at the right.
    EXPECT_LT(leftmostRed(IconBitmap{s("ToviMark"), 100, std::nullopt}.render(3)),
              leftmostRed(IconBitmap{s("ToviMark"), 7, std::nullopt}.render(3)));

    // The widest badge stays whole: its left end is not cut by the image's edge.
    for (qreal scale : {1.0, 1.5, 2.0, 3.0})
        EXPECT_FALSE(redOnTheEdge(IconBitmap{s("ToviMark"), 100, std::nullopt}.render(scale))) << scale;

    // The dark mark is a different drawing.
    const QImage light = IconBitmap{s("ToviMark"), 0, std::nullopt}.render(2);
    const QImage dark = IconBitmap{s("ToviMarkDark"), 0, std::nullopt}.render(2);
    EXPECT_NE(light, dark);
}

TEST(IconBitmap, IconHandsOutABitmapDrawnAtEachRequestedPixelSize) {
    const IconBitmap badge{s("ToviMark"), 100, std::nullopt};
    const IconBitmap dot{s("ToviMarkDark"), 0, standardOrange()};
    const QIcon icon = badge.renderIcon();
    const QList<QSize> offered = icon.availableSizes();
    for (int side : {16, 22, 24, 32, 48, 64}) {
        // What a StatusNotifierItem host is sent: every common size, none scaled.
        EXPECT_TRUE(offered.contains(QSize(side, side))) << side;
        for (qreal ratio : {1.0, 2.0, 3.0}) {
            const int pixels = int(side * ratio);
            const QPixmap pixmap = icon.pixmap(QSize(side, side), ratio);
            ASSERT_EQ(pixmap.size(), QSize(pixels, pixels)) << side << "@" << ratio;
            EXPECT_DOUBLE_EQ(pixmap.devicePixelRatio(), ratio);
            const QImage image = pixmap.toImage();
            EXPECT_LE(leftEdgeWidth(image), 1) << side << "@" << ratio;
            EXPECT_FALSE(redOnTheEdge(image)) << side << "@" << ratio;
            EXPECT_GT(redShareOfAll(image), 0.05) << pixels; // the badge is there
            const QImage dotImage = dot.renderIcon().pixmap(QSize(pixels, pixels)).toImage();
            EXPECT_EQ(dotImage.size(), QSize(pixels, pixels));
            EXPECT_TRUE(
                near(dotImage.pixelColor(int(pixels * 17.5 / 22), int(pixels * 4.5 / 22)), standardOrange()))
                << pixels;
        }
    }
}

TEST(TrayIconRenderer, DrawsAgainOnlyWhenTheIconWouldChange) {
    FakeDependencies deps;
    deps.useFakeSource().setResult(withUnread(statusWithNodes({}), 2));
    StatusStore store(deps.make());
    TrayIconRenderer renderer(&store);
    QSignalSpy changed(&renderer, &TrayIconRenderer::iconChanged);

    EXPECT_EQ(renderer.renderCount(), 1); // the bare mark before any status
    EXPECT_EQ(renderer.bitmap().unread, 0);

    QCoro::waitFor(store.refresh());
    EXPECT_EQ(renderer.renderCount(), 2);
    EXPECT_EQ(renderer.bitmap().unread, 2);

    QCoro::waitFor(store.refresh()); // same snapshot again
    EXPECT_EQ(renderer.renderCount(), 2);

    renderer.setDark(true);
    EXPECT_EQ(renderer.renderCount(), 3);
    EXPECT_EQ(renderer.bitmap().markName, s("ToviMarkDark"));
    renderer.setDark(true);
    EXPECT_EQ(renderer.renderCount(), 3);

    deps.source->setResult(
        withUnread(statusWithNodes({node(s("n"), s("N"), QList<Space>{offlineSpace()})}), 2));
    QCoro::waitFor(store.refresh());
    EXPECT_EQ(renderer.renderCount(), 4);
    EXPECT_EQ(renderer.bitmap().dot, std::optional<QColor>(standardRed()));
    EXPECT_EQ(renderer.bitmap().unread, 0);
    EXPECT_EQ(changed.count(), 3);
    EXPECT_FALSE(renderer.icon().isNull());
}
