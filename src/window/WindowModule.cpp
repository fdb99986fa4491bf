#include "window/ToviWindow.h"
#include "window/WindowHandle.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <QPointer>
#include <QQuickStyle>

#include <cstdio>

namespace {

void chooseRendering() {
    // The window is small and mostly static: the software renderer draws it faster than a GL
    // context comes up and costs a fraction of the memory. QT_QUICK_BACKEND still decides.
    // Both choices must be made before the first Qt Quick window and the first Controls
    // import, which is the first call; later ones would only be refused.
    static bool chosen = false;
    if (chosen)
        return;
    chosen = true;
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    if (qEnvironmentVariableIsEmpty("QT_QUICK_CONTROLS_STYLE"))
        QQuickStyle::setStyle(QStringLiteral("Fusion"));
}

// The window goes before the engine its bindings run in.
class WindowEngine : public QQmlEngine {
public:
    using QQmlEngine::QQmlEngine;
    ~WindowEngine() override { delete window; }
    QPointer<QQuickWindow> window;
};

} // namespace

extern "C" Q_DECL_EXPORT tovi::WindowHandle* tovi_create_window(QObject* owner, tovi::MenuViewModel* menu,
                                                                bool tracing, const QUrl& source,
                                                                tovi::WindowEvents* events) {
    static_assert(std::is_same_v<decltype(&tovi_create_window), tovi::CreateWindowFunction>);
    chooseRendering();
    auto* engine = new WindowEngine(owner);
    // Where `import Tovi.Window` (the view models' types) is found: this module's resources.
    engine->addImportPath(QStringLiteral("qrc:/qml"));
    QQmlComponent component(engine, source);
    // The view models are the application's, and live longer than the window.
    QObject* root = component.isReady() ? component.beginCreate(engine->rootContext()) : nullptr;
    auto* window = qobject_cast<tovi::window::ToviWindow*>(root);
    if (window) {
        engine->window = window;
        window->attach(menu, tracing, events);
        component.completeCreate();
    } else {
        for (const QQmlError& error : component.errors())
            std::fprintf(stderr, "tovi: %s\n", qPrintable(error.toString()));
        if (root)
            component.completeCreate();
        delete root;
        delete engine;
    }
    return window;
}
