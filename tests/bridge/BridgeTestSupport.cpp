#include "BridgeTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tovi::test {

void writeScript(const QString& path, const QByteArray& body) {
    writeFile(path, "#!/bin/bash\n" + body + "\n", kExecutable);
}

void writeNativeScript(const QByteArray& path, const QByteArray& body) {
    for (qsizetype slash = path.indexOf('/', 1); slash > 0; slash = path.indexOf('/', slash + 1))
        ::mkdir(path.left(slash).constData(), 0700);
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0700);
    ASSERT_GE(fd, 0) << path.toStdString();
    const QByteArray contents = "#!/bin/bash\n" + body + "\n";
    EXPECT_EQ(::write(fd, contents.constData(), size_t(contents.size())), contents.size());
    ::close(fd);
}

ScopedCurrentDir::ScopedCurrentDir(const QString& path)
    : m_old(QDir::currentPath()) {
    EXPECT_TRUE(QDir::setCurrent(path)) << path.toStdString();
}

ScopedCurrentDir::~ScopedCurrentDir() {
    QDir::setCurrent(m_old);
}

} // namespace tovi::test
