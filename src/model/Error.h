#pragma once

#include <QString>

namespace tovi {

// Every failure carries the text the user sees; callers put `description()` into one
// message field and never show codes.
struct Error {
    enum class Kind {
        CliFailed,     // the child ran and exited with a non-zero status
        CliNotFound,   // no tovi executable was found; nothing was started
        CliStopped,    // Tovi ended the child: it printed too much or ran past its time limit
        ProcessStart,  // the system refused to start the child
        Decode,        // output that does not decode into the expected record
        HistoryConfig, // a history setting that cannot be read
        Cancelled,     // a cooperative cancellation; reported nowhere
        Platform,      // a desktop service failed (autostart file, ...)
    };

    Kind kind = Kind::Platform;
    QString text;       // user-facing description
    int code = 0;       // CliFailed: termination status (exit code or signal number)
    QString stderrText; // CliFailed: standard error as UTF-8, untrimmed ("" when not UTF-8)
    QString key;        // HistoryConfig: the configuration key

    const QString& description() const { return text; }
    bool isCancelled() const { return kind == Kind::Cancelled; }

    static Error cliFailed(int code, const QString& stderrText);
    static Error cliNotFound();
    static Error processStart(const QString& systemMessage);
    static Error cliStopped(const QString& reason);
    static Error decode(const QString& message);
    static Error historyInvalidValue(const QString& key);
    static Error cancelled();
    static Error platform(const QString& message);
};

} // namespace tovi
