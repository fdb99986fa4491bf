#pragma once

#include "ui/IconBitmap.h"

#include <QHash>
#include <QIconEngine>
#include <QPixmap>

namespace tovi {

// The tray icon as a QIcon that draws the bitmap anew at every pixel size asked of it, so
// that no panel, StatusNotifierItem host or HiDPI screen gets a bitmap scaled from another
// size. The sizes trays commonly ask for are drawn up front; others on first request.
class IconBitmapEngine : public QIconEngine {
public:
    explicit IconBitmapEngine(IconBitmap bitmap);

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override;
    // The common tray sizes and their multiples at the application's pixel ratio.
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    QString key() const override;
    QIconEngine* clone() const override;

private:
    // A square bitmap of `side` device pixels, ratio 1.
    QPixmap square(int side);

    IconBitmap m_bitmap;
    QHash<int, QPixmap> m_drawn;
};

} // namespace tovi
