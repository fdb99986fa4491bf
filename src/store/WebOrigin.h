#pragma once

#include <QString>

namespace tovi {

// The base address of the service's web site, without a trailing slash: TOVI_WEB_ORIGIN
// when set and non-empty, else the origin compiled into this build. Every web address the
// application forms starts with it.
QString serviceWebOrigin();

// Drops the trailing slashes of an origin so that appending "/path" never doubles them.
QString normalizedWebOrigin(QString origin);

} // namespace tovi
