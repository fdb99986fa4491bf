#pragma once

#include <QUrl>

namespace tovi {

class Browser {
public:
    virtual ~Browser() = default;
    // Opens the address in the user's default browser; the outcome is not reported.
    virtual void openUrl(const QUrl& url) = 0;
};

} // namespace tovi
