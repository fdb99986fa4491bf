#include "ui/PartialStatusWarning.h"

#include <QStringList>

namespace tovi {

QString partialSummary(const QList<StatusSectionError>& errors) {
    if (errors.isEmpty())
        return QStringLiteral("Some status sections could not be loaded.");
    QStringList sections;
    sections.reserve(errors.size());
    for (const StatusSectionError& error : errors)
        sections.append(error.section);
    return QStringLiteral("Unavailable sections: ") + sections.join(QStringLiteral(", ")) + u'.';
}

} // namespace tovi
