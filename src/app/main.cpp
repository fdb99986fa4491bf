#include "BuildConfig.h"
#include "app/TerminationSignals.h"
#include "app/ToviApplication.h"

#include <QApplication>
#include <QQuickStyle>
#include <QQuickWindow>

int main(int argc, char** argv) {
    // The window is small and mostly static: the software renderer draws it faster than a GL
    // context comes up and costs a fraction of the memory. QT_QUICK_BACKEND still decides.
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    if (qEnvironmentVariableIsEmpty("QT_QUICK_CONTROLS_STYLE"))
        QQuickStyle::setStyle(QStringLiteral("Fusion"));

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tovi"));
    QApplication::setOrganizationName(QStringLiteral("Tovi"));
    QApplication::setApplicationVersion(QString::fromUtf8(tovi::build::version));
    QApplication::setDesktopFileName(QString::fromUtf8(tovi::build::appId));
    // The tray application lives on with its window closed.
    QApplication::setQuitOnLastWindowClosed(false);

    // Logging out sends SIGTERM: end like the Quit item, so state is flushed and released.
    tovi::TerminationSignals stops;
    QObject::connect(&stops, &tovi::TerminationSignals::received, &app, &QCoreApplication::quit);

    tovi::ToviApplication tovi;
    QMetaObject::invokeMethod(
        &tovi, [&tovi] { tovi.applicationDidFinishLaunching(); }, Qt::QueuedConnection);
    return app.exec();
}
