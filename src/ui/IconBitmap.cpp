#include "ui/IconBitmap.h"

#include "ui/StatusColors.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QSvgRenderer>

#include <cmath>

namespace tovi {

namespace {

constexpr qreal kMargin = 1.0;
constexpr qreal kMarkSize = 20.0;
constexpr qreal kDotSize = 7.0;
constexpr qreal kOutline = 0.5;

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

} // namespace

QString IconBitmap::badgeText(std::int64_t unread) {
    return unread < 100 ? QString::number(unread) : QStringLiteral("99+");
}

QImage IconBitmap::render(qreal scale) const {
    if (!(scale > 0))
        scale = 1;
    const int side = int(std::ceil(logicalSize * scale));
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return QImage(1, 1, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(scale);

    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                           QPainter::SmoothPixmapTransform);

    const QRectF area(kMargin, kMargin, kMarkSize, kMarkSize);
    QSvgRenderer& mark = markRenderer(markName);
    if (mark.isValid())
        mark.render(&painter, area);

    QPen outline(Qt::white, kOutline);
    if (unread >= 1) {
        const QString text = badgeText(unread);
        const QFont font = badgeFont();
        const QFontMetricsF metrics(font, &image);
        const qreal height = metrics.height() + 2 * 0.5;
        const qreal width = std::max(height, metrics.horizontalAdvance(text) + 2 * 2.5);
        const QRectF capsule(area.right() - width, area.top(), width, height);
        QPainterPath path;
        path.addRoundedRect(capsule, height / 2, height / 2);
        painter.setPen(outline);
        painter.setBrush(standardRed());
        painter.drawPath(path);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(capsule, Qt::AlignCenter, text);
    } else if (dot) {
        const QRectF circle(area.right() - kDotSize, area.top(), kDotSize, kDotSize);
        painter.setPen(outline);
        painter.setBrush(*dot);
        painter.drawEllipse(circle.adjusted(kOutline / 2, kOutline / 2, -kOutline / 2, -kOutline / 2));
    }
    painter.end();
    return image;
}

QIcon IconBitmap::renderIcon() const {
    QIcon icon;
    for (qreal scale : {1.0, 1.5, 2.0, 3.0})
        icon.addPixmap(QPixmap::fromImage(render(scale)));
    // Panels ask for their own pixel sizes; give each one a bitmap drawn at that size.
    for (int size : {16, 24, 32, 48, 64})
        icon.addPixmap(QPixmap::fromImage(render(size / qreal(logicalSize))));
    return icon;
}

} // namespace tovi
