#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

class QPainter;

namespace tovi {

// What the tray icon shows: the mark, and at its top-right corner either a red badge with
// the unread count or a coloured dot, or nothing.
struct IconBitmap {
    QString markName; // "ToviMark" or "ToviMarkDark"
    std::int64_t unread = 0;
    std::optional<QColor> dot;

    friend bool operator==(const IconBitmap&, const IconBitmap&) = default;

    // The icon's size in device-independent pixels: a 20 × 20 mark inside a margin of 1.
    static constexpr int logicalSize = 22;

    // The pixel sizes tray hosts and panels ask for (StatusNotifierItem hosts take
    // nothing above 64).
    static QList<int> trayPixelSizes();

    // The badge text: the count below 100, else "99+".
    static QString badgeText(std::int64_t unread);
    // Below this many device pixels a count is a blur of a few pixels: the badge is a plain red
    // disc instead, larger than the problem dot so that the two still read apart.
    static constexpr int smallestCountSide = 22;

    // Draws the icon at a device pixel ratio; never a null image.
    QImage render(qreal scale) const;
    // Draws the icon on exactly `side` × `side` device pixels (ratio 1); never a null image.
    QImage renderPixels(int side) const;
    // An icon that hands out a bitmap drawn at whatever pixel size is asked of it.
    QIcon renderIcon() const;

private:
    // Draws in the icon's own 22 × 22 units on `side` device pixels; the painter's transform
    // does the scaling.
    void paint(QPainter& painter, int side) const;
};

} // namespace tovi
