#pragma once

#include "updater/Version.h"

#include <QString>
#include <QUrl>

namespace tovi {

// One release offered by an update feed.
struct AppcastItem {
    QString title;
    QString build;         // sparkle:version, the machine-facing build number
    QString shortVersion;  // sparkle:shortVersionString; empty when the feed gives none
    QUrl releaseNotesLink; // empty unless the feed gives an http(s) link
    QUrl enclosureUrl;
    qint64 enclosureLength = -1; // -1 when the feed does not say
    QString enclosureType;
    QByteArray edSignature; // base64 text as written in the feed; empty when unsigned

    // The version the user reads.
    QString displayVersion() const { return shortVersion.isEmpty() ? build : shortVersion; }
    ReleaseVersion releaseVersion() const { return {Version(displayVersion()), Version(build)}; }
};

} // namespace tovi
