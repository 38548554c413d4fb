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

    // Every later request gets this status and body.
    void answer(int status, const QByteArray &body)
    {
        m_status = status;
        m_body = body;
        m_silent = false;
    }
    // Later requests are read and left without an answer, the connection open.
    void neverAnswer() { m_silent = true; }

    QUrl url() const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1/tapsmith/tapsmith.php").arg(m_server.serverPort()));
    }

    // The request heads received, in order, up to and including the blank line.
    QList<QByteArray> requests;

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
            const QByteArray reason = m_status == 200 ? "OK" : "Not Found";
            socket->write("HTTP/1.1 " + QByteArray::number(m_status) + ' ' + reason +
                          "\r\nContent-Type: text/html\r\n"
                          "Content-Length: " +
                          QByteArray::number(m_body.size()) + "\r\nConnection: close\r\n\r\n" + m_body);
            socket->disconnectFromHost();
        });
    }

    QTcpServer m_server;
    QHash<QTcpSocket *, QByteArray> m_pending;
    int m_status = 200;
    QByteArray m_body;
    bool m_silent = false;
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
