#include "HttpTestServer.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

HttpTestServer::HttpTestServer(QObject *parent)
    : QObject(parent)
{
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_server.nextPendingConnection())
            serve(socket);
    });
}

void HttpTestServer::setAnswer(const QByteArray &path, const Answer &answer)
{
    m_answers.insert(path, answer);
}

void HttpTestServer::setPage(const QByteArray &path, const QByteArray &body, int status)
{
    Answer answer;
    answer.status = status;
    answer.body = body;
    setAnswer(path, answer);
}

void HttpTestServer::setRedirect(const QByteArray &path, const QByteArray &location, int status)
{
    Answer answer;
    answer.status = status;
    answer.headers.append({"Location", location});
    setAnswer(path, answer);
}

QString HttpTestServer::url(const QByteArray &path, bool withScheme) const
{
    const QString address = QStringLiteral("127.0.0.1:%1").arg(m_server.serverPort()) + QString::fromLatin1(path);
    return withScheme ? QStringLiteral("http://") + address : address;
}

const QList<HttpTestServer::Request> &HttpTestServer::requests() const
{
    return m_requests;
}

int HttpTestServer::requestsFor(const QByteArray &path) const
{
    int count = 0;
    for (const Request &request : m_requests)
        count += request.path == path ? 1 : 0;
    return count;
}

int HttpTestServer::abandoned() const
{
    return m_abandoned;
}

void HttpTestServer::serve(QTcpSocket *socket)
{
    socket->setParent(this);
    auto buffer = std::make_shared<QByteArray>();
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
        buffer->append(socket->readAll());
        const qsizetype end = buffer->indexOf("\r\n\r\n");
        if (end < 0 || socket->property("answered").toBool())
            return;
        socket->setProperty("answered", true);
        const QList<QByteArray> lines = buffer->left(end).split('\n');
        Request request;
        request.path = lines.value(0).split(' ').value(1);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines.at(i).trimmed();
            const qsizetype colon = line.indexOf(':');
            if (colon > 0)
                request.headers.insert(line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed());
        }
        m_requests.append(request);
        Q_EMIT requestReceived(request.path);

        Answer missing;
        missing.status = 404;
        missing.body = "<html>not here</html>";
        Answer answer = m_answers.value(request.path, missing);
        const QByteArray accepted = request.headers.value("accept-encoding");
        if (answer.compression == Compression::Always
            || (answer.compression == Compression::WhenAsked && accepted.contains("deflate"))) {
            answer.body = qCompress(answer.body).mid(4); // a zlib stream, as "deflate" is sent
            answer.headers.append(qMakePair(QByteArray("Content-Encoding"), QByteArray("deflate")));
        }
        QByteArray head = "HTTP/1.1 " + QByteArray::number(answer.status) + " X\r\nConnection: close\r\n";
        if (answer.announceLength) {
            const qint64 length = answer.announcedLength >= 0 ? answer.announcedLength : answer.body.size();
            head += "Content-Length: " + QByteArray::number(length) + "\r\n";
        }
        for (const auto &[name, value] : answer.headers)
            head += name + ": " + value + "\r\n";
        socket->write(head + "\r\n");
        if (answer.chunkBytes <= 0) {
            socket->write(answer.body);
            socket->disconnectFromHost();
            return;
        }
        auto sent = std::make_shared<qsizetype>(0);
        auto *pace = new QTimer(socket);
        pace->setInterval(answer.chunkIntervalMs);
        connect(socket, &QTcpSocket::disconnected, this, [this, sent, answer] {
            if (*sent < answer.body.size()) {
                ++m_abandoned;
                Q_EMIT connectionAbandoned();
            }
        });
        connect(pace, &QTimer::timeout, socket, [socket, pace, sent, answer] {
            socket->write(answer.body.mid(*sent, answer.chunkBytes));
            *sent = qMin<qsizetype>(*sent + answer.chunkBytes, answer.body.size());
            if (answer.stallAfterFirstChunk) {
                pace->stop();
                return;
            }
            if (*sent >= answer.body.size()) {
                pace->stop();
                socket->disconnectFromHost();
            }
        });
        pace->start();
    });
}

QByteArray updatePage(const QList<QPair<QByteArray, QByteArray>> &tags)
{
    QByteArray page = "<html><head>\r\n";
    for (const auto &[name, value] : tags)
        page += "<META NAME=\"" + name + "\" CONTENT=\"" + value + "\">\r\n";
    page += "</head><body><p>Zavolin update</p></body></html>\r\n";
    return page;
}
