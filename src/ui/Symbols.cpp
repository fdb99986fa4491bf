#include "ui/Symbols.h"

#include <QFile>
#include <QFontDatabase>
#include <QHash>

namespace tovi {

namespace {

// Material Icons code points (MaterialIcons-Regular.ttf, checked against its ligature table).
const QHash<QString, char16_t>& table() {
    static const QHash<QString, char16_t> symbols = {
        {QStringLiteral("ellipsis.circle"), 0xef64},                         // pending
        {QStringLiteral("checkmark"), 0xe5ca},                               // check
        {QStringLiteral("bell"), 0xe7f5},                                    // notifications_none
        {QStringLiteral("bell.badge.fill"), 0xe7f7},                         // notifications_active
        {QStringLiteral("magnifyingglass"), 0xe8b6},                         // search
        {QStringLiteral("xmark.circle.fill"), 0xe5c9},                       // cancel
        {QStringLiteral("xmark"), 0xe5cd},                                   // close
        {QStringLiteral("exclamationmark.triangle.fill"), 0xe002},           // warning
        {QStringLiteral("exclamationmark.triangle"), 0xf083},                // warning_amber
        {QStringLiteral("arrow.up.circle"), 0xf182},                         // arrow_circle_up
        {QStringLiteral("arrow.triangle.2.circlepath"), 0xe627},             // sync
        {QStringLiteral("terminal"), 0xeb8e},                                // terminal
        {QStringLiteral("chevron.left.forwardslash.chevron.right"), 0xe86f}, // code
        {QStringLiteral("display"), 0xe30c},                                 // desktop_windows
        {QStringLiteral("text.bubble"), 0xe0b7},                             // chat
        {QStringLiteral("globe"), 0xe80b},                                   // public
        {QStringLiteral("server.rack"), 0xe875},                             // dns
        {QStringLiteral("square.stack.3d.up"), 0xe53b},                      // layers
        {QStringLiteral("bolt"), 0xea0b},                                    // bolt
        {QStringLiteral("cube"), 0xe9fe},                                    // view_in_ar
        {QStringLiteral("video"), 0xe04b},                                   // videocam
        {QStringLiteral("hammer"), 0xf10b},                                  // handyman
        {QStringLiteral("folder"), 0xe2c7},                                  // folder
        {QStringLiteral("cpu"), 0xe322},                                     // memory
        {QStringLiteral("square.dashed"), 0xe3c2},                           // crop_free
    };
    return symbols;
}

constexpr char16_t placeholder = 0xe3c2;

QString& registeredFamily() {
    static QString family;
    return family;
}

} // namespace

QString Symbols::glyph(const QString& symbolName) {
    return QString(QChar(table().value(symbolName, placeholder)));
}

bool Symbols::isKnown(const QString& symbolName) {
    return table().contains(symbolName);
}

QString Symbols::fontFamily() {
    registerFont();
    const QString& family = registeredFamily();
    return family.isEmpty() ? QStringLiteral("Material Icons") : family;
}

bool Symbols::registerFont() {
    QString& family = registeredFamily();
    if (!family.isEmpty())
        return true;
    // The bundled copy first; the distribution's package as a fallback for development trees.
    const QString candidates[] = {
        QStringLiteral(":/fonts/MaterialIcons-Regular.ttf"),
        QStringLiteral("/usr/share/fonts/truetype/material-design-icons-iconfont/MaterialIcons-Regular.ttf"),
    };
    for (const QString& path : candidates) {
        if (!QFile::exists(path))
            continue;
        const int id = QFontDatabase::addApplicationFont(path);
        if (id < 0)
            continue;
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        if (!families.isEmpty()) {
            family = families.first();
            return true;
        }
    }
    return false;
}

} // namespace tovi
