#include "app/Trace.h"

#include "app/AccountMenu.h"
#include "app/MenuWindow.h"
#include "ui/ColorScheme.h"
#include "ui/MenuViewModel.h"

#include "window/WindowHandle.h"

#include <QEvent>
#include <QMenu>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <ctime>

namespace tovi::trace {

namespace {

// Reads the window through what it offers the application (WindowHandle).
class WindowTrace : public QObject {
    Q_OBJECT
public:
    explicit WindowTrace(MenuWindow* owner)
        : QObject(owner)
        , m_owner(owner)
        , m_window(owner->window()) {
        QWindow* window = owner->window();
        for (auto changed :
             {&QWindow::xChanged, &QWindow::yChanged, &QWindow::widthChanged, &QWindow::heightChanged})
            connect(window, changed, this, &WindowTrace::geometrySoon);
        connect(owner, &MenuWindow::sizeUpdated, this, &WindowTrace::geometrySoon);
        // A new scheme recolours the same texts: the contrast check measures them again.
        if (owner->menu())
            connect(owner->menu()->colors(), &ColorScheme::changed, this, &WindowTrace::geometrySoon);
        // Answered by the first frame after it (see onFrameSwapped).
        connect(owner, &MenuWindow::shown, this, [this] { m_awaitingFirstFrame = true; });
        connect(owner, &MenuWindow::frameShown, this, &WindowTrace::onFrameSwapped);
        connect(owner, &MenuWindow::focusChanged, this,
                [](const QString& item) { line(QStringLiteral("focus ") + item); });
        connect(owner, &MenuWindow::toolTipCameUp, this,
                [](const QString& text) { line(QStringLiteral("tooltip ") + text); });
        if (AccountMenu* menu = owner->accountMenu())
            menu->menu()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // Placed by now (on Wayland, as far as the client knows it).
        if (event->type() == QEvent::Show)
            if (auto* menu = qobject_cast<QMenu*>(watched)) {
                const QRect g = menu->geometry();
                const QRect screen = menu->screen() ? menu->screen()->availableGeometry() : QRect();
                line(QStringLiteral("account-menu %1 %2 %3 %4 screen %5 %6 %7 %8")
                         .arg(g.x())
                         .arg(g.y())
                         .arg(g.width())
                         .arg(g.height())
                         .arg(screen.x())
                         .arg(screen.y())
                         .arg(screen.width())
                         .arg(screen.height()));
            }
        return false;
    }

private:
    void onFrameSwapped() {
        if (m_awaitingFirstFrame) {
            m_awaitingFirstFrame = false;
            milestone("frame");
        }
        if (!m_textsPending)
            return;
        m_textsPending = false;
        if (WindowHandle* handle = m_owner ? m_owner->handle() : nullptr)
            for (const QString& text : handle->textsOnScreen())
                line(QStringLiteral("text ") + text);
    }

    void geometrySoon() {
        if (m_geometryPending)
            return;
        // One line once a burst of changes (position, size, content) has settled.
        m_geometryPending = true;
        QTimer::singleShot(0, this, [this] {
            m_geometryPending = false;
            if (!m_window || !m_window->isVisible())
                return;
            const QRect g = m_window->geometry();
            line(QStringLiteral("window-geometry %1 %2 %3 %4 content %5 cap %6")
                     .arg(g.x())
                     .arg(g.y())
                     .arg(g.width())
                     .arg(g.height())
                     .arg(m_owner->handle() ? m_owner->handle()->contentHeight() : 0)
                     .arg(m_owner->heightCap()));
            // What the contrast check measures, once the frame that shows it is drawn: before, a
            // list that just got its height has not made its rows yet.
            m_textsPending = true;
            if (WindowHandle* handle = m_owner->handle())
                handle->redraw();
        });
    }

    QPointer<MenuWindow> m_owner;
    QPointer<QWindow> m_window;
    bool m_geometryPending = false;
    bool m_textsPending = false;
    bool m_awaitingFirstFrame = false;
};

} // namespace

bool enabled() {
    static const bool asked = qEnvironmentVariableIntValue("TOVI_TRACE_FIRST_FRAME") == 1;
    return asked;
}

void milestone(const char* what) {
    if (!enabled())
        return;
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    std::fprintf(stderr, "tovi-trace: %s %.3f\n", what, double(ts.tv_sec) * 1000.0 + double(ts.tv_nsec) / 1.0e6);
    std::fflush(stderr);
}

void line(const QString& text) {
    if (!enabled())
        return;
    std::fprintf(stderr, "tovi-trace: %s\n", qPrintable(text));
    std::fflush(stderr);
}

void watch(MenuWindow* window) {
    if (enabled() && window && window->window())
        new WindowTrace(window);
}

} // namespace tovi::trace

#include "Trace.moc"
