#pragma once

#include <QString>

namespace tovi {

enum class AppLocation { temporary, applicationsFolder, elsewhere };

// Classifies an installation path (the AppImage file or the executable's directory).
AppLocation classifyAppLocation(const QString& bundlePath, const QString& homeDirectory);

} // namespace tovi
