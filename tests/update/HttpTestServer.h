#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QTcpServer>

// A scripted HTTP server on 127.0.0.1 for the update check's tests: each path
// has one answer, sent whole, paced in chunks, cut short or stalled.
class HttpTestServer : public QObject
{
    Q_OBJECT

public:
    // Whether the body goes deflate-compressed, with its compressed length.
    enum class Compression { None, WhenAsked, Always };

    struct Answer
    {
        int status = 200;
        QByteArray body;
        QList<QPair<QByteArray, QByteArray>> headers;
        bool announceLength = true;
        qint64 announcedLength = -1; // -1: the body's size
        int chunkBytes = 0;          // 0: the body at once
        int chunkIntervalMs = 10;
        bool stallAfterFirstChunk = false; // then keep the connection open, silent
        Compression compression = Compression::None;
    };

    struct Request
    {
        QByteArray path;
        QHash<QByteArray, QByteArray> headers; // names in lower case
    };

    explicit HttpTestServer(QObject *parent = nullptr);

    void setAnswer(const QByteArray &path, const Answer &answer);
    // An answer with the body and the status only.
    void setPage(const QByteArray &path, const QByteArray &body, int status = 200);
    void setRedirect(const QByteArray &path, const QByteArray &location, int status = 302);

    // "http://127.0.0.1:<port><path>"; without the scheme when asked.
    QString url(const QByteArray &path, bool withScheme = true) const;
    const QList<Request> &requests() const;
    int requestsFor(const QByteArray &path) const;
    // Connections the client closed while an answer was still being sent.
    int abandoned() const;

Q_SIGNALS:
    void requestReceived(const QByteArray &path);
    void connectionAbandoned();

private:
    void serve(QTcpSocket *socket);

    QTcpServer m_server;
    QHash<QByteArray, Answer> m_answers;
    QList<Request> m_requests;
    int m_abandoned = 0;
};

// An information page: one META line per pair, inside a little HTML.
QByteArray updatePage(const QList<QPair<QByteArray, QByteArray>> &tags);
