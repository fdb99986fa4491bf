#include "BridgeTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace tovi::test {

void writeScript(const QString& path, const QByteArray& body) {
    writeFile(path, "#!/bin/bash\n" + body + "\n", kExecutable);
}

ScopedCurrentDir::ScopedCurrentDir(const QString& path)
    : m_old(QDir::currentPath()) {
    EXPECT_TRUE(QDir::setCurrent(path)) << path.toStdString();
}

ScopedCurrentDir::~ScopedCurrentDir() {
    QDir::setCurrent(m_old);
}

} // namespace tovi::test
