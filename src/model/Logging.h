#pragma once

#include <QLoggingCategory>
#include <QStringList>

// Quiet by default: only warnings are written, each once per change of state.
// QT_LOGGING_RULES="tovi.*.debug=true" turns on the rest.
Q_DECLARE_LOGGING_CATEGORY(lcCli)
Q_DECLARE_LOGGING_CATEGORY(lcStore)
Q_DECLARE_LOGGING_CATEGORY(lcPlatform)
Q_DECLARE_LOGGING_CATEGORY(lcUpdater)
Q_DECLARE_LOGGING_CATEGORY(lcWindow)

namespace tovi {

// A CLI command line as it may be written to the log: account commands carry credentials
// after their subcommand (the sign-in's claim token), so only the first two words stay.
QStringList loggableArguments(const QStringList& arguments);

// A text from outside (the CLI's standard error, a feed's notice) as one log line: control and
// format characters, line and paragraph separators and lone surrogates as \u{…} (backslashes
// doubled), so that no escape sequence reaches a terminal or the journal and no line is forged.
QString loggableText(const QString& text);

} // namespace tovi
