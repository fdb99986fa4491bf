#pragma once

#include <functional>

namespace tovi {

// Holds a view model's recomputing back while the window it feeds is closed: the store changes
// with every poll, and a closed window has nothing to show for it. Whatever changed meanwhile
// is recomputed once, when the window opens.
class RecomputeGate {
public:
    explicit RecomputeGate(std::function<void()> recompute)
        : m_recompute(std::move(recompute)) {}

    // Something the view model shows changed: recompute now while open, else on opening.
    void request() {
        if (m_open)
            m_recompute();
        else
            m_pending = true;
    }

    void setOpen(bool open) {
        m_open = open;
        if (m_open && m_pending) {
            m_pending = false;
            m_recompute();
        }
    }

private:
    std::function<void()> m_recompute;
    bool m_open = true;
    bool m_pending = false;
};

} // namespace tovi
