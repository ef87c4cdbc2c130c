#pragma once

#include <QAbstractListModel>
#include <QHash>
#include <QStringList>

#include <functional>

// The contacts that can be written to: display names (what the user sees, and
// what the state lists hold) index-parallel with addresses (what we connect
// to). Not stored anywhere: rebuilt from presence at every start.
class ContactList : public QAbstractListModel
{
    Q_OBJECT

public:
    enum Role {
        AddressRole = Qt::UserRole + 1,
        BlacklistedRole,
        AutoAnswerRole,
        InChatRole,
        TrustRole, // how far the contact's key is trusted, as the trust query says; none without one
    };
    // What the secure channel says of a row: its trust level, and the words
    // that tell it (added to the name for screen readers, and the tooltip).
    struct Trust
    {
        int level = 0;
        QString words;
    };

    // Presence from the network adds at most this many contacts, and each state
    // list holds at most this many names, so no peer grows them without bound.
    static constexpr int kMaxContacts = 4096;

    explicit ContactList(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

    int count() const { return int(m_names.size()); }
    const QString &displayNameAt(int row) const { return m_names.at(row); }
    const QString &addressAt(int row) const { return m_addresses.at(row); }
    const QStringList &displayNames() const { return m_names; }
    const QStringList &addresses() const { return m_addresses; }
    int indexOfAddress(const QString &address) const { return int(m_addresses.indexOf(address)); }
    // Asked for every presence datagram: no walk through the list.
    bool hasAddress(const QString &address) const { return m_addressCount.contains(address); }

    void add(const QString &displayName, const QString &address);
    // As add, but refused once the list holds kMaxContacts (said once in the log).
    bool addAnnounced(const QString &displayName, const QString &address);
    void removeAt(int row);

    // The three state lists of display names; the markers are drawn from them.
    const QStringList &blacklist() const { return m_blacklist; }
    const QStringList &autoAnswerList() const { return m_autoAnswer; }
    const QStringList &inChatList() const { return m_inChat; }
    void setBlacklist(const QStringList &names);
    // The blacklist file keeps line breaks as blanks, so a name is also
    // compared the way it was stored.
    bool isBlacklisted(const QString &displayName) const;
    // Each returns whether the list changed; a change repaints the markers.
    bool addAutoAnswer(const QString &displayName);
    bool removeAutoAnswer(const QString &displayName);
    bool addInChat(const QString &displayName);
    bool removeInChat(const QString &displayName);

    void setTrustQuery(std::function<Trust(int row)> query) { m_trust = std::move(query); }

    // Redraws every entry, after a state list or an alias changed.
    void repaint();

private:
    QStringList m_names;
    QStringList m_addresses;
    QHash<QString, int> m_addressCount; // an address from the IP list may be listed twice
    QStringList m_blacklist;
    QStringList m_autoAnswer;
    QStringList m_inChat;
    bool m_fullReported = false;
    std::function<Trust(int row)> m_trust;
};
