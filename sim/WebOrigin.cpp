#include "WebOrigin.h"

#include "Accounts.h"
#include "Claims.h"
#include "StatusCommand.h"
#include "WebPages.h"

#include <QCoreApplication>
#include <QFile>
#include <QHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponse>
#include <QJsonArray>
#include <QLocale>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace tovi::sim {

namespace {

int g_signalPipe[2] = {-1, -1};

void onStopSignal(int) {
    const char c = 1;
    [[maybe_unused]] const auto n = ::write(g_signalPipe[1], &c, 1);
}

using Status = QHttpServerResponse::StatusCode;

QHttpServerResponse html(const QByteArray& body, Status status = Status::Ok) {
    return QHttpServerResponse("text/html; charset=utf-8"_ba, body, status);
}

bool wantsHtml(const QHttpServerRequest& request) {
    return request.value("Accept"_ba).contains("text/html");
}

QHttpServerResponse decide(const StateDir& dir, const QString& token, bool approve,
                           const QHttpServerRequest& request) {
    QJsonObject claim;
    Claims::load(dir, token, claim);
    const QString profile = claim.value(u"profile"_s).toString();
    QString state;
    Status status = Status::Ok;
    switch (Claims::decide(dir, token, approve)) {
    case Claims::Decision::Done:
        state = approve ? u"approved"_s : u"rejected"_s;
        break;
    case Claims::Decision::Unknown:
        state = u"unknown"_s;
        status = Status::NotFound;
        break;
    case Claims::Decision::AlreadyDecided:
        state = claim.value(u"status"_s).toString();
        status = Status::Conflict;
        break;
    case Claims::Decision::Expired:
        state = u"expired"_s;
        status = Status::Gone;
        break;
    }
    if (wantsHtml(request))
        return html(WebPages::approvalPage(token, profile, state), status);
    return QHttpServerResponse("text/plain; charset=utf-8"_ba, state.toUtf8() + '\n', status);
}

QString money(qint64 micros) {
    return QLocale::c().toString(static_cast<double>(micros) / 1e6, 'f', 2);
}

QString row(const QString& label, const QString& value) {
    return u"<tr><th style=\"text-align:left;padding-right:1rem\">"_s + label.toHtmlEscaped() +
           u"</th><td>"_s + value.toHtmlEscaped() + u"</td></tr>"_s;
}

QByteArray statusPage(const StateDir& dir, const QString& which) {
    QString error;
    const QJsonObject s = StatusCommand::snapshot(dir, QDateTime::currentDateTimeUtc(), &error);
    if (!error.isEmpty())
        return WebPages::page(u"Unavailable"_s, u"<p>"_s + error.toHtmlEscaped() + u"</p>"_s);
    QString body = u"<table>"_s;
    if (which == u"usage"_s) {
        const QJsonObject u = s.value(u"usage"_s).toObject();
        body += row(u"Window"_s, QString::number(u.value(u"window_hours"_s).toInteger()) + u" hours"_s);
        body += row(u"Cost"_s, money(u.value(u"cost_micros"_s).toInteger()) + u" credits"_s);
        body += row(u"Requests"_s, QString::number(u.value(u"request_count"_s).toInteger()));
        body += u"</table>"_s;
        return WebPages::page(u"Usage"_s, body);
    }
    if (which == u"credits"_s) {
        const QJsonObject c = s.value(u"credits"_s).toObject();
        body += row(u"Balance"_s, money(c.value(u"credits_micros"_s).toInteger()) + u" credits"_s);
        body += row(u"Updated"_s, c.value(u"updated"_s).toString());
        body += u"</table>"_s;
        return WebPages::page(u"Credits"_s, body);
    }
    for (const QJsonValue& n : s.value(u"spaces"_s).toObject().value(u"nodes"_s).toArray()) {
        const QJsonObject node = n.toObject();
        body += row(node.value(u"name"_s).toString(),
                    (node.value(u"online"_s).toBool() ? u"online, "_s : u"offline, "_s) +
                        QString::number(node.value(u"spaces"_s).toArray().size()) + u" spaces"_s);
    }
    body += u"</table>"_s;
    return WebPages::page(u"Nodes"_s, body);
}

} // namespace

