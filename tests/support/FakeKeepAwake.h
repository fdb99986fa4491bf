#pragma once

#include "platform/KeepAwake.h"

#include <QList>
#include <QSet>
#include <QString>

namespace tovi::testing {

class FakeKeepAwake : public KeepAwake {
public:
    int beginActivity(const QString& reason) override {
        m_reasons << reason;
        const int token = ++m_lastToken;
        m_active.insert(token);
        return token;
    }
    void endActivity(int token) override {
        ++m_ends;
        m_active.remove(token);
    }

    // As the real inhibitors answer, later: held or refused everywhere.
    void settle(bool held) { settled(m_lastToken, held); }

    int begins() const { return static_cast<int>(m_reasons.size()); }
    int ends() const { return m_ends; }
    int activeCount() const { return static_cast<int>(m_active.size()); }
    const QStringList& reasons() const { return m_reasons; }

private:
    QStringList m_reasons;
    QSet<int> m_active;
    int m_lastToken = 100;
    int m_ends = 0;
};

} // namespace tovi::testing
