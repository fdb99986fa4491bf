#pragma once

#include <QString>
#include <QUrl>

#include <optional>

namespace tovi {

// The one rule for an address Tovi hands to the browser or to curl when it came from
// outside (the CLI's approval page, the configured origin): http or https with a host.
// Anything else (file:, javascript:, mailto:, a bare word, a leading "-") is refused.
bool isWebAddress(const QUrl& url);
bool isWebAddress(const QString& text);

// The origin in use and, when the configured one was refused, why (said once to the user).
struct WebOriginChoice {
    QString origin;
    std::optional<QString> problem;
};

// `configured` (empty: TOVI_WEB_ORIGIN, or when that is unset or empty the origin compiled
// into this build) when it is a web address without query or fragment, else the built-in
// origin. Trailing slashes are dropped so that appending "/path" never doubles them.
WebOriginChoice chooseWebOrigin(const QString& configured = QString());

// The origin chooseWebOrigin() settles on for the environment.
QString serviceWebOrigin();

// An identifier from the CLI as exactly one path segment of a page address: every character
// but the unreserved ones percent-encoded, so "/", "?", "#" and "%" stay inside it. Empty, "."
// and ".." have no such form (browsers resolve an encoded dot segment too): none.
std::optional<QString> webPathSegment(const QString& identifier);

// Drops the trailing slashes of an origin so that appending "/path" never doubles them.
QString normalizedWebOrigin(QString origin);

} // namespace tovi
