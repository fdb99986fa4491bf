#pragma once

#include <QString>

namespace tovi {

// Starts the updated AppImage once this process has gone, then quits this one. The new
// copy must not start earlier: it would find this one still holding the single-instance
// lock and merely activate it.
class UpdateRestarter {
public:
    static bool relaunchAfterExit(const QString& appImagePath);
};

} // namespace tovi
