#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

namespace tovi::sim {

// The HTML and the install script served by the local web origin.
class WebPages {
public:
    static QByteArray installScript(const QString& executable);
    // "pending" shows the two buttons; any other state shows the outcome.
    static QByteArray approvalPage(const QString& token, const QString& profile, const QString& state);
    static QByteArray page(const QString& title, const QString& bodyHtml);
    static QString shellQuote(const QString& text);
};

} // namespace tovi::sim
