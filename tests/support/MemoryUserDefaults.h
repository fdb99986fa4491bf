#pragma once

#include "platform/UserDefaults.h"

#include <QHash>

namespace tovi::testing {

class MemoryUserDefaults : public UserDefaults {
public:
    QVariant value(const QString& key) const override { return m_values.value(key); }
    Status setValue(const QString& key, const QVariant& value) override {
        m_values.insert(key, value);
        if (m_writeFailure)
            return Error::platform(*m_writeFailure);
        return success();
    }
    // Later writes still hold for this run but report this text, as an unwritable file does.
    void failWrites(std::optional<QString> text) { m_writeFailure = std::move(text); }
    bool contains(const QString& key) const { return m_values.contains(key); }
    void remove(const QString& key) { m_values.remove(key); }

private:
    QHash<QString, QVariant> m_values;
    std::optional<QString> m_writeFailure;
};

} // namespace tovi::testing
