#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>

namespace tovi {

// What the command line asks for. Read before any application object exists, so that
// --help, --version and a mistyped option need no display. Qt's own options (-platform,
// -display, -style, …) are accepted here and left for QApplication to act on.
class CommandLine {
    Q_DECLARE_TR_FUNCTIONS(CommandLine)

public:
    enum class Action {
        run,        // start, or bring the running copy forward
        show,       // as run, and open the window even when this copy starts fresh
        quit,       // ask the running copy to quit
        help,       // print the help on standard output
        version,    // print the version on standard output
        usageError, // print errorText() and the usage line on standard error; exit status 2
    };

    static CommandLine parse(const QStringList& arguments);
    static QStringList arguments(int argc, char** argv);

    Action action() const { return m_action; }
    // Why the command line was refused, e.g. "Unknown option 'x'."
    QString errorText() const { return m_errorText; }

    static QString helpText();
    static QString versionText();
    static QString usageLine();

private:
    Action m_action = Action::run;
    QString m_errorText;
};

} // namespace tovi
