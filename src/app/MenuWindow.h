#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QVariantMap>
#include <QWindow>

#include <functional>

class QQuickWindow;

namespace tovi {

// The drop-down window. The QML engine and the window are built on the first open only, and
// Qt Quick itself is loaded then (see WindowModule.h), so an application that sits idle in the
// tray never pays for it.
class MenuWindow : public QObject {
    Q_OBJECT
public:
    enum class Mode {
        dropDown, // frameless, next to the tray icon, gone when it loses focus
        normal,   // no tray to hang from: an ordinary top-level window
    };

    // `properties` are handed to the QML root as its initial (required) properties; they are
    // asked for on the first open only.
    MenuWindow(Mode mode, std::function<QVariantMap()> properties, QObject* parent = nullptr);
    ~MenuWindow() override;

    Mode mode() const { return m_mode; }
    bool isVisible() const;
    QQuickWindow* window() const;

    // Opens the window, or brings it forward when it is already open.
    void show(QRect iconGeometry = {});
    void hide();
    // The tray's click: opens, or closes when open. A click on the tray icon first takes the
    // focus from the window (which closes it); that same click must not reopen it.
    void toggle(QRect iconGeometry = {});

Q_SIGNALS:
    void shown();
    void hidden();
    // The window could not be built (a damaged installation); `message` is for the user.
    void failed(const QString& message);

private Q_SLOTS:
    void onFrameSwapped();

private:
    bool ensureCreated();
    void place();
    void onActiveChanged();

    Mode m_mode;
    std::function<QVariantMap()> m_properties;
    QPointer<QWindow> m_window;
    QRect m_iconGeometry;
    QElapsedTimer m_sinceFocusLossClose;
    QElapsedTimer m_sinceShown;
    bool m_traceFirstFrame = false;
    bool m_awaitingFirstFrame = false;
};

} // namespace tovi
