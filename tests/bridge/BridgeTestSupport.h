#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QString>
#include <qcoro/qcorotask.h>

#include <optional>

namespace tovi::test {

constexpr QFileDevice::Permissions kExecutable = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                 QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                                 QFileDevice::ExeGroup;
constexpr QFileDevice::Permissions kPlain = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// Writes `contents` to `path` (creating parent directories) with the given permissions.
void writeFile(const QString& path, const QByteArray& contents,
               QFileDevice::Permissions permissions = kPlain);
// Writes an executable bash script whose body follows the interpreter line.
void writeScript(const QString& path, const QByteArray& body);

// Drives `task` to completion on the event loop; unlike QCoro::waitFor it works for
// results without a default constructor.
template <typename T> T finish(QCoro::Task<T> task) {
    std::optional<T> out;
    QCoro::waitFor([](QCoro::Task<T> inner, std::optional<T>* target) -> QCoro::Task<> {
        target->emplace(co_await inner);
    }(std::move(task), &out));
    return std::move(*out);
}

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
