#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QPointer>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <optional>

// An HTTP/1.1 server on 127.0.0.1 for tests, serving bodies from memory by path over real
// sockets. Every response closes its connection. Paths not served get 404. Faults per path: a
// delay before the response, an error status, and a body cut short after the full length was
// announced. Main thread; lives as long as the test that made it.
class LocalHttpServer {
public:
    struct Response {
        Response(QByteArray b = {}, int s = 200, std::chrono::milliseconds d = {}, std::optional<qsizetype> cut = {})
            : body(std::move(b)), status(s), delay(d), truncateAfter(cut)
        {}
        QByteArray body;
        int status;
        std::chrono::milliseconds delay;
        std::optional<qsizetype> truncateAfter; // body bytes sent before the connection is closed
    };

    LocalHttpServer()
    {
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] { accept(); });
        m_server.listen(QHostAddress::LocalHost);
    }
    LocalHttpServer(const LocalHttpServer &) = delete;
    LocalHttpServer &operator=(const LocalHttpServer &) = delete;

    bool isListening() const { return m_server.isListening(); }
    QUrl url(const QString &path) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
    }

    void serve(const QString &path, Response response) { m_responses.insert(path, std::move(response)); }
    void serve(const QString &path, QByteArray body) { serve(path, Response{std::move(body)}); }
    void remove(const QString &path) { m_responses.remove(path); }
    int requestCount(const QString &path) const { return m_requests.value(path); }
    int totalRequests() const { return m_total; }

private:
    void accept()
    {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { read(socket); });
        }
    }

    void read(QTcpSocket *socket)
    {
        QByteArray &pending = m_pending[socket];
        pending += socket->readAll();
        const qsizetype headerEnd = pending.indexOf("\r\n\r\n");
        if (headerEnd < 0) {
            return;
        }
        // "GET /path?query HTTP/1.1"
        const QList<QByteArray> requestLine = pending.left(pending.indexOf("\r\n")).split(' ');
        m_pending.remove(socket);
        QObject::disconnect(socket, &QTcpSocket::readyRead, nullptr, nullptr);
        const QString path = QUrl(QString::fromLatin1(requestLine.value(1))).path();
        ++m_requests[path];
        ++m_total;
        const Response response = m_responses.value(path, Response{"not found", 404});
        QPointer<QTcpSocket> target(socket);
        QTimer::singleShot(response.delay, socket, [target, response] {
            if (target) {
                respond(*target, response);
            }
        });
    }

    static void respond(QTcpSocket &socket, const Response &response)
    {
        const QByteArray reason = response.status == 200 ? "OK" : "Error";
        QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + reason + "\r\n";
        head += "Content-Type: application/octet-stream\r\n";
        head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
        head += "Connection: close\r\n\r\n";
        socket.write(head);
        socket.write(response.truncateAfter ? response.body.left(*response.truncateAfter) : response.body);
        socket.disconnectFromHost();
    }

    QTcpServer m_server;
    QHash<QString, Response> m_responses;
    QHash<QString, int> m_requests;
    QHash<QTcpSocket *, QByteArray> m_pending;
    int m_total = 0;
};
