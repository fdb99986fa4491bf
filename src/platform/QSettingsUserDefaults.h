#pragma once

#include "platform/UserDefaults.h"

#include <QSettings>

#include <memory>

namespace tovi {

// The application's defaults in an INI file, by default the standard per-user one
// (~/.config/Tovi/Tovi.conf). A file that cannot be parsed or read reads as empty; the
// next write replaces it with a clean one.
class QSettingsUserDefaults : public UserDefaults {
public:
    QSettingsUserDefaults();
    explicit QSettingsUserDefaults(const QString& filePath);
    ~QSettingsUserDefaults() override;

    QVariant value(const QString& key) const override;
    void setValue(const QString& key, const QVariant& value) override;

    QString fileName() const;

    // $XDG_CONFIG_HOME/Tovi/Tovi.conf (~/.config by default); other parts of the application
    // that keep settings of their own (the updater) use the same file under their own group.
    static QString defaultFilePath();

private:
    std::unique_ptr<QSettings> m_settings;
    bool m_discardStored = false;
};

} // namespace tovi
