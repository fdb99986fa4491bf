#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Every command line Tovi hands to the CLI, in one place, so that a flag is spelled once
// and the list of what Tovi runs can be read (and checked against the CLI) at a glance.
// Commands whose output is decoded ask for JSON.
namespace tovi::CLICommands {

QStringList status();
// Installs the CLI's latest version over the current one.
QStringList install();
// Installs the background service, restarting it when it runs.
QStringList installService();
// Starts a sign-in and returns at once with the approval address and claim token;
// without a profile the CLI signs into its default one.
QStringList login(const std::optional<QString>& profile);
// Waits until the sign-in behind `token` is approved, rejected or expired.
QStringList claim(const QString& token, const std::optional<QString>& profile);
QStringList profileList();
QStringList profileUse(const QString& name);
QStringList profileRemove(const QString& name);
QStringList me();
QStringList logout();
QStringList configGet(const QString& key);
QStringList configSet(const QString& key, const QString& value);

} // namespace tovi::CLICommands
