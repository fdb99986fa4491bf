#include "ui/IconBitmap.h"

#include "ui/IconBitmapEngine.h"
#include "ui/StatusColors.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QSvgRenderer>

#include <algorithm>
#include <cmath>

namespace tovi {

namespace {

constexpr qreal kMargin = 1.0;
constexpr qreal kMarkSize = 20.0;
constexpr qreal kDotSize = 7.0;
constexpr qreal kBadgeDiscSize = 10.0;
constexpr qreal kOutline = 0.5;
constexpr qreal kBadgeSidePadding = 2.5;
constexpr qreal kBadgeTightSidePadding = 1.0;
constexpr qreal kBadgeTopPadding = 0.5;

QSvgRenderer& markRenderer(const QString& markName) {
    // Parsed once per mark; the icon is redrawn on every status change.
    static QSvgRenderer light(QStringLiteral(":/assets/ToviMark.svg"));
    static QSvgRenderer dark(QStringLiteral(":/assets/ToviMarkDark.svg"));
    return markName == u"ToviMarkDark" ? dark : light;
}

QFont badgeFont() {
    QFont font;
    font.setPixelSize(8);
    font.setBold(true);
    return font;
}

QImage blankImage(int side) {
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return QImage(1, 1, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

} // namespace

QList<int> IconBitmap::trayPixelSizes() {
    return {16, 22, 24, 32, 48, 64};
}

QString IconBitmap::badgeText(std::int64_t unread) {
    return unread < 100 ? QString::number(unread) : QStringLiteral("99+");
}

void IconBitmap::paint(QPainter& painter, int side) const {
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                           QPainter::SmoothPixmapTransform);

    const QRectF area(kMargin, kMargin, kMarkSize, kMarkSize);
    QSvgRenderer& mark = markRenderer(markName);
    if (mark.isValid())
        mark.render(&painter, area);

    const QPen outline(Qt::white, kOutline);
    if (unread >= 1 && side < smallestCountSide) {
        const QRectF disc(area.right() - kBadgeDiscSize, area.top(), kBadgeDiscSize, kBadgeDiscSize);
        painter.setPen(outline);
        painter.setBrush(standardRed());
        painter.drawEllipse(disc.adjusted(kOutline / 2, kOutline / 2, -kOutline / 2, -kOutline / 2));
    } else if (unread >= 1) {
        const QString text = badgeText(unread);
        const QFont font = badgeFont();
        const QFontMetricsF metrics(font);
        const qreal advance = metrics.horizontalAdvance(text);
        const qreal height = metrics.height() + 2 * kBadgeTopPadding;
        // "99+" is wider than the mark at the usual padding: the padding gives way first,
        // then the text narrows, so the whole capsule stays on the mark at every size.
        const qreal widest = kMarkSize - kOutline;
        qreal padding = kBadgeSidePadding;
        if (advance + 2 * padding > widest)
            padding = std::max(kBadgeTightSidePadding, (widest - advance) / 2);
        const qreal squeeze = advance > 0 ? std::min(1.0, (widest - 2 * padding) / advance) : 1.0;
        const qreal width = std::max(height, advance * squeeze + 2 * padding);
        const QRectF capsule(area.right() - kOutline / 2 - width, area.top() + kOutline / 2, width, height);

        QPainterPath path;
        path.addRoundedRect(capsule, height / 2, height / 2);
        painter.setPen(outline);
        painter.setBrush(standardRed());
        painter.drawPath(path);

        // The glyphs as outlines: their size and place do not depend on the pixel size
        // they are drawn at, so what was measured is what is drawn.
        QPainterPath glyphs;
        glyphs.addText(0, 0, font, text);
        const QRectF ink = glyphs.boundingRect();
        QTransform place;
        place.translate(capsule.center().x(), capsule.center().y());
        place.scale(squeeze, 1);
        place.translate(-ink.center().x(), -ink.center().y());
        painter.fillPath(place.map(glyphs), Qt::white);
    } else if (dot) {
        const QRectF circle(area.right() - kDotSize, area.top(), kDotSize, kDotSize);
        painter.setPen(outline);
        painter.setBrush(*dot);
        painter.drawEllipse(circle.adjusted(kOutline / 2, kOutline / 2, -kOutline / 2, -kOutline / 2));
    }
}

QImage IconBitmap::render(qreal scale) const {
    if (!(scale > 0))
        scale = 1;
    QImage image = renderPixels(int(std::ceil(logicalSize * scale)));
    image.setDevicePixelRatio(scale);
    return image;
}

QImage IconBitmap::renderPixels(int side) const {
    QImage image = blankImage(std::max(side, 1));
    // An explicit scale rather than a device pixel ratio on the image: the painter does not
    // honour ratios below 1, which the 16-pixel icon needs.
    QPainter painter(&image);
    painter.scale(qreal(image.width()) / logicalSize, qreal(image.height()) / logicalSize);
    paint(painter, image.width());
    painter.end();
    return image;
}

QIcon IconBitmap::renderIcon() const {
    return QIcon(new IconBitmapEngine(*this));
}

} // namespace tovi
