#include "RawPeer.h"

#include <QTcpSocket>
#include <QTest>

namespace RawPeer {

namespace {

constexpr int kWaitMs = 10000;

} // namespace

QByteArray exchange(quint16 port, const QByteArray &bytes, After after, const QHostAddress &source)
{
    QTcpSocket socket;
    if (!source.isNull() && !socket.bind(source))
        return "<cannot bind>";
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!QTest::qWaitFor([&] { return socket.state() == QAbstractSocket::ConnectedState; }, kWaitMs))
        return "<no connection>";
    socket.write(bytes);
    if (after == After::Close) {
        socket.disconnectFromHost();
        if (!QTest::qWaitFor([&] { return socket.state() == QAbstractSocket::UnconnectedState; }, kWaitMs))
            return "<not closed>";
        return {};
    }
    QByteArray reply;
    const bool ended = QTest::qWaitFor([&] {
        reply += socket.readAll();
        return reply.size() >= 16 || socket.state() != QAbstractSocket::ConnectedState;
    }, kWaitMs);
    if (!ended)
        return "<no answer>";
    return reply + socket.readAll();
}

} // namespace RawPeer
