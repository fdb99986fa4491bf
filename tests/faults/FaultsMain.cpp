#include <QApplication>
#include <gtest/gtest.h>

// The whole suite runs as on a desktop whose session bus is gone: the address names a socket
// that does not exist. It is set before anything could connect, because Qt keeps the
// session connection for the life of the process. The system bus goes too, so that keep-awake
// cannot fall back to the machine's logind.
int main(int argc, char** argv) {
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/tovi-faults/bus");
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/tovi-faults/system-bus");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
