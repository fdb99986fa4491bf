#pragma once

#include "platform/UserDefaults.h"

#include <QHash>

namespace tovi::testing {

class MemoryUserDefaults : public UserDefaults {
public:
    QVariant value(const QString& key) const override { return m_values.value(key); }
    void setValue(const QString& key, const QVariant& value) override { m_values.insert(key, value); }
    bool contains(const QString& key) const { return m_values.contains(key); }
    void remove(const QString& key) { m_values.remove(key); }

private:
    QHash<QString, QVariant> m_values;
};

} // namespace tovi::testing
