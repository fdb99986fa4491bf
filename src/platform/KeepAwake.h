#pragma once

#include <QString>

namespace tovi {

// Holds off idle system sleep while an activity is open. Never fails: without a session
// bus or an inhibitor service an activity simply has no effect.
class KeepAwake {
public:
    virtual ~KeepAwake() = default;
    // Opens an activity and returns its token.
    virtual int beginActivity(const QString& reason) = 0;
    virtual void endActivity(int token) = 0;
};

} // namespace tovi
