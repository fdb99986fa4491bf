#include "model/AppLocation.h"

namespace tovi {

AppLocation classifyAppLocation(const QString& path, const QString& home) {
    auto contains = [&](const char* s) { return path.contains(QLatin1String(s)); };
    auto startsWith = [&](const QString& s) { return path.startsWith(s); };

    if (contains("/AppTranslocation/"))
        return AppLocation::temporary;
    if (startsWith(QStringLiteral("/Volumes/")))
        return AppLocation::temporary;
    if (contains("/private/var/folders/"))
        return AppLocation::temporary;
    if (startsWith(QStringLiteral("/Applications/")))
        return AppLocation::applicationsFolder;
    if (startsWith(home + QStringLiteral("/Applications/")))
        return AppLocation::applicationsFolder;
    // Linux: an AppImage runs from a FUSE mount under /tmp; /tmp itself does not persist.
    if (startsWith(QStringLiteral("/tmp/")) || contains("/.mount_"))
        return AppLocation::temporary;
    // Linux: system packages, /opt bundles and per-user installs are the applications folders.
    if (startsWith(QStringLiteral("/usr/")) || startsWith(QStringLiteral("/opt/")) ||
        startsWith(home + QStringLiteral("/.local/")))
        return AppLocation::applicationsFolder;
    return AppLocation::elsewhere;
}

} // namespace tovi
