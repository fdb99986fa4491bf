#pragma once

#include "model/Records.h"

#include <QList>
#include <QString>

namespace tovi {

// The tooltip of the "Some status unavailable" warning.
QString partialSummary(const QList<StatusSectionError>& errors);

} // namespace tovi
