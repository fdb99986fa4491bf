#include "platform/InstanceLock.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace tovi {

InstanceLock::InstanceLock()
    : InstanceLock(defaultDirectory()) {}

InstanceLock::InstanceLock(QString directory)
    : m_directory(std::move(directory)) {}

QString InstanceLock::defaultDirectory() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Tovi");
}

QString InstanceLock::filePath() const {
    return m_directory + QStringLiteral("/instance.lock");
}

InstanceLock::Outcome InstanceLock::acquire() {
    // A directory that cannot be made is not fatal by itself; the open below decides.
    QDir().mkpath(m_directory);

    const QByteArray path = QFile::encodeName(filePath());
    m_lockFD = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (m_lockFD < 0) {
        // Refusing to start over an unwritable data directory would lock the user out of
        // the application; running unguarded only risks a second copy.
        return Outcome::acquiredUnguarded;
    }
    int result;
    do {
        result = ::flock(m_lockFD, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        const int error = errno;
        ::close(m_lockFD);
        m_lockFD = -1;
        return outcomeOfLockFailure(error);
    }
    return Outcome::acquired;
}

InstanceLock::Outcome InstanceLock::outcomeOfLockFailure(int error) {
    // Only a lock held elsewhere means another copy runs. A file system without locks
    // (ENOLCK on some network homes) must not keep the application from starting.
    return error == EWOULDBLOCK ? Outcome::heldByAnotherCopy : Outcome::acquiredUnguarded;
}

} // namespace tovi
