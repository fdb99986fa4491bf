#include "BuildConfig.h"
#include "app/CommandLine.h"
#include "app/TerminationSignals.h"
#include "app/ToviApplication.h"
#include "platform/ApplicationActivation.h"

#include <QApplication>
#include <qcoro/qcorotask.h>

#include <cstdio>

namespace {

void print(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

// --quit needs the session bus only: no display, no tray, no lock.
int quitRunningCopy(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    tovi::ApplicationActivation activation;
    switch (QCoro::waitFor(activation.quitRunningCopy())) {
    case tovi::ApplicationActivation::QuitOutcome::quit:
        return 0;
    case tovi::ApplicationActivation::QuitOutcome::notRunning:
        // Nothing to do is not a failure: scripts may quit unconditionally.
        print(stderr, QStringLiteral("tovi-tray: Tovi is not running.\n"));
        return 0;
    case tovi::ApplicationActivation::QuitOutcome::noBus:
        print(stderr, QStringLiteral("tovi-tray: no session bus, so no running copy can be reached.\n"));
        return 1;
    case tovi::ApplicationActivation::QuitOutcome::noAnswer:
        print(stderr, QStringLiteral("tovi-tray: the running copy of Tovi did not quit.\n"));
        return 1;
    }
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    using Action = tovi::CommandLine::Action;
    const tovi::CommandLine command = tovi::CommandLine::parse(tovi::CommandLine::arguments(argc, argv));
    switch (command.action()) {
    case Action::help:
        print(stdout, tovi::CommandLine::helpText());
        return 0;
    case Action::version:
        print(stdout, tovi::CommandLine::versionText());
        return 0;
    case Action::usageError:
        print(stderr, QStringLiteral("tovi-tray: %1\n%2\nTry 'tovi-tray --help' for more information.\n")
                          .arg(command.errorText(), tovi::CommandLine::usageLine()));
        return 2;
    case Action::quit:
        return quitRunningCopy(argc, argv);
    case Action::run:
    case Action::show:
        break;
    }

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
    const bool openWindow = command.action() == Action::show;
    QMetaObject::invokeMethod(
        &tovi,
        [&tovi, openWindow] {
            // A copy that hands over has asked the running one to open its window already;
            // showWindow does nothing there.
            tovi.applicationDidFinishLaunching();
            if (openWindow)
                tovi.showWindow();
        },
        Qt::QueuedConnection);
    return app.exec();
}
