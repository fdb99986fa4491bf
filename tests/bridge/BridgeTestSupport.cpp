#include "BridgeTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace tovi::test {

void writeFile(const QString& path, const QByteArray& contents, QFileDevice::Permissions permissions) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath())) << path.toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(contents), contents.size());
    file.close();
    ASSERT_TRUE(file.setPermissions(permissions));
}

void writeScript(const QString& path, const QByteArray& body) {
    writeFile(path, "#!/bin/bash\n" + body + "\n", kExecutable);
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

ScopedCurrentDir::ScopedCurrentDir(const QString& path)
    : m_old(QDir::currentPath()) {
    EXPECT_TRUE(QDir::setCurrent(path)) << path.toStdString();
}

ScopedCurrentDir::~ScopedCurrentDir() {
    QDir::setCurrent(m_old);
}

} // namespace tovi::test
