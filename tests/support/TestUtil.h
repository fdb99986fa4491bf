#pragma once

#include "support/Printers.h"

#include <QByteArray>
#include <QFileDevice>
#include <QString>
#include <qcoro/qcorotask.h>

#include <functional>
#include <optional>
#include <ostream>

namespace tovi::test {

constexpr QFileDevice::Permissions kPlain = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr QFileDevice::Permissions kExecutable = kPlain | QFileDevice::ExeOwner;

// Runs the event loop until the condition holds; false if it never did within a generous
// bound (a hang guard for a broken build, not a timing check).
bool spinUntil(const std::function<bool()>& condition);

// Drives `task` to completion on the event loop; unlike QCoro::waitFor it works for
// results without a default constructor.
template <typename T> T awaitResult(QCoro::Task<T> task) {
    std::optional<T> out;
    QCoro::waitFor([](QCoro::Task<T> inner, std::optional<T>* into) -> QCoro::Task<> {
        into->emplace(co_await std::move(inner));
    }(std::move(task), &out));
    return std::move(*out);
}

// Writes `contents` to `path`, creating parent directories, with the given permissions.
void writeFile(const QString& path, const QByteArray& contents,
               QFileDevice::Permissions permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner);
// The file's bytes, or empty when it cannot be read.
QByteArray readFile(const QString& path);
// An executable bash script with `body` after the interpreter line, at a path given as text or
// as the file system's bytes (which need not be UTF-8).
void writeScript(const QString& path, const QByteArray& body);
void writeNativeScript(const QByteArray& path, const QByteArray& body);
// Removes a tree by the file system's bytes, so names that are not UTF-8 go too (QDir cannot
// name them, and QTemporaryDir leaves them behind).
void removeTree(const QByteArray& nativePath);

// Sets or unsets an environment variable for the scope and puts the old value back after.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<QByteArray> value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    std::optional<QByteArray> m_old;
};

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
