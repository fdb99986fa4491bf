#pragma once

#include <qcoro/qcorotask.h>

namespace tovi {

// Lets a store operation run on its own: a dropped QCoro task keeps running on the GUI
// thread and frees itself when it ends. Clicks never wait for the work they start.
inline void startDetached(QCoro::Task<> task) {
    Q_UNUSED(task);
}

} // namespace tovi
