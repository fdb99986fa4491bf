#pragma once

#include "platform/UserDefaults.h"

#include <QSettings>
#include <QVariantMap>

#include <memory>

namespace tovi {

// The application's defaults in an INI file, by default the standard per-user one
// (~/.config/Tovi/Tovi.conf). The application opens it once, in one instance that every part
// keeping settings shares (the store, the updater under its own group): one guard, one notice,
// and choices held for the run are seen by all.
// A damaged file keeps every value Qt could read, and a copy of it is set aside
// (Tovi.conf.damaged) before anything is written over it. Where the path holds no usable
// file (a FIFO, a device, a huge file) or may not be written (a link into another user's
// folder), the file is left alone: the defaults hold and choices made last for this run.
class QSettingsUserDefaults : public UserDefaults {
public:
    QSettingsUserDefaults();
    explicit QSettingsUserDefaults(const QString& filePath);
    ~QSettingsUserDefaults() override;

    QVariant value(const QString& key) const override;
    Status setValue(const QString& key, const QVariant& value) override;
    std::optional<QString> notice() const override { return m_notice; }

    QString fileName() const { return m_path; }
    // A settings file is a few lines; anything near this is not one.
    static constexpr qsizetype sizeLimit = qsizetype(1) << 20;
    QString damagedCopyPath() const { return fileName() + QStringLiteral(".damaged"); }

    // $XDG_CONFIG_HOME/Tovi/Tovi.conf (~/.config by default).
    static QString defaultFilePath();

private:
    QString m_path;
    // Null when the file was refused, for the reason kept beside it.
    std::unique_ptr<QSettings> m_settings;
    std::optional<QString> m_readRefusal;
    // Choices that could not be written, held until the application quits.
    QVariantMap m_held;
    std::optional<QString> m_notice;
};

} // namespace tovi
