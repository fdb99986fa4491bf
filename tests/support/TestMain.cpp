#include "platform/Translations.h"
#include "support/TestUtil.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <string>
#include <vector>

namespace {

// Each suite gets a temporary folder of its own, so what a test forgets to remove is seen here
// (and the run fails) instead of piling up in /tmp over hundreds of runs.
std::string makePrivateTemp() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/tovi-test-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        return {};
    ::setenv("TMPDIR", pattern.c_str(), 1);
    return pattern;
}

std::vector<std::string> entriesOf(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (const dirent* e = ::readdir(d)) {
            const std::string name = e->d_name;
            // Qt's own fallback runtime folder, made when the session has no XDG_RUNTIME_DIR.
            if (name != "." && name != ".." && name.rfind("runtime-", 0) != 0)
                names.push_back(name);
        }
        ::closedir(d);
    }
    return names;
}

} // namespace

// Shared main: a QApplication (offscreen in the tests' environment) so that coroutines,
// timers and GUI-side objects all run on a real event loop, in English whatever the machine's
// language.
int main(int argc, char** argv) {
    const std::string temp = makePrivateTemp();
    int status = 0;
    {
        QApplication app(argc, argv);
        tovi::installTranslations(QLocale(QLocale::English));
        ::testing::InitGoogleTest(&argc, argv);
        status = RUN_ALL_TESTS();
    }
    if (temp.empty())
        return status;
    const std::vector<std::string> left = entriesOf(temp);
    for (const std::string& name : left)
        std::fprintf(stderr, "left behind in the temporary folder: %s\n", name.c_str());
    tovi::test::removeTree(QByteArray::fromStdString(temp));
    return left.empty() ? status : 1;
}
