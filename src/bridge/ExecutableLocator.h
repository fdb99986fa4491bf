#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace tovi {

// $HOME as the file system's bytes (a home directory's name need not be valid UTF-8, and no
// text round trip may change it); the account's entry when it is unset.
QByteArray homeDirectoryBytes();

// Finds the tovi executable. The defaults describe this machine; tests replace any part so
// that the answer never depends on what happens to be installed.
struct ExecutableLocator {
    // The running application's executable; "tovi" beside it is the first candidate.
    // Unset: the running executable, as the kernel names it.
    std::optional<QString> applicationExecutable;
    // Unset: $HOME at every lookup, as the bytes the file system uses (a home directory's
    // name need not be valid UTF-8, and no text round trip may change it).
    std::optional<QString> homeDirectory;
    // Tried after the bundled copy and before the per-user install.
    QStringList systemCandidates{QStringLiteral("/usr/local/bin/tovi")};
    // Tried after the per-user install, in order.
    QStringList packageManagerCandidates{QStringLiteral("/opt/homebrew/bin/tovi"),
                                         QStringLiteral("/home/linuxbrew/.linuxbrew/bin/tovi")};
    // Searched last, for a CLI installed elsewhere (a distribution package's /usr/bin/tovi).
    // Unset: $PATH at every lookup. Only absolute entries count: a relative one would make
    // the answer depend on the working directory.
    std::optional<QByteArray> searchPath;

    // The first candidate that qualifies, looked up afresh at every call, as the file
    // system's bytes: what is handed to exec.
    std::optional<QByteArray> locateNative() const;
    // The same for display and comparison.
    std::optional<QString> locate() const;

    static QString homeCandidateSuffix() { return QStringLiteral("/.local/bin/tovi"); }
};

} // namespace tovi
