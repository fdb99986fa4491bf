#pragma once

#include <QLoggingCategory>
#include <QStringList>

namespace tovi::test {

// Everything Tovi's own categories write to the log while it lives, debug lines included, as
// "category level: text"; one capture at a time.
class LogCapture {
public:
    LogCapture() {
        lines().clear();
        QLoggingCategory::setFilterRules(QStringLiteral("tovi.*.debug=true"));
        previous() = qInstallMessageHandler(&LogCapture::handle);
    }
    ~LogCapture() {
        qInstallMessageHandler(previous());
        QLoggingCategory::setFilterRules(QString());
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    QStringList all() const { return lines(); }
    QStringList warnings() const { return lines().filter(QStringLiteral(" warning: ")); }

private:
    static QStringList& lines() {
        static QStringList captured;
        return captured;
    }
    static QtMessageHandler& previous() {
        static QtMessageHandler handler = nullptr;
        return handler;
    }
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (!context.category || !QByteArrayView(context.category).startsWith("tovi.")) {
            if (previous())
                previous()(type, context, text);
            return;
        }
        const char* level = type == QtDebugMsg ? "debug" : type == QtInfoMsg ? "info" : "warning";
        lines() << QLatin1String(context.category) + u' ' + QLatin1String(level) + QStringLiteral(": ") +
                       text;
    }
};

} // namespace tovi::test
