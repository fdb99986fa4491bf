#include "ui/IconBitmapEngine.h"

#include <QGuiApplication>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace tovi {

namespace {

qreal applicationPixelRatio() {
    return qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
}

} // namespace

IconBitmapEngine::IconBitmapEngine(IconBitmap bitmap)
    : m_bitmap(std::move(bitmap)) {
    // Drawn now rather than inside a tray host's request for the icon.
    for (const QSize& size : availableSizes(QIcon::Normal, QIcon::Off))
        square(size.width());
}

QPixmap IconBitmapEngine::square(int side) {
    side = std::max(side, 1);
    auto found = m_drawn.constFind(side);
    if (found != m_drawn.constEnd())
        return *found;
    const QPixmap pixmap = QPixmap::fromImage(m_bitmap.renderPixels(side));
    m_drawn.insert(side, pixmap);
    return pixmap;
}

void IconBitmapEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) {
    const int logicalSide = std::min(rect.width(), rect.height());
    if (logicalSide <= 0)
        return;
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
    QPixmap pixmap = square(int(std::lround(logicalSide * ratio)));
    pixmap.setDevicePixelRatio(ratio);
    const QRect target(rect.x() + (rect.width() - logicalSide) / 2,
                       rect.y() + (rect.height() - logicalSide) / 2, logicalSide, logicalSide);
    painter->drawPixmap(target, pixmap);
}

QSize IconBitmapEngine::actualSize(const QSize& size, QIcon::Mode, QIcon::State) {
    const int side = std::min(size.width(), size.height());
    return {side, side};
}

QPixmap IconBitmapEngine::pixmap(const QSize& size, QIcon::Mode, QIcon::State) {
    return square(std::min(size.width(), size.height()));
}

QPixmap IconBitmapEngine::scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) {
    // `size` is already in device pixels.
    QPixmap result = pixmap(size, mode, state);
    result.setDevicePixelRatio(scale > 0 ? scale : 1.0);
    return result;
}

QList<QSize> IconBitmapEngine::availableSizes(QIcon::Mode, QIcon::State) {
    const qreal ratio = applicationPixelRatio();
    QList<int> sides = IconBitmap::trayPixelSizes();
    if (ratio > 1.0) {
        for (int side : IconBitmap::trayPixelSizes())
            sides.append(int(std::lround(side * ratio)));
    }
    std::sort(sides.begin(), sides.end());
    sides.erase(std::unique(sides.begin(), sides.end()), sides.end());
    QList<QSize> sizes;
    for (int side : sides)
        sizes.append(QSize(side, side));
    return sizes;
}

QString IconBitmapEngine::key() const {
    return QStringLiteral("tovi-icon-bitmap");
}

QIconEngine* IconBitmapEngine::clone() const {
    return new IconBitmapEngine(*this);
}

} // namespace tovi