int WebOrigin::serve(const StateDir& dir, quint16 port) {
    QHttpServer server;
    const QString executable = QCoreApplication::applicationFilePath();

    server.route(u"/"_s, QHttpServerRequest::Method::Get, [] {
        return html(WebPages::page(
            u"Tovi"_s,
            u"<ul><li><a href=\"/usage\">Usage</a></li><li><a href=\"/credits\">Credits</a></li>"
            "<li><a href=\"/nodes\">Nodes</a></li><li><a href=\"/install.sh\">install.sh</a></li></ul>"_s));
    });
    server.route(u"/install.sh"_s, QHttpServerRequest::Method::Get, [executable] {
        return QHttpServerResponse("text/x-shellscript; charset=utf-8"_ba,
                                   WebPages::installScript(executable));
    });
    server.route(u"/approve/<arg>"_s, QHttpServerRequest::Method::Get, [dir](const QString& token) {
        QJsonObject claim;
        if (Claims::load(dir, token, claim) != StateDir::Read::Ok)
            return html(WebPages::approvalPage(token, QString(), u"unknown"_s), Status::NotFound);
        QString state = claim.value(u"status"_s).toString();
        if (state == u"pending"_s && Claims::expired(claim, QDateTime::currentDateTimeUtc()))
            state = u"expired"_s;
        return html(WebPages::approvalPage(token, claim.value(u"profile"_s).toString(), state));
    });
    server.route(u"/approve/<arg>/approve"_s, QHttpServerRequest::Method::Post,
                 [dir](const QString& token, const QHttpServerRequest& request) {
                     return decide(dir, token, true, request);
                 });
    server.route(u"/approve/<arg>/reject"_s, QHttpServerRequest::Method::Post,
                 [dir](const QString& token, const QHttpServerRequest& request) {
                     return decide(dir, token, false, request);
                 });
    for (const QString& which : {u"usage"_s, u"credits"_s, u"nodes"_s}) {
        server.route(u"/"_s + which, QHttpServerRequest::Method::Get,
                     [dir, which] { return html(statusPage(dir, which)); });
    }
    server.route(u"/create-account"_s, QHttpServerRequest::Method::Get, [] {
        return html(
            WebPages::page(u"Create your Tovi account"_s,
                           u"<p>Account creation is not available on this local test site. Sign in with "
                           "one of the sample accounts instead.</p>"_s));
    });
    server.route(
        u"/team/<arg>/<arg>"_s, QHttpServerRequest::Method::Get,
        [dir](const QString& teamId, const QUrl& rest) {
            Accounts accounts;
            Accounts::load(dir, accounts, nullptr);
            for (const Accounts::Profile& p : accounts.profiles()) {
                if (p.signedIn && p.teamId == teamId) {
                    return html(WebPages::page(p.team, u"<p>Team page: <code>"_s +
                                                           rest.toString(QUrl::FullyDecoded).toHtmlEscaped() +
                                                           u"</code></p>"_s));
                }
            }
            return html(WebPages::page(u"Team not found"_s, u"<p>No team with that identifier.</p>"_s),
                        Status::NotFound);
        });

    const quint16 bound = server.listen(QHostAddress::LocalHost, port);
    if (bound == 0) {
        std::fprintf(stderr, "error: can't listen on 127.0.0.1:%u\n", unsigned(port));
        return 1;
    }
    const QString origin = u"http://127.0.0.1:"_s + QString::number(bound);
    dir.writeBytes(u"origin"_s, origin.toUtf8() + '\n', nullptr);
    std::fprintf(stdout, "%s\n", origin.toUtf8().constData());
    std::fflush(stdout);

    // Stop cleanly on SIGTERM/SIGINT so the origin file is taken back.
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) == 0) {
        struct sigaction sa = {};
        sa.sa_handler = onStopSignal;
        sigemptyset(&sa.sa_mask);
        ::sigaction(SIGTERM, &sa, nullptr);
        ::sigaction(SIGINT, &sa, nullptr);
    }
    QSocketNotifier notifier(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, qApp, &QCoreApplication::quit);
    const int code = QCoreApplication::exec();

    QFile originFile(dir.path(u"origin"_s));
    if (originFile.open(QIODevice::ReadOnly) && originFile.readAll().trimmed() == origin.toUtf8()) {
        originFile.close();
        originFile.remove();
    }
    return code;
}

} // namespace tovi::sim
