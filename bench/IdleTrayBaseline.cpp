// The least a Qt Widgets tray application costs while it sits idle: an icon, no window, and a
// child process every 5 s, as Tovi's status poll does. bench/window.sh measures Tovi's idle
// figures beside it, in the same session.
#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QProcess>
#include <QSystemTrayIcon>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);

    QPixmap mark(22, 22);
    mark.fill(Qt::darkGray);
    QSystemTrayIcon tray{QIcon(mark)};
    tray.setToolTip(QStringLiteral("Baseline"));
    tray.show();

    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &app, [&app] {
        auto* process = new QProcess(&app);
        QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
        process->start(QStringLiteral("/bin/true"), QStringList());
    });
    poll.start(5000);
    return app.exec();
}
