#include "platform/QSettingsUserDefaults.h"

#include <QStandardPaths>

namespace tovi {

namespace {

// Whatever a damaged or unreadable file yields is not trusted: a half-parsed file could
// hold a value the user never chose.
bool storedValuesUsable(const QSettings& settings) {
    return settings.status() == QSettings::NoError;
}

} // namespace

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
    m_discardStored = !storedValuesUsable(*m_settings);
}

QSettingsUserDefaults::~QSettingsUserDefaults() = default;

QVariant QSettingsUserDefaults::value(const QString& key) const {
    if (m_discardStored)
        return {};
    return m_settings->value(key);
}

void QSettingsUserDefaults::setValue(const QString& key, const QVariant& value) {
    if (m_discardStored) {
        // Start the file afresh instead of writing the damaged remains back out.
        m_settings->clear();
        m_discardStored = false;
    }
    m_settings->setValue(key, value);
    // Written at once (QSettings replaces the file atomically), so a crash loses nothing.
    m_settings->sync();
}

QString QSettingsUserDefaults::fileName() const {
    return m_settings->fileName();
}

} // namespace tovi
