#pragma once
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>

// A webhook receiver on 127.0.0.1: every request whole, answered with the next status (the last one
// repeating), or never when there is none.
struct HttpListener : QObject {
    QTcpServer server;
    QList<int> statuses;
    QList<QByteArray> requests;
    explicit HttpListener(QList<int> answers) : statuses(std::move(answers))
    {
        server.listen(QHostAddress::LocalHost, 0);
        connect(&server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *c = server.nextPendingConnection())
                connect(c, &QTcpSocket::readyRead, this, [this, c, in = QByteArray()]() mutable {
                    in += c->readAll();
                    const qsizetype end = in.indexOf("\r\n\r\n");
                    const auto length = QRegularExpression("content-length: *(\\d+)", QRegularExpression::CaseInsensitiveOption).match(in);
                    if (end < 0 || in.size() < end + 4 + length.captured(1).toInt())
                        return;
                    requests.append(in);
                    if (statuses.isEmpty())
                        return;
                    const int status = statuses.size() > 1 ? statuses.takeFirst() : statuses.first();
                    c->write(QByteArray("HTTP/1.1 ") + QByteArray::number(status) + " X\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
                    c->disconnectFromHost();
                });
        });
    }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1/hook").arg(server.serverPort()); }
};
