#pragma once

#include "ui/StatusColors.h"

#include <QColor>
#include <QObject>
#include <QPalette>

namespace tovi {

// The appearance the window is drawn in: light or dark, and the palette's text colours.
// The shell sets it from the desktop; every presentation object resolves its colours here.
class ColorScheme : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool dark READ dark WRITE setDark NOTIFY changed)
    Q_PROPERTY(QColor primary READ primary WRITE setPrimary NOTIFY changed)
    Q_PROPERTY(QColor secondary READ secondary WRITE setSecondary NOTIFY changed)
    Q_PROPERTY(QUrl markSource READ markSource NOTIFY changed)
    Q_PROPERTY(QColor green READ green NOTIFY changed)
    Q_PROPERTY(QColor red READ red NOTIFY changed)
    Q_PROPERTY(QColor amber READ amber NOTIFY changed)
    // The state colours for a text (see statusTextColor).
    Q_PROPERTY(QColor greenText READ greenText NOTIFY changed)
    Q_PROPERTY(QColor redText READ redText NOTIFY changed)
    Q_PROPERTY(QColor amberText READ amberText NOTIFY changed)
    Q_PROPERTY(QColor blue READ blue NOTIFY changed)
    Q_PROPERTY(QColor accent READ accent NOTIFY changed)
    Q_PROPERTY(QColor accentFill READ accentFill NOTIFY changed)

public:
    explicit ColorScheme(QObject* parent = nullptr);

    bool dark() const { return m_dark; }
    void setDark(bool dark);
    QColor primary() const { return m_primary; }
    void setPrimary(const QColor& color);
    QColor secondary() const { return m_secondary; }
    void setSecondary(const QColor& color);
    // The palette in force: the window sets it on itself, and its controls inherit it.
    QPalette palette() const { return m_palette; }
    void setPalette(const QPalette& palette);

    // "ToviMarkDark" in the dark appearance, "ToviMark" otherwise, and its resource.
    QString markName() const;
    QUrl markSource() const;

    QColor resolve(ColorRole role) const;
    QColor resolveText(ColorRole role) const;
    QColor greenText() const { return resolveText(ColorRole::green); }
    QColor redText() const { return resolveText(ColorRole::red); }
    QColor amberText() const { return resolveText(ColorRole::amber); }
    QColor green() const { return resolve(ColorRole::green); }
    QColor red() const { return resolve(ColorRole::red); }
    QColor amber() const { return resolve(ColorRole::amber); }
    QColor blue() const { return resolve(ColorRole::blue); }
    QColor accent() const { return resolve(ColorRole::accent); }
    QColor accentFill() const { return tovi::accentFill(m_dark); }

Q_SIGNALS:
    void changed();

private:
    bool m_dark = false;
    QColor m_primary;
    QColor m_secondary;
    QPalette m_palette;
};

} // namespace tovi
