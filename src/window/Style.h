#pragma once

#include "ui/ColorScheme.h"

#include <QColor>
#include <QFont>
#include <QString>

class QStyle;
class QWidget;

namespace tovi::window {

// Fonts, colours and metrics shared by every part of the window. The colours come from the
// menu's colour scheme (light or dark, with the desktop palette's text colours); the fonts are
// sized relative to the desktop's own font so that the window follows its scaling.
class Style {
public:
    Style(const ColorScheme* colors, QString symbolFamily);

    const ColorScheme* colors() const { return m_colors; }
    const QString& symbolFamily() const { return m_symbolFamily; }

    qreal basePointSize() const { return m_base; }
    qreal headlineSize() const { return m_base * 1.1; }
    qreal bodySize() const { return m_base; }
    qreal calloutSize() const { return std::max(8.0, m_base * 0.93); }
    qreal captionSize() const { return std::max(7.5, m_base * 0.85); }
    qreal caption2Size() const { return std::max(7.0, m_base * 0.8); }

    QColor primary() const { return m_colors->primary(); }
    QColor secondary() const { return m_colors->secondary(); }
    QColor hover() const { return withAlpha(primary(), 0.07); }
    QColor divider() const { return withAlpha(primary(), 0.12); }
    // A scroll bar's handle, as visible on a dark window as on a light one.
    QColor scrollHandle() const { return withAlpha(primary(), 0.5); }

    QFont font(qreal pointSize, QFont::Weight weight = QFont::Normal) const;
    QFont symbolFont(qreal pointSize) const;
    // The fonts of the spaces list's rows, made once: the list paints many rows.
    struct RowFonts {
        QFont nodeTitle, spaceTitle, detail, glyph;
        int nodeTitleHeight, spaceTitleHeight, detailHeight;
    };
    const RowFonts& rowFonts() const { return m_rowFonts; }

    // The one style the window's controls are drawn in, whatever the desktop's: the window looks
    // the same on every desktop, and only the palette follows it.
    QStyle* controls() const { return m_controls; }
    // `root` and everything inside it.
    void applyTo(QWidget* root) const;

    static constexpr int windowWidth = 340;
    static QColor withAlpha(QColor color, qreal alpha) {
        color.setAlphaF(float(color.alphaF() * alpha));
        return color;
    }

private:
    const ColorScheme* m_colors;
    QString m_symbolFamily;
    qreal m_base;
    QStyle* m_controls;
    RowFonts m_rowFonts;
};

} // namespace tovi::window
