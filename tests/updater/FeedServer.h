#pragma once

#include <QByteArray>
#include <QHash>
#include <QTcpServer>
#include <QUrl>

namespace tovi::test {

// A loopback HTTP server answering fixed responses by path, enough for QNetworkAccessManager.
class FeedServer : public QObject {
    Q_OBJECT
public:
    struct Response {
        int status = 200;
        QByteArray body;
        QByteArray contentType = "application/octet-stream";
        QByteArray location; // for redirects
    };

    FeedServer();

    void serve(const QString& path, Response response);
    void serve(const QString& path, const QByteArray& body,
               const QByteArray& contentType = "application/rss+xml");
    QUrl url(const QString& path) const;
    int requestCount(const QString& path) const { return m_counts.value(path); }

private:
    void onConnection();

    QTcpServer m_server;
    QHash<QString, Response> m_routes;
    QHash<QString, int> m_counts;
};

} // namespace tovi::test
