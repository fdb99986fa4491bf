#pragma once

#include "model/Result.h"

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
};

} // namespace tovi
