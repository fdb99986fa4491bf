#include "bridge/SmallFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tovi {
namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("SmallFile", text);
}

QString systemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

SmallFileReading readSmallFile(const QByteArray& path, qsizetype limit) {
    SmallFileReading reading;
    // Non-blocking: opening a FIFO for reading would otherwise wait for a writer.
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return reading;
        reading.outcome = SmallFileReading::Outcome::Refused;
        reading.reason = systemReason(errno);
        return reading;
    }
    struct stat st {};
    reading.outcome = SmallFileReading::Outcome::Refused;
    if (::fstat(fd, &st) != 0) {
        reading.reason = systemReason(errno);
    } else if (!S_ISREG(st.st_mode)) {
        reading.reason = tr("it is not a regular file");
    } else {
        QByteArray bytes(limit + 1, Qt::Uninitialized);
        qsizetype length = 0;
        int error = 0;
        while (length < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + length, size_t(bytes.size() - length));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                error = errno;
            if (n <= 0)
                break;
            length += n;
        }
        if (error != 0) {
            reading.reason = systemReason(error);
        } else if (length > limit) {
            reading.reason = tr("it is larger than %1 KiB").arg(limit / 1024);
        } else {
            bytes.truncate(length);
            reading.bytes = std::move(bytes);
            reading.outcome = SmallFileReading::Outcome::Read;
        }
    }
    ::close(fd);
    return reading;
}

SmallFileReading readSmallFile(const QString& path, qsizetype limit) {
    return readSmallFile(QFile::encodeName(path), limit);
}

std::optional<QString> refusalToWrite(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    QString target = path;
    if (::stat(native.constData(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            return tr("it is not a regular file");
        target = QFileInfo(path).canonicalFilePath();
    } else if (errno != ENOENT) {
        return systemReason(errno);
    } else if (::lstat(native.constData(), &st) == 0) {
        // A link to nothing: the write would create whatever it names, wherever that is.
        return tr("it is a link to a file that does not exist");
    }
    // The folder the file is (or will be) in; one not made yet will be made by the user.
    QString folder = QFileInfo(target).absolutePath();
    while (::stat(QFile::encodeName(folder).constData(), &st) != 0 && errno == ENOENT) {
        const QString parent = QFileInfo(folder).absolutePath();
        if (parent == folder)
            break;
        folder = parent;
    }
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return tr("its folder %1 belongs to another user").arg(folder);
    return std::nullopt;
}

} // namespace tovi
