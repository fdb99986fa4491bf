#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QString>

#include <cstdint>
#include <optional>

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

    // The badge text: the count below 100, else "99+".
    static QString badgeText(std::int64_t unread);

    // Draws the icon at a device pixel ratio; never a null image.
    QImage render(qreal scale) const;
    // One icon holding renders at several ratios and the pixel sizes panels ask for.
    QIcon renderIcon() const;
};

} // namespace tovi
