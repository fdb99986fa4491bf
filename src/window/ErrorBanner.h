#pragma once

#include "window/Controls.h"

#include <QScrollArea>
#include <QWidget>

namespace tovi::window {

class Style;

// One problem report: a red triangle, the message verbatim, and optionally "Retry". A long
// message (a CLI's whole standard error) scrolls inside a bounded banner rather than pushing
// the footer's controls off the screen; in a window held to the screen's height the banner
// gives up room down to two lines.
class ErrorBanner : public QWidget {
    Q_OBJECT
public:
    ErrorBanner(const Style& style, const QString& glyph, QWidget* parent = nullptr);
    void setMessage(const QString& message);
    void setHasRetry(bool hasRetry);
    void refresh();
    Button* retryButton() const { return m_retry; }
    QScrollArea* scroller() const { return m_scroller; }

Q_SIGNALS:
    void retry();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const Style& m_style;
    SymbolLabel* m_symbol;
    QScrollArea* m_scroller;
    PlainLabel* m_message;
    Button* m_retry;
};

} // namespace tovi::window
