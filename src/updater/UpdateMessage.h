#pragma once

#include <QString>
#include <QUrl>

namespace tovi {

// A dialog about an update. With an `acceptAction` the dialog has two buttons,
// `acceptLabel` (which reports the action) and `rejectLabel`; without, a single "OK".
struct UpdateMessage {
    enum class Kind { information, warning };

    Kind kind = Kind::information;
    QString title;
    QString text;
    QString detail;
    QUrl link; // shown under the detail when valid, labelled `linkLabel`
    QString linkLabel;
    QString acceptAction;
    QString acceptLabel;
    QString rejectLabel;
};

} // namespace tovi
