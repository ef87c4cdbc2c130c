#pragma once

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTimer>

class QTcpSocket;

// A listening socket that stops taking connections while any reason holds
// it, leaving newcomers in the system's queue. One reason is built in: once
// an accepted descriptor reaches acceptMark(), this server holds itself
// until the process is back under acceptResumeMark(), so that the
// descriptor table never fills. Connections come out of takeConnection(),
// never through the pending list (whose nextPendingConnection() would start
// accepting again behind a hold).
class GatedTcpServer : public QTcpServer
{
    Q_OBJECT

public:
    enum Reason : unsigned {
        Backlog = 1,     // the receiver has too much waiting
        Descriptors = 2, // the process is near its descriptor limit
        Handshakes = 4,  // as many handshakes in progress as may be
        Turn = 8,        // taken enough in this turn of the event loop
    };
    static constexpr int kDescriptorPollMs = 250;

    explicit GatedTcpServer(QObject *parent = nullptr);

    void hold(Reason why);
    void release(Reason why);
    bool isHeld() const { return m_reasons != 0; }
    bool isHeldFor(Reason why) const { return (m_reasons & why) != 0; }
    // Accepting costs more for some servers (a TLS context each): past this
    // many in one turn the rest wait for the next, so that other sockets
    // are served in between. 0: no bound.
    void setAcceptsPerTurn(int count) { m_acceptsPerTurn = count; }
    // The default takeConnection() hands out the descriptor itself rather than a socket.
    void setTakesDescriptors(bool on) { m_takesDescriptors = on; }

Q_SIGNALS:
    // From the default takeConnection(): a plain socket, child of this server.
    void connectionTaken(QTcpSocket *socket);
    // Instead, with setTakesDescriptors(): whoever hears it owns the descriptor.
    void descriptorTaken(qintptr descriptor);

protected:
    void incomingConnection(qintptr descriptor) final;
    virtual void takeConnection(qintptr descriptor);

private:
    void nextTurn();
    void checkDescriptors();

    // The descriptor limit, looked up again at most every kMarkRefreshMs:
    // a system call per accepted connection is a fair part of its cost.
    static constexpr qint64 kMarkRefreshMs = 1000;
    int currentAcceptMark();
    int m_acceptMark = 0;
    QElapsedTimer m_markAge;

    unsigned m_reasons = 0;
    bool m_takesDescriptors = false;
    int m_acceptsPerTurn = 0;
    int m_takenThisTurn = 0;
    QTimer m_descriptorPoll;
    QElapsedTimer m_warned;
};
