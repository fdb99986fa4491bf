#pragma once

#include "model/Result.h"
#include "platform/Settings.h"

#include <QString>
#include <QVariant>

#include <optional>

namespace tovi {

// Per-user key-value settings under the application's own key names.
class UserDefaults {
public:
    virtual ~UserDefaults() = default;
    // An invalid QVariant when the key is absent.
    virtual QVariant value(const QString& key) const = 0;
    // Saved at once. When it cannot be saved the value still holds for this run, and the
    // failure carries the text the user is shown.
    virtual Status setValue(const QString& key, const QVariant& value) = 0;
    // What the user should hear about the settings file itself (a damaged file that was set
    // aside); nothing otherwise.
    virtual std::optional<QString> notice() const { return std::nullopt; }

    // A stored boolean, or the text "true"/"false" (how INI files keep booleans); anything
    // else is not a boolean.
    std::optional<bool> boolValue(const QString& key) const;
    // Absent, unreadable or not finite reads as 0.
    double doubleValue(const QString& key) const;

    // The keys of the catalogue (platform/Settings.h), read with their type and default.
    bool get(const Setting<bool>& setting) const;
    double get(const Setting<double>& setting) const;
    Status set(const Setting<bool>& setting, bool value) { return setValue(setting.key, value); }
    Status set(const Setting<double>& setting, double value) { return setValue(setting.key, value); }
};

} // namespace tovi
