#pragma once

#include "platform/Browser.h"

namespace tovi {

class DesktopBrowser : public Browser {
public:
    void openUrl(const QUrl& url) override;
};

} // namespace tovi
