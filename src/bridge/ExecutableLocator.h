#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace tovi {

// Finds the tovi executable. The defaults describe this machine; tests replace any part so
// that the answer never depends on what happens to be installed.
struct ExecutableLocator {
    // The running application's executable; "tovi" beside it is the first candidate.
    // Unset: asked of the application at every lookup.
    std::optional<QString> applicationExecutable;
    // Unset: the home directory as Qt reports it, at every lookup.
    std::optional<QString> homeDirectory;
    // Tried after the bundled copy and before the per-user install.
    QStringList systemCandidates{QStringLiteral("/usr/local/bin/tovi")};
    // Tried after the per-user install, in order.
    QStringList packageManagerCandidates{QStringLiteral("/opt/homebrew/bin/tovi"),
                                         QStringLiteral("/home/linuxbrew/.linuxbrew/bin/tovi")};

    // The first candidate that qualifies, looked up afresh at every call.
    std::optional<QString> locate() const;

    static QString homeCandidateSuffix() { return QStringLiteral("/.local/bin/tovi"); }
};

} // namespace tovi
