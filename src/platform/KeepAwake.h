#pragma once

#include <QString>

#include <functional>

namespace tovi {

// Holds off idle system sleep while an activity is open. Never fails: without a session
// bus or an inhibitor service an activity simply has no effect, and says so once settled.
class KeepAwake {
public:
    virtual ~KeepAwake() = default;
    // Opens an activity and returns its token.
    virtual int beginActivity(const QString& reason) = 0;
    virtual void endActivity(int token) = 0;

    // Called once per activity when it is known whether an inhibitor holds it (false: none
    // on this desktop would).
    void onSettled(std::function<void(int token, bool held)> handler) { m_onSettled = std::move(handler); }

protected:
    void settled(int token, bool held) {
        if (m_onSettled)
            m_onSettled(token, held);
    }

private:
    std::function<void(int, bool)> m_onSettled;
};

} // namespace tovi
