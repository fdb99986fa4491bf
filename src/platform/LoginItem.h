#pragma once

#include "model/Result.h"

#include <QString>

#include <optional>

namespace tovi {

// The desktop's "start at login" registration of this application.
class LoginItem {
public:
    virtual ~LoginItem() = default;
    virtual bool isEnabled() const = 0;
    // Registers (true) or unregisters (false); the error text names the file and the reason.
    virtual Status setEnabled(bool enabled) = 0;
    // Something the user should know about the registration, found when it was read (an
    // entry that could not be read); shown once, in the window's message area.
    virtual std::optional<QString> notice() const { return std::nullopt; }
};

} // namespace tovi
