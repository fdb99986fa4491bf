#include "ui/ColorScheme.h"

#include "ui/MenuBarIcon.h"

#include <QUrl>

namespace tovi {

ColorScheme::ColorScheme(QObject* parent)
    : QObject(parent)
    , m_primary(Qt::black)
    , m_secondary(QColor::fromRgbF(0.0f, 0.0f, 0.0f, 0.5f)) {}

void ColorScheme::setDark(bool dark) {
    if (m_dark == dark)
        return;
    m_dark = dark;
    Q_EMIT changed();
}

void ColorScheme::setPrimary(const QColor& color) {
    if (m_primary == color)
        return;
    m_primary = color;
    Q_EMIT changed();
}

void ColorScheme::setSecondary(const QColor& color) {
    if (m_secondary == color)
        return;
    m_secondary = color;
    Q_EMIT changed();
}

void ColorScheme::setPalette(const QPalette& palette) {
    if (m_palette == palette && m_palette.resolveMask() == palette.resolveMask())
        return;
    m_palette = palette;
    Q_EMIT changed();
}

QString ColorScheme::markName() const {
    return MenuBarIcon::markName(m_dark);
}

QUrl ColorScheme::markSource() const {
    return QUrl(QStringLiteral("qrc:/assets/") + markName() + QStringLiteral(".svg"));
}

QColor ColorScheme::resolve(ColorRole role) const {
    return resolveColor(role, m_dark, m_primary, m_secondary);
}

QColor ColorScheme::resolveText(ColorRole role) const {
    return resolveTextColor(role, m_dark, m_primary, m_secondary);
}

} // namespace tovi
