#include "app/WindowModule.h"

#include <QQmlApplicationEngine>
#include <QQuickStyle>
#include <QQuickWindow>

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

} // namespace

extern "C" Q_DECL_EXPORT QWindow* tovi_create_window(QObject* owner, const QVariantMap& properties,
                                                     const QUrl& source) {
    static_assert(std::is_same_v<decltype(&tovi_create_window), tovi::CreateWindowFunction>);
    chooseRendering();
    auto* engine = new QQmlApplicationEngine(owner);
    // Where `import Tovi.Window` (the view models' types) is found: this module's resources.
    engine->addImportPath(QStringLiteral("qrc:/qml"));
    engine->setInitialProperties(properties);
    engine->load(source);
    const auto roots = engine->rootObjects();
    auto* window = roots.isEmpty() ? nullptr : qobject_cast<QQuickWindow*>(roots.constFirst());
    if (!window)
        delete engine;
    return window;
}
