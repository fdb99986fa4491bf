#include "BuildConfig.h"
#include "app/CommandLine.h"
#include "app/TerminationSignals.h"
#include "app/ToviApplication.h"
#include "platform/ApplicationActivation.h"
#include "platform/Translations.h"

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
    tovi::installTranslations(QLocale::system());
    tovi::ApplicationActivation activation;
    switch (QCoro::waitFor(activation.quitRunningCopy())) {
    case tovi::ApplicationActivation::QuitOutcome::quit:
        return 0;
    case tovi::ApplicationActivation::QuitOutcome::notRunning:
        // Nothing to do is not a failure: scripts may quit unconditionally.
        print(stderr, QCoreApplication::translate("main", "tovi-tray: Tovi is not running.\n"));
        return 0;
    case tovi::ApplicationActivation::QuitOutcome::noBus:
        print(stderr, QCoreApplication::translate(
                          "main", "tovi-tray: no session bus, so no running copy can be reached.\n"));
        return 1;
    case tovi::ApplicationActivation::QuitOutcome::noAnswer:
        print(stderr,
              QCoreApplication::translate("main", "tovi-tray: the running copy of Tovi did not quit.\n"));
        return 1;
    }
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    using Action = tovi::CommandLine::Action;
    const QStringList arguments = tovi::CommandLine::arguments(argc, argv);
    const tovi::CommandLine command = tovi::CommandLine::parse(arguments);
    switch (command.action()) {
    case Action::help: {
        // A core application only to load the user's language: no display is needed.
        QCoreApplication console(argc, argv);
        tovi::installTranslations(QLocale::system());
        print(stdout, tovi::CommandLine::helpText());
        return 0;
    }
    case Action::version:
        print(stdout, tovi::CommandLine::versionText());
        return 0;
    case Action::usageError: {
        QCoreApplication console(argc, argv);
        tovi::installTranslations(QLocale::system());
        // Parsed again, so that the refusal is in the user's language too.
        const tovi::CommandLine translated = tovi::CommandLine::parse(arguments);
        print(stderr, QCoreApplication::translate(
                          "main", "tovi-tray: %1\n%2\nTry 'tovi-tray --help' for more information.\n")
                          .arg(translated.errorText(), tovi::CommandLine::usageLine()));
        return 2;
    }
    case Action::quit:
        return quitRunningCopy(argc, argv);
    case Action::run:
    case Action::show:
        break;
    }

    // The window's style is chosen when the window is first built: an idle tray holds none of it.
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tovi"));
    QApplication::setOrganizationName(QStringLiteral("Tovi"));
    QApplication::setApplicationVersion(QString::fromUtf8(tovi::build::version));
    QApplication::setDesktopFileName(QString::fromUtf8(tovi::build::appId));
    // The tray application lives on with its window closed.
    QApplication::setQuitOnLastWindowClosed(false);
    tovi::installTranslations(QLocale::system());

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
