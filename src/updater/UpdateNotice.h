#pragma once

#include <QString>

namespace tovi {

// A desktop notification about an update. `action` is the key reported back when the
// user clicks the notification or its one button (labelled `actionLabel`); empty when the
// notification offers nothing to do.
struct UpdateNotice {
    QString summary;
    QString body;
    QString action;
    QString actionLabel;

    bool operator==(const UpdateNotice&) const = default;
};

} // namespace tovi
