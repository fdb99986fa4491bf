#pragma once

#include "platform/UserDefaults.h"

#include <QSettings>

#include <memory>

namespace tovi {

// The application's defaults in an INI file, by default the standard per-user one
// (~/.config/Tovi/Tovi.conf). Every part of the application that keeps settings (the store,
// the updater under its own group) goes through this class, so the file has one guard.
// A damaged file keeps every value Qt could read, and a copy of it is set aside
// (Tovi.conf.damaged) before anything is written over it.
class QSettingsUserDefaults : public UserDefaults {
public:
    QSettingsUserDefaults();
    explicit QSettingsUserDefaults(const QString& filePath);
    ~QSettingsUserDefaults() override;

    QVariant value(const QString& key) const override;
    Status setValue(const QString& key, const QVariant& value) override;
    std::optional<QString> notice() const override { return m_notice; }

    QString fileName() const;
    QString damagedCopyPath() const { return fileName() + QStringLiteral(".damaged"); }

    // $XDG_CONFIG_HOME/Tovi/Tovi.conf (~/.config by default).
    static QString defaultFilePath();

private:
    std::unique_ptr<QSettings> m_settings;
    std::optional<QString> m_notice;
};

} // namespace tovi
