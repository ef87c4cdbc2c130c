#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QMap>
#include <QObject>
#include <QTimer>

#include <functional>
#include <random>

// When presence datagrams leave: the start-up announcement repeated with
// growing gaps (one lost datagram must not hide us), replies spread over a
// short random delay (N instances starting together must not answer in one
// burst), and announcements to the IP list's addresses at a bounded rate.
class PresenceTraffic : public QObject
{
    Q_OBJECT

public:
    static constexpr quint32 kBroadcast = 0xFFFFFFFFu;
    // After the first announcement: 1 s, 3 s, 7 s and 15 s.
    static constexpr int kRepeatGapsMs[] = {1000, 2000, 4000, 8000};
    static constexpr int kReplyDelayMinMs = 20;
    static constexpr int kReplyDelayMaxMs = 300;
    static constexpr int kMostPendingReplies = 4096;
    // Announcements to listed addresses: this many per tick of kPaceMs.
    static constexpr int kPerTick = 10;
    static constexpr int kPaceMs = 100;

    // `to`: an address in host order, or kBroadcast.
    using Send = std::function<void(const QList<QByteArray> &datagrams, quint32 to)>;
    explicit PresenceTraffic(Send send, QObject *parent = nullptr);

    // The repeats of the start-up announcement; `datagrams()` is asked each time.
    void startRepeats(std::function<QList<QByteArray>()> datagrams);
    // Stretches the repeat gaps; tests shorten them, the sequence stays.
    void setRepeatScale(double scale) { m_repeatScale = scale; }
    // One reply, after a random short delay; a second for the same address
    // before the first went is added to it.
    void replyLater(quint32 to, const QList<QByteArray> &datagrams);
    // `datagram` to each address, kPerTick at a time; a new call replaces what waits.
    void announceTo(const QList<quint32> &addresses, const QByteArray &datagram);
    int waitingAnnouncements() const { return int(m_announce.size() - m_announced); }
    void stop();

Q_SIGNALS:
    // A start-up repeat went out: the time to ask again where no answer came.
    void repeated();

private:
    void repeat();
    void flushReplies();
    void announceSome();

    Send m_send;
    std::function<QList<QByteArray>()> m_repeated;
    int m_repeats = 0;
    double m_repeatScale = 1.0;
    QTimer m_repeatTimer;
    QTimer m_replyTimer;
    QElapsedTimer m_clock;
    QMap<qint64, quint32> m_dueReplies; // due time (unique, ms) -> address
    QMap<quint32, QList<QByteArray>> m_replies;
    std::minstd_rand m_random{std::random_device{}()};
    QTimer m_paceTimer;
    QList<quint32> m_announce;
    qsizetype m_announced = 0;
    QByteArray m_announcement;
};
