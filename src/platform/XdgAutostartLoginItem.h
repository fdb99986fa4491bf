#pragma once

#include "platform/LoginItem.h"

#include <QString>

namespace tovi {

// "Start at login" as an XDG autostart entry, $XDG_CONFIG_HOME/autostart/<app id>.desktop.
class XdgAutostartLoginItem : public LoginItem {
public:
    // The user's config directory and the running executable (or its AppImage).
    XdgAutostartLoginItem();
    XdgAutostartLoginItem(QString configDir, QString executablePath);

    bool isEnabled() const override;
    Status setEnabled(bool enabled) override;
    std::optional<QString> notice() const override { return m_notice; }

    QString entryPath() const;
    // The desktop entry written when enabling.
    QByteArray entryContents() const;

    static QString defaultConfigDir();
    static QString defaultExecutablePath();
    // One argument of an Exec line, quoted when it needs to be.
    static QString quoteExecArgument(const QString& argument);
    // The Exec value (before the value's own escapes) that starts exactly `executable`.
    static QString execLine(const QString& executable);

private:
    QString m_configDir;
    QString m_executablePath;
    mutable std::optional<QString> m_notice;
};

} // namespace tovi
