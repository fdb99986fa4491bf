#include <QCoreApplication>
#include <gtest/gtest.h>

// The sim tests need an event loop for HTTP and child processes, nothing graphical.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
