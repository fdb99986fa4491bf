#pragma once

#include "model/Records.h"
#include "ui/IconBitmap.h"

#include <QColor>

#include <cstdint>
#include <optional>

namespace tovi {

// The tray icon as a function of the store's snapshot and the colour scheme.
class MenuBarIcon {
public:
    struct State {
        std::int64_t unread = 0;
        std::optional<QColor> dot;
        friend bool operator==(const State&, const State&) = default;
    };

    static State iconState(const std::optional<InternalStatus>& status);
    static QString markName(bool dark);
    static IconBitmap bitmap(const std::optional<InternalStatus>& status, bool dark);
};

} // namespace tovi
