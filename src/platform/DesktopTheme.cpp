#include "platform/DesktopTheme.h"

#include <QHash>
#include <QList>
#include <QRegularExpression>

#include <cstdint>

namespace tovi::DesktopTheme {

namespace {

using Groups = QHash<QByteArray, QHash<QByteArray, QByteArray>>;

// KConfig's format, as far as colours need it: "[Group]" (nested groups as "[A][B]"), "key=value",
// '#' comments; a key's "[$e]"-style flags are not part of its name.
Groups parseKConfig(const QByteArray& text) {
    Groups groups;
    QByteArray group;
    for (const QByteArray& raw : text.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        if (line.startsWith('[')) {
            group = line;
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0)
            continue;
        QByteArray key = line.left(eq).trimmed();
        if (const qsizetype flags = key.indexOf("[$"); flags > 0)
            key.truncate(flags);
        groups[group].insert(key, line.mid(eq + 1).trimmed());
    }
    return groups;
}

// Plasma's own defaults, Breeze Light's colours: what KDE programs draw in for every key the
// file does not set (a new user's kdeglobals names none).
struct DefaultColour {
    const char* set;
    const char* key;
    QRgb colour;
};
constexpr DefaultColour breezeLight[] = {
    {"Window", "BackgroundNormal", 0xeff0f1},   {"Window", "ForegroundNormal", 0x232629},
    {"Window", "ForegroundInactive", 0x707d8a}, {"Button", "BackgroundNormal", 0xfcfcfc},
    {"Button", "ForegroundNormal", 0x232629},   {"Button", "ForegroundInactive", 0x707d8a},
    {"View", "BackgroundNormal", 0xffffff},     {"View", "BackgroundAlternate", 0xf7f7f7},
    {"View", "ForegroundNormal", 0x232629},     {"View", "ForegroundInactive", 0x707d8a},
    {"View", "ForegroundLink", 0x2980b9},       {"View", "ForegroundVisited", 0x9b59b6},
    {"Selection", "BackgroundNormal", 0x3daee9}, {"Selection", "ForegroundNormal", 0xffffff},
    {"Tooltip", "BackgroundNormal", 0xf7f7f7},  {"Tooltip", "ForegroundNormal", 0x232629},
};

// "r,g,b" (KConfig's colour); a missing or malformed value is Plasma's default, as KDE programs
// read it.
QColor kdeColor(const Groups& groups, const char* set, const char* key) {
    const QByteArray value = groups.value(QByteArray("[Colors:") + set + ']').value(key);
    const QList<QByteArray> parts = value.split(',');
    if (parts.size() == 3 || parts.size() == 4) {
        int rgb[3];
        bool valid = true;
        for (int i = 0; i < 3 && valid; ++i) {
            rgb[i] = parts[i].trimmed().toInt(&valid);
            valid = valid && rgb[i] >= 0 && rgb[i] <= 255;
        }
        if (valid)
            return QColor(rgb[0], rgb[1], rgb[2]);
    }
    for (const DefaultColour& fallback : breezeLight)
        if (qstrcmp(fallback.set, set) == 0 && qstrcmp(fallback.key, key) == 0)
            return QColor::fromRgb(fallback.colour);
    return {};
}

} // namespace

QPalette kdePalette(const QByteArray& kdeglobals) {
    const Groups groups = parseKConfig(kdeglobals);
    const QColor button = kdeColor(groups, "Button", "BackgroundNormal");
    QPalette palette(button, kdeColor(groups, "Window", "BackgroundNormal"));
    const auto set = [&](QPalette::ColorRole role, const char* colours, const char* key,
                         QPalette::ColorGroup group = QPalette::All) {
        palette.setColor(group, role, kdeColor(groups, colours, key));
    };
    set(QPalette::WindowText, "Window", "ForegroundNormal");
    set(QPalette::ButtonText, "Button", "ForegroundNormal");
    set(QPalette::Base, "View", "BackgroundNormal");
    set(QPalette::AlternateBase, "View", "BackgroundAlternate");
    set(QPalette::Text, "View", "ForegroundNormal");
    set(QPalette::PlaceholderText, "View", "ForegroundInactive");
    set(QPalette::Highlight, "Selection", "BackgroundNormal");
    set(QPalette::HighlightedText, "Selection", "ForegroundNormal");
    set(QPalette::Link, "View", "ForegroundLink");
    set(QPalette::LinkVisited, "View", "ForegroundVisited");
    set(QPalette::ToolTipBase, "Tooltip", "BackgroundNormal");
    set(QPalette::ToolTipText, "Tooltip", "ForegroundNormal");
    // Plasma derives its greyed colours from effects on the normal ones; its "inactive" text is
    // the readable muted tone it uses for the same purpose.
    set(QPalette::WindowText, "Window", "ForegroundInactive", QPalette::Disabled);
    set(QPalette::ButtonText, "Button", "ForegroundInactive", QPalette::Disabled);
    set(QPalette::Text, "View", "ForegroundInactive", QPalette::Disabled);
    // Lines and bevels from the button face as Qt's own reading of kdeglobals makes them: on a
    // dark face "light" is darker, so that the etched shadow of greyed text (native menus) sinks
    // into the background instead of doubling the text.
    const bool lightFace = button.value() > 128;
    palette.setColor(QPalette::Light, button.lighter(lightFace ? 200 : 50));
    palette.setColor(QPalette::Midlight, button.lighter(lightFace ? 150 : 75));
    palette.setColor(QPalette::Mid, button.darker(lightFace ? 150 : 75));
    palette.setColor(QPalette::Dark, button.darker(lightFace ? 200 : 50));
    palette.setColor(QPalette::Shadow, Qt::black);
    return palette;
}

bool gtkThemeIsDark(const QString& themeName) {
    static const QRegularExpression separators(QStringLiteral("[-_ .:]"));
    const QStringList words = themeName.split(separators, Qt::SkipEmptyParts);
    for (const QString& word : words)
        if (word.compare(u"dark", Qt::CaseInsensitive) == 0)
            return true;
    // GNOME's high-contrast theme in its light-on-dark form.
    return themeName.compare(u"HighContrastInverse", Qt::CaseInsensitive) == 0;
}

std::optional<QString> xsettingsString(const QByteArray& data, const QByteArray& name) {
    // The layout of the freedesktop XSETTINGS specification: a header (byte order, serial,
    // count), then each setting as type, name, serial and a value of the type's shape, every
    // part padded to four bytes, all in the byte order the header states.
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.constData());
    const qsizetype size = data.size();
    if (size < 12)
        return std::nullopt;
    const bool msbFirst = bytes[0] == 1;
    const auto card16 = [&](qsizetype at) -> uint32_t {
        return msbFirst ? (bytes[at] << 8 | bytes[at + 1]) : (bytes[at + 1] << 8 | bytes[at]);
    };
    const auto card32 = [&](qsizetype at) -> uint32_t {
        return msbFirst ? (uint32_t(card16(at)) << 16 | card16(at + 2)) : (uint32_t(card16(at + 2)) << 16 | card16(at));
    };
    const auto padded = [](uint32_t n) { return (qsizetype(n) + 3) & ~qsizetype(3); };
    const uint32_t count = card32(8);
    qsizetype at = 12;
    for (uint32_t i = 0; i < count; ++i) {
        if (at + 4 > size)
            return std::nullopt;
        const unsigned type = bytes[at];
        const uint32_t nameLength = card16(at + 2);
        const qsizetype nameAt = at + 4;
        at = nameAt + padded(nameLength) + 4; // past the name and the setting's serial
        if (at > size)
            return std::nullopt;
        const QByteArray settingName = data.mid(nameAt, nameLength);
        switch (type) {
        case 0: // an integer
            at += 4;
            break;
        case 1: { // a string
            if (at + 4 > size)
                return std::nullopt;
            const uint32_t length = card32(at);
            if (length > uint32_t(size - at - 4))
                return std::nullopt;
            if (settingName == name)
                return QString::fromUtf8(data.mid(at + 4, length));
            at += 4 + padded(length);
            break;
        }
        case 2: // a colour: four 16-bit channels
            at += 8;
            break;
        default:
            return std::nullopt; // an unknown type: its size is unknown, so is everything after it
        }
        if (at > size)
            return std::nullopt;
    }
    return std::nullopt;
}

} // namespace tovi::DesktopTheme
