#include "ui/MenuBarIcon.h"

#include "model/DisplayRules.h"
#include "ui/StatusColors.h"
#include "ui/StatusTexts.h"

namespace tovi {

MenuBarIcon::State MenuBarIcon::iconState(const std::optional<InternalStatus>& status) {
    if (!status)
        return {};
    switch (alertLevel(*status)) {
    case StatusAlertLevel::offline:
        return {0, standardRed()};
    case StatusAlertLevel::attention:
        return {0, standardOrange()};
    case StatusAlertLevel::unread:
        return {unreadCount(status), std::nullopt};
    case StatusAlertLevel::none:
        return {};
    }
    return {};
}

QString MenuBarIcon::markName(bool dark) {
    return dark ? QStringLiteral("ToviMarkDark") : QStringLiteral("ToviMark");
}

IconBitmap MenuBarIcon::bitmap(const std::optional<InternalStatus>& status, bool dark) {
    const State state = iconState(status);
    return {markName(dark), state.unread, state.dot};
}

} // namespace tovi
