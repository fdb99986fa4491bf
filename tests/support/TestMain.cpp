#include "platform/Translations.h"

#include <QApplication>
#include <gtest/gtest.h>

// Shared main: a QApplication (offscreen in the tests' environment) so that coroutines,
// timers and GUI-side objects all run on a real event loop, in English whatever the machine's
// language.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    tovi::installTranslations(QLocale(QLocale::English));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
