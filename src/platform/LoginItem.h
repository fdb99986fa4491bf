#pragma once

#include "model/Result.h"

namespace tovi {

// The desktop's "start at login" registration of this application.
class LoginItem {
public:
    virtual ~LoginItem() = default;
    virtual bool isEnabled() const = 0;
    // Registers (true) or unregisters (false); the error text names the file and the reason.
    virtual Status setEnabled(bool enabled) = 0;
};

} // namespace tovi
