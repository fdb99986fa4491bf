#include "TestUtil.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <gtest/gtest.h>

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
