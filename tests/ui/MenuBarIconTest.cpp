#include "ui/MenuBarIcon.h"
#include "UiTestData.h"
#include "support/FakeDependencies.h"
#include "ui/IconBitmap.h"
#include "ui/StatusColors.h"
#include "ui/TrayIconRenderer.h"

#include <QSignalSpy>
#include <gtest/gtest.h>
#include <qcoro/qcorotask.h>

using namespace tovi;
using namespace tovi::testing;

namespace {

bool near(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) <= 12 && std::abs(a.green() - b.green()) <= 12 &&
           std::abs(a.blue() - b.blue()) <= 12;
}

// Share of red pixels in the top-right quarter, where badge and dot sit.
double redShare(const QImage& image) {
    int red = 0, all = 0;
    for (int y = 0; y < image.height() / 2; ++y) {
        for (int x = image.width() / 2; x < image.width(); ++x, ++all)
            red += near(image.pixelColor(x, y), standardRed()) ? 1 : 0;
    }
    return double(red) / all;
}

} // namespace

// Which level wins belongs to the model's display rules; here, what each level draws.
TEST(MenuBarIcon, EachAlertLevelHasItsOwnMark) {
    using State = MenuBarIcon::State;
    EXPECT_EQ(MenuBarIcon::iconState(std::nullopt), State{});
    const auto with = [](Space space) {
        return statusWithNodes({node(s("n"), s("N"), QList<Space>{space})}, 4);
    };
    EXPECT_EQ(MenuBarIcon::iconState(with(readySpace(s("r"), s("R")))), (State{4, std::nullopt}));
    EXPECT_EQ(MenuBarIcon::iconState(with(Space{.indicator = s("attention")})), (State{0, standardOrange()}));
    const InternalStatus offline = with(Space{.online = false});
    EXPECT_EQ(MenuBarIcon::iconState(offline), (State{0, standardRed()}));
    EXPECT_EQ(MenuBarIcon::bitmap(offline, true).markName, s("ToviMarkDark"));
    EXPECT_EQ(IconBitmap::badgeText(99), s("99"));
    EXPECT_EQ(IconBitmap::badgeText(100), s("99+"));
}

TEST(IconBitmap, DrawsTheMarkWithABadgeOrADotAtEachScale) {
    for (qreal scale : {1.0, 2.0}) {
        const QImage bare = IconBitmap{s("ToviMark"), 0, std::nullopt}.render(scale);
        ASSERT_EQ(bare.width(), qCeil(22 * scale));
        EXPECT_EQ(bare.pixelColor(0, 0).alpha(), 0);
        EXPECT_GT(bare.pixelColor(bare.width() / 2, bare.height() / 2).alpha(), 0);
        EXPECT_EQ(redShare(bare), 0.0);
        EXPECT_GT(redShare(IconBitmap{s("ToviMark"), 7, std::nullopt}.render(scale)), 0.25) << scale;
        const QImage dot = IconBitmap{s("ToviMark"), 0, QColor(Qt::green)}.render(scale);
        EXPECT_TRUE(near(dot.pixelColor(int(17.5 * scale), int(4.5 * scale)), QColor(Qt::green))) << scale;
    }
    // A badge wins over a dot; the dark mark is another drawing.
    const QImage both = IconBitmap{s("ToviMark"), 3, QColor(Qt::green)}.render(2);
    EXPECT_FALSE(near(both.pixelColor(35, 9), QColor(Qt::green)));
    const QImage light = IconBitmap{s("ToviMark"), 0, std::nullopt}.render(2);
    EXPECT_NE(light, (IconBitmap{s("ToviMarkDark"), 0, std::nullopt}.render(2)));
    // The icon a tray host is sent carries a bitmap drawn at each common size.
    const QIcon icon = IconBitmap{s("ToviMark"), 100, std::nullopt}.renderIcon();
    for (int side : {16, 22, 48})
        EXPECT_TRUE(icon.availableSizes().contains(QSize(side, side))) << side;
}

TEST(TrayIconRenderer, DrawsAgainOnlyWhenTheIconWouldChange) {
    FakeDependencies deps;
    deps.useFakeSource().setResult(statusWithNodes({}, 2));
    StatusStore store(deps.make());
    TrayIconRenderer renderer(&store);
    QSignalSpy changed(&renderer, &TrayIconRenderer::iconChanged);
    EXPECT_EQ(renderer.renderCount(), 1); // the bare mark before any status
    QCoro::waitFor(store.refresh());
    QCoro::waitFor(store.refresh()); // same snapshot again
    EXPECT_EQ(renderer.renderCount(), 2);
    EXPECT_EQ(renderer.bitmap().unread, 2);
    renderer.setDark(true);
    renderer.setDark(true);
    EXPECT_EQ(renderer.renderCount(), 3);
    EXPECT_EQ(renderer.bitmap().markName, s("ToviMarkDark"));
    EXPECT_EQ(changed.count(), 2);
    EXPECT_FALSE(renderer.icon().isNull());
}
