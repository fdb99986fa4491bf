#pragma once

#include <QVariantMap>

class QObject;
class QUrl;
class QWindow;

namespace tovi {

// Qt Quick and the compiled QML of the window live in a module of their own that is loaded on
// the first open: a tray application that is never opened does not map, relocate and keep
// resident several megabytes of Qt Quick, Qt QML and Qt Quick Controls.
//
// The module's entry point builds a QML engine as a child of `owner`, loads `source` with
// `properties` as the root's initial properties and returns the root window, or nullptr (the
// engine is gone again) when the QML did not load.
using CreateWindowFunction = QWindow* (*)(QObject* owner, const QVariantMap& properties, const QUrl& source);

inline constexpr char kWindowModuleName[] = "tovi-window.so";
inline constexpr char kCreateWindowSymbol[] = "tovi_create_window";

} // namespace tovi
