#include "model/Logging.h"

Q_LOGGING_CATEGORY(lcCli, "tovi.cli", QtWarningMsg)
Q_LOGGING_CATEGORY(lcStore, "tovi.store", QtWarningMsg)
Q_LOGGING_CATEGORY(lcPlatform, "tovi.platform", QtWarningMsg)
Q_LOGGING_CATEGORY(lcUpdater, "tovi.updater", QtWarningMsg)
Q_LOGGING_CATEGORY(lcWindow, "tovi.window", QtWarningMsg)

namespace tovi {

QStringList loggableArguments(const QStringList& arguments) {
    if (arguments.isEmpty() || arguments.front() != QLatin1String("account") || arguments.size() <= 2)
        return arguments;
    QStringList kept = arguments.mid(0, 2);
    kept.append(QStringLiteral("…"));
    return kept;
}

QString loggableText(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            const char32_t ucs4 = QChar::surrogateToUcs4(c, text.at(i + 1));
            if (QChar::category(ucs4) == QChar::Other_Format) {
                out += QStringLiteral("\\u{%1}").arg(uint(ucs4), 0, 16);
            } else {
                out += c;
                out += text.at(i + 1);
            }
            ++i;
            continue;
        }
        if (c == u'\\') {
            out += QStringLiteral("\\\\");
            continue;
        }
        switch (c.category()) {
        case QChar::Other_Control:
        case QChar::Other_Format:
        case QChar::Other_Surrogate:
        case QChar::Separator_Line:
        case QChar::Separator_Paragraph:
            out += QStringLiteral("\\u{%1}").arg(uint(c.unicode()), 0, 16);
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace tovi
