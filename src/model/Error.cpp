#include "model/Error.h"

#include <QCoreApplication>

namespace tovi {

Error Error::cliFailed(int code, const QString& stderrText)
{
    Error e;
    e.kind = Kind::CliFailed;
    e.code = code;
    e.stderrText = stderrText;
    e.text = QCoreApplication::translate("Error", "tovi exited with code %1").arg(code);
    // The text goes into a banner. A CLI that floods its standard error (a log, a dump)
    // would otherwise hand the window megabytes to lay out; the start says what went wrong.
    constexpr qsizetype maxShown = 1000;
    const QString trimmed = stderrText.trimmed();
    if (trimmed.size() > maxShown) {
        QString shown = trimmed.left(maxShown);
        if (shown.back().isHighSurrogate())
            shown.chop(1);
        e.text += QStringLiteral(": ") + shown.trimmed() + QChar(0x2026);
    } else if (!trimmed.isEmpty()) {
        e.text += QStringLiteral(": ") + trimmed;
    }
    return e;
}

Error Error::cliNotFound()
{
    Error e;
    e.kind = Kind::CliNotFound;
    e.text = QCoreApplication::translate("Error", "Couldn't find the tovi CLI.");
    return e;
}

Error Error::processStart(const QString& systemMessage)
{
    Error e;
    e.kind = Kind::ProcessStart;
    e.text = systemMessage;
    return e;
}

Error Error::cliStopped(const QString& reason)
{
    Error e;
    e.kind = Kind::CliStopped;
    e.text = reason;
    return e;
}

Error Error::decode(const QString& message)
{
    Error e;
    e.kind = Kind::Decode;
    e.text = message;
    return e;
}

Error Error::historyInvalidValue(const QString& key)
{
    Error e;
    e.kind = Kind::HistoryConfig;
    e.key = key;
    e.text = QCoreApplication::translate("Error", "Couldn't read the tovi history setting for %1.").arg(key);
    return e;
}

Error Error::cancelled()
{
    Error e;
    e.kind = Kind::Cancelled;
    return e;
}

Error Error::platform(const QString& message)
{
    Error e;
    e.kind = Kind::Platform;
    e.text = message;
    return e;
}

} // namespace tovi
