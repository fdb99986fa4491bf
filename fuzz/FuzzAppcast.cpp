#include "updater/AppcastParser.h"

#include <cstdint>
#include <cstdlib>

namespace {

std::strong_ordering reversed(std::strong_ordering o) {
    return o < 0 ? std::strong_ordering::greater : o > 0 ? std::strong_ordering::less : o;
}

// Choosing "the newest" is only meaningful when versions form an order: antisymmetric and
// transitive, whatever text a feed puts in them.
void checkOrder(const tovi::ReleaseVersion& a, const tovi::ReleaseVersion& b, const tovi::ReleaseVersion& c) {
    if ((a <=> b) != reversed(b <=> a))
        std::abort();
    if ((a <=> b) <= 0 && (b <=> c) <= 0 && (a <=> c) > 0)
        std::abort();
    if ((a <=> b) == 0 && (b <=> c) == 0 && (a <=> c) != 0)
        std::abort();
}

tovi::ReleaseVersion versionOf(const QByteArray& bytes) {
    const QList<QByteArray> parts = bytes.split('\t');
    return {tovi::Version(QString::fromUtf8(parts.value(0))),
            tovi::Version(QString::fromUtf8(parts.value(1)))};
}

} // namespace

// Any bytes as a feed: the parser returns items that can be offered or an error with a
// message, and the newest item is one that no other item outranks.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    // Short inputs double as version strings: "a\tb\nc\td\ne\tf" are three releases.
    if (size < 256) {
        const QList<QByteArray> lines = bytes.split('\n');
        checkOrder(versionOf(lines.value(0)), versionOf(lines.value(1)), versionOf(lines.value(2)));
    }

    const auto parsed = tovi::AppcastParser::parse(bytes);
    if (!parsed.ok()) {
        if (parsed.error().description().isEmpty())
            std::abort();
        return 0;
    }
    const QList<tovi::AppcastItem>& items = parsed.value();
    for (const tovi::AppcastItem& item : items) {
        if (item.build.isEmpty() || !item.enclosureUrl.isValid() || item.enclosureUrl.host().isEmpty())
            std::abort();
        const QString scheme = item.releaseNotesLink.scheme().toLower();
        if (!item.releaseNotesLink.isEmpty() && scheme != u"http" && scheme != u"https")
            std::abort();
    }
    const auto newest = tovi::AppcastParser::newest(items);
    if (newest.has_value() == items.isEmpty())
        std::abort();
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (items[i].releaseVersion() > newest->releaseVersion())
            std::abort();
        if (i + 2 < items.size())
            checkOrder(items[i].releaseVersion(), items[i + 1].releaseVersion(),
                       items[i + 2].releaseVersion());
    }
    return 0;
}
