#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace tovi {

// What reading one of the small files Tovi keeps or consults gave.
struct SmallFileReading {
    enum class Outcome { Read, Missing, Refused };
    Outcome outcome = Outcome::Missing;
    QByteArray bytes;
    // Why the file was refused, for a message ("it is not a regular file").
    QString reason;
};

// Reads the file at `path` (the file system's bytes), following links, without ever
// blocking: only a regular file of at most `limit` bytes is read. A FIFO, a device or a
// directory there is refused, and so is a longer file, of which only limit + 1 bytes are
// read. Everything Tovi reads of its own runs on the GUI thread, where an open that waits
// for a writer would freeze the application for good.
SmallFileReading readSmallFile(const QByteArray& path, qsizetype limit);
SmallFileReading readSmallFile(const QString& path, qsizetype limit);

// Why a file must not be written at `path`, or nothing when it may. A write replaces what
// the path leads to, links followed, so that must be a regular file or nothing yet, and its
// folder one the user owns: a link to a device, or into another user's folder, is refused.
std::optional<QString> refusalToWrite(const QString& path);

} // namespace tovi
