#pragma once

#include "model/Result.h"
#include "updater/AppcastItem.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QList>

#include <optional>

namespace tovi {

// Reads an appcast: an RSS 2.0 document whose <item>s describe releases with the
// sparkle XML namespace. Items that cannot be offered (no version, no download, meant
// for another operating system) are left out rather than failing the whole feed.
class AppcastParser {
    Q_DECLARE_TR_FUNCTIONS(AppcastParser)
public:
    static Result<QList<AppcastItem>> parse(const QByteArray& document);

    // The newest item, by version and then build number; nothing for an empty list.
    static std::optional<AppcastItem> newest(const QList<AppcastItem>& items);
};

} // namespace tovi
