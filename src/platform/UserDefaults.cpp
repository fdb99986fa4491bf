#include "platform/UserDefaults.h"

#include <cmath>

namespace tovi {

std::optional<bool> UserDefaults::boolValue(const QString& key) const {
    const QVariant v = value(key);
    if (v.typeId() == QMetaType::Bool)
        return v.toBool();
    if (v.typeId() == QMetaType::QString) {
        const QString text = v.toString();
        if (text == QLatin1String("true"))
            return true;
        if (text == QLatin1String("false"))
            return false;
    }
    return std::nullopt;
}

double UserDefaults::doubleValue(const QString& key) const {
    const QVariant v = value(key);
    if (!v.isValid())
        return 0;
    bool ok = false;
    const double d = v.toDouble(&ok);
    // "nan" and "inf" convert, but no time compares sensibly with them: a stored NaN would
    // hold off everything that waits for the time to pass, for good.
    return ok && std::isfinite(d) ? d : 0;
}

bool UserDefaults::get(const Setting<bool>& setting) const {
    return boolValue(setting.key).value_or(setting.fallback);
}

double UserDefaults::get(const Setting<double>& setting) const {
    if (!value(setting.key).isValid())
        return setting.fallback;
    return doubleValue(setting.key);
}

} // namespace tovi
