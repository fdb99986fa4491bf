#pragma once

#include "model/Result.h"

#include <QCoreApplication>
#include <QString>

namespace tovi {

// Puts a verified update in place of the AppImage that runs this copy. Other kinds of
// installation belong to the system's package manager and are never touched.
class UpdateInstaller {
    Q_DECLARE_TR_FUNCTIONS(UpdateInstaller)
public:
    // True when `appImagePath` names an existing file that this user may replace: the
    // file and its directory are writable (the swap is a rename in that directory).
    static bool canReplace(const QString& appImagePath);

    // Copies `verifiedFile` next to the AppImage, makes it executable (0755) and renames
    // it over the AppImage, so that the path holds the old or the new file at every
    // moment. The file must be an executable (ELF) image.
    static Status replaceAppImage(const QString& verifiedFile, const QString& appImagePath);
};

} // namespace tovi
