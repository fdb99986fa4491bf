#include "ui/ShownText.h"

namespace tovi {

namespace {

constexpr qsizetype kLineLimit = 300;
constexpr qsizetype kMessageLimit = 1000;

QString bounded(const QString& text, qsizetype limit) {
    if (text.size() <= limit)
        return text;
    qsizetype cut = limit;
    // Never half a character: a lone surrogate would be drawn as a replacement box.
    if (text.at(cut - 1).isHighSurrogate())
        --cut;
    return text.left(cut) + QChar(0x2026);
}

} // namespace

QString shownLine(const QString& text) {
    return bounded(text, kLineLimit);
}

QString shownMessage(const QString& text) {
    return bounded(text, kMessageLimit);
}

} // namespace tovi
