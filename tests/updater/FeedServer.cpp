#include "FeedServer.h"

#include <QTcpSocket>

namespace tovi::test {

FeedServer::FeedServer() {
    m_server.listen(QHostAddress::LocalHost);
    connect(&m_server, &QTcpServer::newConnection, this, &FeedServer::onConnection);
}

void FeedServer::serve(const QString& path, Response response) {
    m_routes.insert(path, std::move(response));
}

void FeedServer::serve(const QString& path, const QByteArray& body, const QByteArray& contentType) {
    serve(path, Response{200, body, contentType, {}});
}

QUrl FeedServer::url(const QString& path) const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
}

void FeedServer::onConnection() {
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket]() {
            const QByteArray head = socket->peek(64 * 1024);
            if (!head.contains("\r\n\r\n"))
                return;
            socket->readAll();
            const QList<QByteArray> requestLine = head.left(head.indexOf("\r\n")).split(' ');
            const QString path = requestLine.size() > 1 ? QString::fromLatin1(requestLine[1]) : QString();
            m_counts[path] += 1;
            const Response response = m_routes.value(path, Response{404, "not here", "text/plain", {}});
            QByteArray reply = "HTTP/1.1 " + QByteArray::number(response.status) + " Whatever\r\n";
            reply += "Content-Type: " + response.contentType + "\r\n";
            reply += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
            if (!response.location.isEmpty())
                reply += "Location: " + response.location + "\r\n";
            reply += "Connection: close\r\n\r\n" + response.body;
            socket->write(reply);
            socket->disconnectFromHost();
        });
    }
}

} // namespace tovi::test
