#pragma once

#include <QByteArray>
#include <QPalette>
#include <QString>

#include <optional>

namespace tovi {

// What the desktop's own settings say about the look, read the way the desktop writes them.
namespace DesktopTheme {

// The palette of the Plasma colour scheme kdeglobals holds ([Colors:Window] and its siblings),
// every colour it does not name (or names wrongly) Plasma's default.
QPalette kdePalette(const QByteArray& kdeglobals);

// A GTK theme's name marks its dark variant ("Adwaita-dark", "Arc-Dark", "Materia-dark-compact").
bool gtkThemeIsDark(const QString& themeName);

// One string setting (e.g. "Net/ThemeName") of an XSETTINGS property's value; none when it is
// absent, of another type or the data is cut short.
std::optional<QString> xsettingsString(const QByteArray& data, const QByteArray& name);

} // namespace DesktopTheme

} // namespace tovi
