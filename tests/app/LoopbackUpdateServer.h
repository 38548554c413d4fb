#pragma once

// An update server for tests, on 127.0.0.1 only: it records the bytes of every request head and answers
// each with a canned reply, or never answers at all.

#include "app/UpdateSettings.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

class LoopbackUpdateServer
{
  public:
    LoopbackUpdateServer()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection())
                serve(socket);
        });
    }

    // Every later request gets this status and body, with any further header lines ("Name: value").
    void answer(int status, const QByteArray &body, const QList<QByteArray> &headers = {})
    {
        m_status = status;
        m_body = body;
        m_headers = headers;
        m_silent = false;
        m_trickleMs = 0;
    }
    // Later requests get a 200 head and then one byte of body every `intervalMs`, for ever.
    void trickle(int intervalMs)
    {
        answer(200, QByteArray());
        m_trickleMs = intervalMs;
    }
    // Later requests are read and left without an answer, the connection open.
    void neverAnswer() { m_silent = true; }

    QUrl url() const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1/tapsmith/tapsmith.php").arg(m_server.serverPort()));
    }

    // The request heads received, in order, up to and including the blank line.
    QList<QByteArray> requests;
    // Bytes of replies the client took from us (handed to the system), over all connections.
    qint64 bytesWritten = 0;

  private:
    void serve(QTcpSocket *socket)
    {
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
            QByteArray &head = m_pending[socket];
            head += socket->readAll();
            const qsizetype end = head.indexOf("\r\n\r\n");
            if (end < 0)
                return;
            requests << head.left(end + 4);
            m_pending.remove(socket);
            if (m_silent)
                return;
            QObject::connect(socket, &QTcpSocket::bytesWritten, socket,
                             [this](qint64 bytes) { bytesWritten += bytes; });
            const QByteArray reason = m_status == 200 ? "OK" : m_status < 400 ? "Found" : "Not Found";
            QByteArray reply =
                "HTTP/1.1 " + QByteArray::number(m_status) + ' ' + reason + "\r\nContent-Type: text/html\r\n";
            for (const QByteArray &header : std::as_const(m_headers))
                reply += header + "\r\n";
            if (m_trickleMs > 0) {
                socket->write(reply + "Connection: close\r\n\r\n");
                auto *timer = new QTimer(socket);
                QObject::connect(timer, &QTimer::timeout, socket, [socket] { socket->write("x"); });
                timer->start(m_trickleMs);
                return;
            }
            socket->write(reply + "Content-Length: " + QByteArray::number(m_body.size()) +
                          "\r\nConnection: close\r\n\r\n" + m_body);
            socket->disconnectFromHost();
        });
    }

    QTcpServer m_server;
    QHash<QTcpSocket *, QByteArray> m_pending;
    int m_status = 200;
    QByteArray m_body;
    QList<QByteArray> m_headers;
    bool m_silent = false;
    int m_trickleMs = 0;
};

// A loopback address where nothing listens, so a connection is refused at once.
inline QUrl refusedLoopbackUrl()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return QUrl(QStringLiteral("http://127.0.0.1:%1/tapsmith/tapsmith.php").arg(port));
}

// The build's settings with the update server on loopback, where the connection is refused at once.
inline UpdateSettings offlineUpdateSettings()
{
    UpdateSettings settings = UpdateSettings::buildDefaults();
    settings.serverUrl = refusedLoopbackUrl();
    return settings;
}
