#pragma once

#include "updater/AppcastItem.h"
#include "updater/UpdateMessage.h"
#include "updater/UpdateNotice.h"

#include <QCoreApplication>
#include <QString>

namespace tovi {

// What the updater tells the user at each step, as a dialog (the user asked) and as a
// desktop notice (a background check). One place for the wording, so that the dialog and the
// notice of a step say the same thing and FeedUpdater only decides which step it is.
class UpdateTexts {
    Q_DECLARE_TR_FUNCTIONS(UpdateTexts)
public:
    // The keys a dialog or notice reports back when the user accepts it.
    inline static const QString downloadAction = QStringLiteral("download");
    inline static const QString restartAction = QStringLiteral("restart");

    struct Report {
        UpdateMessage message;
        UpdateNotice notice;
    };

    static UpdateMessage checkFailed(const QString& reason);
    static UpdateMessage upToDate(const QString& currentVersion);
    // `replaceable`: this copy is an AppImage the updater may swap; otherwise the
    // package manager installs, and the texts say so.
    static UpdateMessage available(const AppcastItem& item, const QString& currentVersion, bool replaceable);
    static UpdateNotice availableNotice(const AppcastItem& item, const QString& currentVersion,
                                        bool replaceable);
    static Report downloadFailed(const AppcastItem& item, const QString& reason);
    static Report installFailed(const AppcastItem& item, const QString& reason);
    // Verified and left in `path` for the package manager.
    static Report downloaded(const AppcastItem& item, const QString& path);
    static Report installed(const AppcastItem& item);
};

} // namespace tovi
