#include "updater/UpdateTexts.h"

#include <QDir>

namespace tovi {

UpdateMessage UpdateTexts::checkFailed(const QString& reason) {
    UpdateMessage message;
    message.kind = UpdateMessage::Kind::warning;
    message.title = QStringLiteral("Update Error");
    message.text = QStringLiteral("Tovi could not check for updates.");
    message.detail = reason;
    return message;
}

UpdateMessage UpdateTexts::upToDate(const QString& currentVersion) {
    UpdateMessage message;
    message.title = QStringLiteral("You\u2019re up to date!");
    message.text = QStringLiteral("Tovi %1 is the newest version available.").arg(currentVersion);
    return message;
}

UpdateMessage UpdateTexts::available(const AppcastItem& item, const QString& currentVersion,
                                     bool replaceable) {
    UpdateMessage message;
    message.title = QStringLiteral("Software Update");
    message.text = QStringLiteral("A new version of Tovi is available!");
    message.detail = QStringLiteral("Tovi %1 is now available \u2014 you have %2.")
                         .arg(item.displayVersion(), currentVersion);
    if (!replaceable)
        message.detail += QStringLiteral(
            " Download it now to get a verified copy, then install it through your package manager.");
    message.link = item.releaseNotesLink;
    message.linkLabel = QStringLiteral("Release notes");
    message.acceptAction = downloadAction;
    message.acceptLabel = QStringLiteral("Download");
    message.rejectLabel = QStringLiteral("Later");
    return message;
}

UpdateNotice UpdateTexts::availableNotice(const AppcastItem& item, const QString& currentVersion,
                                          bool replaceable) {
    UpdateNotice notice;
    notice.summary = QStringLiteral("Tovi %1 is available").arg(item.displayVersion());
    if (replaceable) {
        notice.body =
            QStringLiteral("You have %1. Download and install the new version now?").arg(currentVersion);
        notice.action = downloadAction;
        notice.actionLabel = QStringLiteral("Download");
    } else {
        notice.body =
            QStringLiteral("You have %1. Update Tovi through your package manager.").arg(currentVersion);
    }
    return notice;
}

UpdateTexts::Report UpdateTexts::downloadFailed(const AppcastItem& item, const QString& reason) {
    Report report;
    report.message.kind = UpdateMessage::Kind::warning;
    report.message.title = QStringLiteral("Update Error");
    report.message.text = QStringLiteral("Tovi %1 could not be downloaded.").arg(item.displayVersion());
    report.message.detail = reason;
    report.notice.summary = QStringLiteral("Tovi %1 could not be downloaded").arg(item.displayVersion());
    report.notice.body = reason;
    return report;
}

UpdateTexts::Report UpdateTexts::installFailed(const AppcastItem& item, const QString& reason) {
    Report report;
    report.message.kind = UpdateMessage::Kind::warning;
    report.message.title = QStringLiteral("Update Error");
    report.message.text = QStringLiteral("Tovi %1 could not be installed.").arg(item.displayVersion());
    report.message.detail = reason;
    report.notice.summary = QStringLiteral("Tovi %1 could not be installed").arg(item.displayVersion());
    report.notice.body = reason;
    return report;
}

UpdateTexts::Report UpdateTexts::downloaded(const AppcastItem& item, const QString& path) {
    const QString where = QDir::toNativeSeparators(path);
    Report report;
    report.message.title = QStringLiteral("Software Update");
    report.message.text =
        QStringLiteral("Tovi %1 has been downloaded and verified.").arg(item.displayVersion());
    report.message.detail =
        QStringLiteral("Install it through your package manager. The verified package is at %1").arg(where);
    report.notice.summary = QStringLiteral("Tovi %1 is available").arg(item.displayVersion());
    report.notice.body =
        QStringLiteral("Update Tovi through your package manager. A verified package was downloaded to %1")
            .arg(where);
    return report;
}

UpdateTexts::Report UpdateTexts::installed(const AppcastItem& item) {
    Report report;
    report.message.title = QStringLiteral("Software Update");
    report.message.text = QStringLiteral("Tovi %1 is installed.").arg(item.displayVersion());
    report.message.detail = QStringLiteral("Restart Tovi to use the new version.");
    report.message.acceptAction = restartAction;
    report.message.acceptLabel = QStringLiteral("Restart");
    report.message.rejectLabel = QStringLiteral("Later");
    report.notice.summary = QStringLiteral("Tovi %1 is ready").arg(item.displayVersion());
    report.notice.body = QStringLiteral("The update is installed. Restart Tovi to use it.");
    report.notice.action = restartAction;
    report.notice.actionLabel = QStringLiteral("Restart");
    return report;
}

} // namespace tovi
