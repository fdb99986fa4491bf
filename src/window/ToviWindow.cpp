#include "window/ToviWindow.h"

#include <QQuickItem>

#include <cmath>

namespace tovi::window {

ToviWindow::ToviWindow() = default;

void ToviWindow::attach(MenuViewModel* menu, bool tracing, WindowEvents* events) {
    m_menu = menu;
    m_tracing = tracing;
    m_events = events;
    connect(this, &ToviWindow::contentHeightChanged, this, [this] { m_events->contentHeightChanged(); });
    connect(this, &ToviWindow::accountMenuRequested, this, [this](qreal x, qreal y) {
        m_events->accountMenuRequested(QPoint(int(std::lround(x)), int(std::lround(y))));
    });
    connect(this, &ToviWindow::accountMenuDismissed, this, [this] { m_events->accountMenuDismissed(); });
    connect(this, &ToviWindow::toolTipShown, this, [this](const QString& text) { m_events->toolTipShown(text); });
    connect(this, &QQuickWindow::frameSwapped, this, [this] { m_events->frameSwapped(); });
    connect(this, &QQuickWindow::activeFocusItemChanged, this, [this] {
        const QQuickItem* item = activeFocusItem();
        if (!item)
            return;
        const QString name = item->objectName();
        m_events->focusMoved(name.isEmpty() ? QString::fromLatin1(item->metaObject()->className()) : name);
    });
}

void ToviWindow::setContentHeight(qreal height) {
    if (height == m_contentHeight)
        return;
    m_contentHeight = height;
    Q_EMIT contentHeightChanged();
}

int ToviWindow::contentHeight() const {
    // Whole pixels, rounded up: a fraction cut off would clip the content's last line.
    return int(std::ceil(m_contentHeight));
}

void ToviWindow::setDesignWidth(int width) {
    if (width == m_designWidth)
        return;
    m_designWidth = width;
    Q_EMIT designWidthChanged();
}

void ToviWindow::setDropDown(bool dropDown) {
    if (dropDown == m_dropDown)
        return;
    m_dropDown = dropDown;
    Q_EMIT dropDownChanged();
}

void ToviWindow::setOwnTitleBar(bool ownTitleBar) {
    if (ownTitleBar == m_ownTitleBar)
        return;
    m_ownTitleBar = ownTitleBar;
    Q_EMIT ownTitleBarChanged();
}

void ToviWindow::setRemapping(bool remapping) {
    if (remapping == m_remapping)
        return;
    m_remapping = remapping;
    Q_EMIT remappingChanged();
}

void ToviWindow::setAccountMenuOpen(bool open) {
    if (open == m_accountMenuOpen)
        return;
    m_accountMenuOpen = open;
    Q_EMIT accountMenuOpenChanged();
}

QStringList ToviWindow::textsOnScreen() {
    m_texts.clear();
    Q_EMIT textsWanted();
    return std::exchange(m_texts, {});
}

void ToviWindow::reportTexts(const QStringList& texts) {
    m_texts = texts;
}

} // namespace tovi::window
