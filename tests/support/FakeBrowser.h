#pragma once

#include "platform/Browser.h"

#include <QList>

namespace tovi::testing {

class FakeBrowser : public Browser {
public:
    void openUrl(const QUrl& url) override { m_opened << url; }
    const QList<QUrl>& opened() const { return m_opened; }

private:
    QList<QUrl> m_opened;
};

} // namespace tovi::testing
