#include "TestUtil.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tovi::test {

bool spinUntil(const std::function<bool()>& condition) {
    QDeadlineTimer guard(std::chrono::minutes(2));
    while (!condition()) {
        if (guard.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
    return true;
}

void writeFile(const QString& path, const QByteArray& contents, QFileDevice::Permissions permissions) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath())) << path.toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(contents), contents.size());
    file.close();
    ASSERT_TRUE(file.setPermissions(permissions));
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

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

ScopedEnv::ScopedEnv(const char* name, std::optional<QByteArray> value)
    : m_name(name) {
    if (qEnvironmentVariableIsSet(name))
        m_old = qgetenv(name);
    if (value)
        qputenv(name, *value);
    else
        qunsetenv(name);
}

ScopedEnv::~ScopedEnv() {
    if (m_old)
        qputenv(m_name, *m_old);
    else
        qunsetenv(m_name);
}

} // namespace tovi::test

namespace tovi::test {

void removeTree(const QByteArray& nativePath) {
    ::nftw(
        nativePath.constData(),
        [](const char* path, const struct stat*, int type, struct FTW*) {
            if (type == FTW_DP)
                ::rmdir(path);
            else
                ::unlink(path);
            return 0;
        },
        16, FTW_DEPTH | FTW_PHYS);
}

} // namespace tovi::test
