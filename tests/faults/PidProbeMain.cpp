#include "bridge/DaemonStateProbe.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <signal.h>

// Prints what the daemon probe answers in this process ("running PID" or "stopped") and,
// on a second line, what kill(pid, 0) itself said, so a caller running it under another
// user can tell which branch the answer came from.
int main() {
    const tovi::DaemonState state = tovi::readDaemonState();
    if (state.running)
        std::printf("running %d\n", static_cast<int>(state.pid));
    else
        std::printf("stopped\n");

    QFile file(tovi::daemonPidFilePath());
    if (file.open(QIODevice::ReadOnly)) {
        if (const auto pid = tovi::parsePidFileContents(file.readAll())) {
            errno = 0;
            const int result = ::kill(*pid, 0);
            std::printf("kill %d %s\n", result, result == 0 ? "ok" : std::strerror(errno));
        }
    }
    return 0;
}
