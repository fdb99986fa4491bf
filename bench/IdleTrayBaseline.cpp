// The least a Qt Widgets tray application costs while it sits idle: an icon, no window, and a
// child process every 5 s, as Tovi's status poll does. bench/window.sh measures Tovi's idle
// figures beside it, in the same session.
//
//   IdleTrayBaseline          runs /bin/true, which prints nothing
//   IdleTrayBaseline TOVI     runs TOVI's status command, as Tovi does, and reads all it prints
//                             (a child that prints and then exits wakes its parent more often
//                             than one that only exits)
#include "store/CLICommands.h"

#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QProcess>
#include <QSystemTrayIcon>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    const QStringList command = app.arguments().size() > 1
                                    ? QStringList{app.arguments().at(1)} + tovi::CLICommands::status()
                                    : QStringList{QStringLiteral("/bin/true")};

    QPixmap mark(22, 22);
    mark.fill(Qt::darkGray);
    QSystemTrayIcon tray{QIcon(mark)};
    tray.setToolTip(QStringLiteral("Baseline"));
    tray.show();

    QByteArray output;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &app, [&app, &command, &output] {
        auto* process = new QProcess(&app);
        QObject::connect(process, &QProcess::readyReadStandardOutput, process,
                         [process, &output] { output = process->readAllStandardOutput(); });
        QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
        process->start(command.first(), command.mid(1));
    });
    poll.start(5000);
    return app.exec();
}
