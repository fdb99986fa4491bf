#include "WebPages.h"

using namespace Qt::StringLiterals;

namespace tovi::sim {

QString WebPages::shellQuote(const QString& text) {
    QString quoted = text;
    quoted.replace(u"'"_s, u"'\\''"_s);
    return u'\'' + quoted + u'\'';
}

QByteArray WebPages::installScript(const QString& executable) {
    // Copy next to the target and rename into place: overwriting a running executable in
    // place fails with "text file busy".
    return (u"#!/usr/bin/env bash\n"
            "# Installs the tovi CLI for the current user.\n"
            "set -euo pipefail\n"
            "src="_s +
            shellQuote(executable) +
            u"\n"
            "dest=\"${HOME}/.local/bin\"\n"
            "mkdir -p \"$dest\"\n"
            "tmp=\"$dest/.tovi.install.$$\"\n"
            "trap 'rm -f \"$tmp\"' EXIT\n"
            "cp \"$src\" \"$tmp\"\n"
            "chmod 755 \"$tmp\"\n"
            "mv -f \"$tmp\" \"$dest/tovi\"\n"
            "trap - EXIT\n"
            "echo \"tovi installed to $dest/tovi\"\n"_s)
        .toUtf8();
}

QByteArray WebPages::page(const QString& title, const QString& bodyHtml) {
    return (u"<!doctype html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>"_s +
            title.toHtmlEscaped() +
            u" · Tovi</title>\n<style>body{font-family:system-ui,sans-serif;max-width:36rem;margin:4rem auto;"
            "padding:0 1rem;color:#222}button{font-size:1rem;padding:.5rem 1.2rem;margin-right:.6rem}"
            ".approve{background:#2a7;color:#fff;border:0;border-radius:6px}"
            ".reject{background:#eee;border:1px solid #ccc;border-radius:6px}</style></head>\n<body><h1>"_s +
            title.toHtmlEscaped() + u"</h1>\n"_s + bodyHtml + u"\n</body></html>\n"_s)
        .toUtf8();
}

QByteArray WebPages::approvalPage(const QString& token, const QString& profile, const QString& state) {
    const QString who = u"<p>Profile: <strong>"_s + profile.toHtmlEscaped() + u"</strong></p>"_s;
    if (state == u"pending"_s) {
        const QString base = u"/approve/"_s + token.toHtmlEscaped();
        return page(u"Sign in to Tovi"_s,
                    who +
                        u"<p>A Tovi app on this computer asks to sign in.</p>"
                        "<form method=\"post\" style=\"display:inline\" action=\""_s +
                        base +
                        u"/approve\"><button class=\"approve\" type=\"submit\">Approve</button></form>"
                        "<form method=\"post\" style=\"display:inline\" action=\""_s +
                        base +
                        u"/reject\"><button class=\"reject\" type=\"submit\">Reject</button></form>"_s);
    }
    QString message;
    if (state == u"approved"_s)
        message = u"Sign-in approved. You can close this tab and return to Tovi."_s;
    else if (state == u"rejected"_s)
        message = u"Sign-in rejected. Nothing was shared."_s;
    else if (state == u"expired"_s)
        message = u"This sign-in link has expired. Start again from Tovi."_s;
    else
        message = u"This sign-in link is no longer valid."_s;
    return page(u"Sign in to Tovi"_s, who + u"<p id=\"result\">"_s + message + u"</p>"_s);
}

} // namespace tovi::sim
