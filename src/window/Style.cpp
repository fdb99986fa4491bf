#include "window/Style.h"

#include <QApplication>
#include <QFontMetrics>
#include <QStyle>
#include <QStyleFactory>
#include <QWidget>

namespace tovi::window {

Style::Style(const ColorScheme* colors, QString symbolFamily)
    : m_colors(colors)
    , m_symbolFamily(std::move(symbolFamily))
    , m_base(QApplication::font().pointSizeF() > 0 ? QApplication::font().pointSizeF() : 10) {
    // One for the process: the styles are kept until the application ends.
    static QStyle* const fusion = [] {
        QStyle* style = QStyleFactory::create(QStringLiteral("Fusion"));
        if (style)
            style->setParent(qApp);
        return style;
    }();
    m_controls = fusion;
    m_rowFonts.nodeTitle = font(captionSize());
    m_rowFonts.spaceTitle = font(calloutSize());
    m_rowFonts.detail = font(captionSize());
    m_rowFonts.glyph = symbolFont(bodySize() * 1.15);
    m_rowFonts.nodeTitleHeight = QFontMetrics(m_rowFonts.nodeTitle).height();
    m_rowFonts.spaceTitleHeight = QFontMetrics(m_rowFonts.spaceTitle).height();
    m_rowFonts.detailHeight = QFontMetrics(m_rowFonts.detail).height();
}

QFont Style::font(qreal pointSize, QFont::Weight weight) const {
    QFont font = QApplication::font();
    font.setPointSizeF(pointSize);
    font.setWeight(weight);
    return font;
}

QFont Style::symbolFont(qreal pointSize) const {
    QFont font(m_symbolFamily);
    font.setPointSizeF(pointSize);
    return font;
}

void Style::applyTo(QWidget* root) const {
    if (!m_controls)
        return;
    root->setStyle(m_controls);
    for (QWidget* child : root->findChildren<QWidget*>())
        child->setStyle(m_controls);
}

} // namespace tovi::window
