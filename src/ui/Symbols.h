#pragma once

#include <QString>

namespace tovi {

// Symbol names used across the window, mapped to glyphs of the Material Icons font that
// the window draws them with.
class Symbols {
public:
    // The glyph (one code point) for a symbol name; an unknown name gets the placeholder
    // glyph of "square.dashed".
    static QString glyph(const QString& symbolName);
    static bool isKnown(const QString& symbolName);
    // The font family of the glyphs, once the font is registered with the application.
    static QString fontFamily();
    // Registers the bundled font (idempotent); false when it cannot be loaded.
    static bool registerFont();
};

} // namespace tovi
