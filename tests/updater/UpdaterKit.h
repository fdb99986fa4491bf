#pragma once

#include <QHash>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

#include <openssl/evp.h>

#include <memory>

namespace tovi::test {

// A feed document around `items`, as the release pipeline writes it.
inline QByteArray appcast(const QByteArray& items) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<rss version=\"2.0\" "
           "xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\">\n<channel><title>Tovi</"
           "title>\n" +
           items + "</channel></rss>\n";
}

// A loopback HTTP server answering fixed responses by path, enough for QNetworkAccessManager.
class FeedServer : public QObject {
public:
    struct Response {
        int status = 200;
        QByteArray body;
        QByteArray location; // for redirects
    };
    FeedServer() {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { answer(socket); });
            }
        });
    }
    void serve(const QString& path, Response response) { m_routes.insert(path, std::move(response)); }
    QUrl url(const QString& path) const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
    }
    int requestCount(const QString& path) const { return m_counts.value(path); }

private:
    void answer(QTcpSocket* socket) {
        const QByteArray head = socket->peek(64 * 1024);
        if (!head.contains("\r\n\r\n"))
            return;
        socket->readAll();
        const QString path = QString::fromLatin1(head.left(head.indexOf("\r\n")).split(' ').value(1));
        m_counts[path] += 1;
        const Response r = m_routes.value(path, Response{404, "not here", {}});
        socket->write("HTTP/1.1 " + QByteArray::number(r.status) +
                      " Whatever\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
                      QByteArray::number(r.body.size()) + "\r\n" +
                      (r.location.isEmpty() ? QByteArray() : "Location: " + r.location + "\r\n") +
                      "Connection: close\r\n\r\n" + r.body);
        socket->disconnectFromHost();
    }
    QTcpServer m_server;
    QHash<QString, Response> m_routes;
    QHash<QString, int> m_counts;
};

// A throwaway Ed25519 key pair, made fresh for each test run.
struct TestKeys {
    QByteArray publicKeyBase64() const {
        QByteArray raw(32, '\0');
        size_t size = 32;
        EVP_PKEY_get_raw_public_key(m_key.get(), reinterpret_cast<unsigned char*>(raw.data()), &size);
        return raw.toBase64();
    }
    QByteArray signBase64(const QByteArray& data) const {
        QByteArray signature(64, '\0');
        size_t size = 64;
        const std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
        EVP_DigestSignInit(ctx.get(), nullptr, nullptr, nullptr, m_key.get());
        EVP_DigestSign(ctx.get(), reinterpret_cast<unsigned char*>(signature.data()), &size,
                       reinterpret_cast<const unsigned char*>(data.constData()), size_t(data.size()));
        return signature.toBase64();
    }
    const std::unique_ptr<EVP_PKEY, void (*)(EVP_PKEY*)> m_key{EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519"),
                                                               EVP_PKEY_free};
};

} // namespace tovi::test
