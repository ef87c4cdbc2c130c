#pragma once

#include "ChangeSettler.h"

#include <QHash>
#include <QNetworkInformation>
#include <QObject>
#include <QSet>
#include <QString>

#include <memory>

class QSocketNotifier;

// Tells when this computer's IPv4 networks have changed: an interface came up
// or went down, or an address was added or removed. The kernel says so on a
// route netlink socket (with or without NetworkManager), and a reachability
// backend of QNetworkInformation, where one loads, adds what it knows. A burst
// of such events gives one changed(), after the settling of ChangeSettler.
// Nothing is polled: while nothing changes the watch never wakes up.
class NetworkWatch : public QObject
{
    Q_OBJECT

public:
    enum Sources { KernelAndReachability, KernelOnly };
    explicit NetworkWatch(Sources sources = KernelAndReachability, QObject *parent = nullptr);
    ~NetworkWatch() override;

    // False where the system refused a netlink socket; QNetworkInformation may still report.
    bool isWatchingKernel() const { return m_fd >= 0; }
    bool isSettling() const { return m_settler.isSettling(); }
    // Something else knows of a change (a resume from sleep): settles with the rest.
    void noteChange() { m_settler.noteChange(); }

Q_SIGNALS:
    void changed();

private:
    void openNetlink();
    void rememberCurrentState();
    void onNetlinkReadable();
    bool isChange(const struct nlmsghdr *message);
    void watchReachability();

    int m_fd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    // What is known now, so that a repeated report (an address's lifetime
    // renewed, a link's statistics) is not taken for a change.
    QHash<int, unsigned> m_linkState;
    QSet<QString> m_addresses;
    QNetworkInformation::Reachability m_reachability = QNetworkInformation::Reachability::Unknown;
    ChangeSettler m_settler;
};
