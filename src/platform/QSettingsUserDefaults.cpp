#include "platform/QSettingsUserDefaults.h"

#include "bridge/SmallFile.h"

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
    : m_path(filePath) {
    // QSettings would open a FIFO and wait for a writer, or read a device without end.
    const SmallFileReading reading = readSmallFile(filePath, sizeLimit);
    if (reading.outcome == SmallFileReading::Outcome::Refused) {
        m_notice =
            QCoreApplication::translate("QSettingsUserDefaults",
                                        "Tovi's settings file %1 can't be used (%2); the defaults apply, and "
                                        "choices made now last until Tovi quits.")
                .arg(filePath, reading.reason);
        m_readRefusal = reading.reason;
        return;
    }
    m_settings = std::make_unique<QSettings>(filePath, QSettings::IniFormat);
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
    if (const auto held = m_held.constFind(key); held != m_held.cend())
        return *held;
    return m_settings ? m_settings->value(key) : QVariant();
}

Status QSettingsUserDefaults::setValue(const QString& key, const QVariant& value) {
    // Checked at every write: the file may have been replaced since it was read.
    // A file refused when read stays untouched for the run, even one that could be written.
    const std::optional<QString> refusal = m_settings ? refusalToWrite(m_path) : m_readRefusal;
    if (refusal) {
        m_held.insert(key, value);
        return Error::platform(QCoreApplication::translate("QSettingsUserDefaults",
                                                           "Couldn't save Tovi's settings to %1 (%2); the "
                                                           "choice lasts until Tovi quits.")
                                   .arg(m_path, *refusal));
    }
    m_held.remove(key);
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

} // namespace tovi
