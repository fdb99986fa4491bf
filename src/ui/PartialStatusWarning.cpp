#include "ui/PartialStatusWarning.h"
#include <QCoreApplication>

#include <QStringList>

namespace tovi {

QString partialSummary(const QList<StatusSectionError>& errors) {
    if (errors.isEmpty())
        return QCoreApplication::translate("PartialStatusWarning",
                                           "Some status sections could not be loaded.");
    QStringList sections;
    sections.reserve(errors.size());
    for (const StatusSectionError& error : errors)
        sections.append(error.section);
    return QCoreApplication::translate("PartialStatusWarning", "Unavailable sections: %1.")
        .arg(sections.join(QStringLiteral(", ")));
}

} // namespace tovi
