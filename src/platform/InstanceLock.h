#pragma once

#include <QString>

namespace tovi {

// One running copy per user: an exclusive flock on <data dir>/Tovi/instance.lock. The
// descriptor is deliberately never closed, so the lock lasts exactly as long as the
// process and dies with it, crash included.
class InstanceLock {
public:
    enum class Outcome {
        acquired,
        acquiredUnguarded, // the lock file could not be opened or locked; run without the guard
        heldByAnotherCopy,
    };

    // Directory defaults to ~/.local/share/Tovi (GenericDataLocation + "/Tovi").
    InstanceLock();
    explicit InstanceLock(QString directory);

    Outcome acquire();

    // The open lock file; -1 when none is held (and the failed open's result when unguarded).
    int lockFD() const { return m_lockFD; }
    QString filePath() const;

    static QString defaultDirectory();

    // What a failed flock (its errno) means for start-up.
    static Outcome outcomeOfLockFailure(int error);

private:
    QString m_directory;
    int m_lockFD = -1;
};

} // namespace tovi
