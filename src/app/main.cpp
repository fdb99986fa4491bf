#include "BuildConfig.h"
#include "app/TerminationSignals.h"
#include "app/ToviApplication.h"

#include <QApplication>

int main(int argc, char** argv) {
    // The window's renderer and style are chosen when the window is first built (the window
    // module): nothing of Qt Quick is loaded before that.
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
