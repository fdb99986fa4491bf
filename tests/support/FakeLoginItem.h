#pragma once

#include "platform/LoginItem.h"

#include <QList>
#include <QString>

#include <optional>

namespace tovi::testing {

// A login item whose registration can fail with a message, or succeed but wait for the
// user's approval (stays reported as off).
class FakeLoginItem : public LoginItem {
public:
    bool isEnabled() const override { return m_enabled; }
    Status setEnabled(bool enabled) override {
        m_requests << enabled;
        if (m_failure)
            return Error::platform(*m_failure);
        m_enabled = enabled && !m_needsApproval;
        return success();
    }

    void setState(bool enabled) { m_enabled = enabled; }
    void failWith(std::optional<QString> message) { m_failure = std::move(message); }
    void setNeedsApproval(bool needsApproval) { m_needsApproval = needsApproval; }
    const QList<bool>& requests() const { return m_requests; }

private:
    bool m_enabled = false;
    bool m_needsApproval = false;
    std::optional<QString> m_failure;
    QList<bool> m_requests;
};

} // namespace tovi::testing
