#pragma once

#include <QByteArray>
#include <QPalette>
#include <QString>

#include <optional>

namespace tovi {

// What the desktop's own settings say about the look, read the way the desktop writes them.
namespace DesktopTheme {

// The palette of a Plasma colour scheme as kdeglobals holds it ([Colors:Window] and its
// siblings); none when the file names no window and button colours (a desktop that never
// chose a scheme, or not Plasma's file at all).
std::optional<QPalette> kdePalette(const QByteArray& kdeglobals);

// A GTK theme's name marks its dark variant ("Adwaita-dark", "Arc-Dark", "Materia-dark-compact").
bool gtkThemeIsDark(const QString& themeName);

// One string setting (e.g. "Net/ThemeName") of an XSETTINGS property's value; none when it is
// absent, of another type or the data is cut short.
std::optional<QString> xsettingsString(const QByteArray& data, const QByteArray& name);

} // namespace DesktopTheme

} // namespace tovi
