#pragma once

#include <QLatin1String>

namespace tovi {

// One value Tovi keeps in its settings file: the key as the file spells it, its type, and
// what it reads as while the file has no usable value for it.
template <typename T>
struct Setting {
    QLatin1String key;
    T fallback;
};

// Every key of the settings file, in one place. The names are the file's and stay as they
// are: users' files from every earlier version must keep their choices.
namespace settings {

inline constexpr Setting<bool> keepAwake{QLatin1String("keepAwake"), false};
// The app's and the CLI's automatic updates share one switch; this is the CLI's half.
inline constexpr Setting<bool> autoUpdateCLI{QLatin1String("autoUpdateCLI"), true};
inline constexpr Setting<bool> notifications{QLatin1String("notifications"), true};
inline constexpr Setting<bool> historySync{QLatin1String("historySync"), false};
// Set once Tovi has put itself into the login items, so that a user's removal stays.
inline constexpr Setting<bool> didRegisterLoginItem{QLatin1String("didRegisterLoginItem"), false};
// Seconds since the epoch; 0 while it never happened.
inline constexpr Setting<double> lastCliUpdate{QLatin1String("lastCliUpdate"), 0};

// The updater's own group.
inline constexpr Setting<bool> automaticallyChecksForUpdates{
    QLatin1String("updater/automaticallyChecksForUpdates"), true};
inline constexpr Setting<bool> automaticallyDownloadsUpdates{
    QLatin1String("updater/automaticallyDownloadsUpdates"), false};
inline constexpr Setting<double> lastUpdateCheck{QLatin1String("updater/lastCheckTime"), 0};

} // namespace settings

} // namespace tovi
