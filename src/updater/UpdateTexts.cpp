#include "updater/UpdateTexts.h"

#include <QDir>

namespace tovi {

UpdateMessage UpdateTexts::checkFailed(const QString& reason) {
    UpdateMessage message;
    message.kind = UpdateMessage::Kind::warning;
    message.title = tr("Update Error");
    message.text = tr("Tovi could not check for updates.");
    message.detail = reason;
    return message;
}

UpdateMessage UpdateTexts::upToDate(const QString& currentVersion) {
    UpdateMessage message;
    message.title = tr("You’re up to date!");
    message.text = tr("Tovi %1 is the newest version available.").arg(currentVersion);
    return message;
}

UpdateMessage UpdateTexts::available(const AppcastItem& item, const QString& currentVersion,
                                     bool replaceable) {
    UpdateMessage message;
    message.title = tr("Software Update");
    message.text = tr("A new version of Tovi is available!");
    // Whole sentences, so that a translation can order them as its language needs.
    message.detail = replaceable
                         ? tr("Tovi %1 is now available — you have %2.")
                         : tr("Tovi %1 is now available — you have %2. Download it now to get a verified "
                              "copy, then install it through your package manager.");
    message.detail = message.detail.arg(item.displayVersion(), currentVersion);
    message.link = item.releaseNotesLink;
    message.linkLabel = tr("Release notes");
    message.acceptAction = downloadAction;
    message.acceptLabel = tr("Download");
    message.rejectLabel = tr("Later");
    return message;
}

UpdateNotice UpdateTexts::availableNotice(const AppcastItem& item, const QString& currentVersion,
                                          bool replaceable) {
    UpdateNotice notice;
    notice.summary = tr("Tovi %1 is available").arg(item.displayVersion());
    if (replaceable) {
        notice.body = tr("You have %1. Download and install the new version now?").arg(currentVersion);
        notice.action = downloadAction;
        notice.actionLabel = tr("Download");
    } else {
        notice.body = tr("You have %1. Update Tovi through your package manager.").arg(currentVersion);
    }
    return notice;
}

UpdateTexts::Report UpdateTexts::downloadFailed(const AppcastItem& item, const QString& reason) {
    Report report;
    report.message.kind = UpdateMessage::Kind::warning;
    report.message.title = tr("Update Error");
    report.message.text = tr("Tovi %1 could not be downloaded.").arg(item.displayVersion());
    report.message.detail = reason;
    report.notice.summary = tr("Tovi %1 could not be downloaded").arg(item.displayVersion());
    report.notice.body = reason;
    return report;
}

UpdateTexts::Report UpdateTexts::installFailed(const AppcastItem& item, const QString& reason) {
    Report report;
    report.message.kind = UpdateMessage::Kind::warning;
    report.message.title = tr("Update Error");
    report.message.text = tr("Tovi %1 could not be installed.").arg(item.displayVersion());
    report.message.detail = reason;
    report.notice.summary = tr("Tovi %1 could not be installed").arg(item.displayVersion());
    report.notice.body = reason;
    return report;
}

UpdateTexts::Report UpdateTexts::downloaded(const AppcastItem& item, const QString& path) {
    const QString where = QDir::toNativeSeparators(path);
    Report report;
    report.message.title = tr("Software Update");
    report.message.text = tr("Tovi %1 has been downloaded and verified.").arg(item.displayVersion());
    report.message.detail =
        tr("Install it through your package manager. The verified package is at %1").arg(where);
    report.notice.summary = tr("Tovi %1 is available").arg(item.displayVersion());
    report.notice.body =
        tr("Update Tovi through your package manager. A verified package was downloaded to %1").arg(where);
    return report;
}

UpdateTexts::Report UpdateTexts::installed(const AppcastItem& item) {
    Report report;
    report.message.title = tr("Software Update");
    report.message.text = tr("Tovi %1 is installed.").arg(item.displayVersion());
    report.message.detail = tr("Restart Tovi to use the new version.");
    report.message.acceptAction = restartAction;
    report.message.acceptLabel = tr("Restart");
    report.message.rejectLabel = tr("Later");
    report.notice.summary = tr("Tovi %1 is ready").arg(item.displayVersion());
    report.notice.body = tr("The update is installed. Restart Tovi to use it.");
    report.notice.action = restartAction;
    report.notice.actionLabel = tr("Restart");
    return report;
}

} // namespace tovi
