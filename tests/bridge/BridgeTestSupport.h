#pragma once

#include "support/TestUtil.h"
#include <QByteArray>
#include <QFileDevice>
#include <QString>

namespace tovi::test {

constexpr QFileDevice::Permissions kPlain = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

constexpr QFileDevice::Permissions kExecutable = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                 QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                                 QFileDevice::ExeGroup;

// Writes an executable bash script whose body follows the interpreter line.
void writeScript(const QString& path, const QByteArray& body);

// The same at a path given as the file system's bytes (which need not be UTF-8), creating
// its directories.
void writeNativeScript(const QByteArray& path, const QByteArray& body);

// Changes the working directory for the scope.
class ScopedCurrentDir {
public:
    explicit ScopedCurrentDir(const QString& path);
    ~ScopedCurrentDir();
    ScopedCurrentDir(const ScopedCurrentDir&) = delete;
    ScopedCurrentDir& operator=(const ScopedCurrentDir&) = delete;

private:
    QString m_old;
};

} // namespace tovi::test
