#pragma once

#include <QString>

namespace tovi {

// Texts from the CLI, the service and the feed have no length limit, but laying out an elided
// line costs far more than linear time in its length: a name of 200,000 characters held the
// window for many seconds. What a label is given is bounded here, the cut marked with "…".

// For a single-line label, and the tooltip that repeats it: far wider than any window.
QString shownLine(const QString& text);
// For a wrapped message (a banner, a note): as long as a message from the CLI may be shown.
QString shownMessage(const QString& text);

} // namespace tovi
