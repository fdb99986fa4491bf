#include "StateLock.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace tovi::sim {

StateLock::StateLock(const StateDir& dir, const QString& name) {
    const QByteArray path = QFile::encodeName(dir.path(name));
    m_fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_fd < 0)
        return; // Without the lock we still work; only concurrent writers could race.
    while (::flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {
    }
}

StateLock::~StateLock() {
    if (m_fd >= 0)
        ::close(m_fd); // closing releases the flock
}

} // namespace tovi::sim
