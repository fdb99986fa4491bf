#include "platform/QSettingsUserDefaults.h"

#include <QCoreApplication>

#include <QFile>
#include <QStandardPaths>

namespace tovi {

QSettingsUserDefaults::QSettingsUserDefaults()
    : QSettingsUserDefaults(defaultFilePath()) {}

QString QSettingsUserDefaults::defaultFilePath() {
    // Spelled out rather than left to QSettings' user scope, which caches its directory for
    // the life of the process and names INI files *.ini.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Tovi/Tovi.conf");
}

QSettingsUserDefaults::QSettingsUserDefaults(const QString& filePath)
    : m_settings(std::make_unique<QSettings>(filePath, QSettings::IniFormat)) {
    // Qt still reads every intact line of a file it reports as damaged: those values are the
    // user's choices and stay. The next write drops what Qt could not read, so the file as
    // it was is set aside first, here, before anything could write.
    if (m_settings->status() != QSettings::FormatError)
        return;
    QFile::remove(damagedCopyPath());
    if (QFile::copy(filePath, damagedCopyPath()))
        m_notice =
            QCoreApplication::translate("QSettingsUserDefaults",
                                        "Part of Tovi's settings file could not be read; the settings that "
                                        "could be read are kept, and the file as it was is saved as %1.")
                .arg(damagedCopyPath());
    else
        m_notice =
            QCoreApplication::translate("QSettingsUserDefaults",
                                        "Part of Tovi's settings file %1 could not be read; the settings "
                                        "that could be read are kept.")
                .arg(filePath);
}

QSettingsUserDefaults::~QSettingsUserDefaults() = default;

QVariant QSettingsUserDefaults::value(const QString& key) const {
    return m_settings->value(key);
}

Status QSettingsUserDefaults::setValue(const QString& key, const QVariant& value) {
    // QSettings keeps the first error it met for good (the damaged file at load, an earlier
    // failed write). A fresh object over the same file, opened while the old one still holds
    // its values, reports on this write alone.
    if (m_settings->status() != QSettings::NoError) {
        auto fresh = std::make_unique<QSettings>(fileName(), QSettings::IniFormat);
        m_settings = std::move(fresh);
    }
    m_settings->setValue(key, value);
    // Written at once (QSettings replaces the file atomically), so a crash loses nothing.
    m_settings->sync();
    if (m_settings->status() == QSettings::AccessError)
        return Error::platform(
            QCoreApplication::translate("QSettingsUserDefaults", "Couldn't save Tovi's settings to %1.")
                .arg(fileName()));
    return success();
}

QString QSettingsUserDefaults::fileName() const {
    return m_settings->fileName();
}

} // namespace tovi
