#include "ContactList.h"

#include "LineListFile.h"

#include "Logging.h"

ContactList::ContactList(QObject *parent)
    : QAbstractListModel(parent)
{
}

int ContactList::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant ContactList::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return {};
    const QString &name = m_names.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return name;
    case AddressRole:
        return m_addresses.at(index.row());
    case BlacklistedRole:
        return isBlacklisted(name);
    case AutoAnswerRole:
        return m_autoAnswer.contains(name);
    case InChatRole:
        return m_inChat.contains(name);
    case TrustRole:
        return m_trust ? QVariant(m_trust(index.row()).level) : QVariant();
    case Qt::ToolTipRole:
        return m_trust ? QVariant(m_trust(index.row()).words) : QVariant();
    case Qt::AccessibleTextRole:
        return m_trust ? QVariant(name + QStringLiteral(", ") + m_trust(index.row()).words) : QVariant();
    default:
        return {};
    }
}

void ContactList::add(const QString &displayName, const QString &address)
{
    beginInsertRows({}, count(), count());
    m_names.append(displayName);
    m_addresses.append(address);
    ++m_addressCount[address];
    endInsertRows();
}

bool ContactList::addAnnounced(const QString &displayName, const QString &address)
{
    if (count() >= kMaxContacts) {
        if (!m_fullReported)
            qCWarning(lcZavolin, "The contact list is full (%d contacts): further newcomers are ignored", kMaxContacts);
        m_fullReported = true;
        return false;
    }
    add(displayName, address);
    return true;
}

void ContactList::removeAt(int row)
{
    if (row < 0 || row >= count())
        return;
    beginRemoveRows({}, row, row);
    if (const auto counted = m_addressCount.find(m_addresses.at(row)); --*counted == 0)
        m_addressCount.erase(counted);
    m_names.removeAt(row);
    m_addresses.removeAt(row);
    endRemoveRows();
}

void ContactList::setBlacklist(const QStringList &names)
{
    m_blacklist = names;
    repaint();
}

bool ContactList::isBlacklisted(const QString &displayName) const
{
    if (m_blacklist.contains(displayName))
        return true;
    const QString stored = LineListFile::storedEntry(displayName);
    return stored != displayName && m_blacklist.contains(stored);
}

bool ContactList::addAutoAnswer(const QString &displayName)
{
    if (m_autoAnswer.size() >= kMaxContacts || m_autoAnswer.contains(displayName))
        return false;
    m_autoAnswer.append(displayName);
    repaint();
    return true;
}

bool ContactList::removeAutoAnswer(const QString &displayName)
{
    const bool removed = m_autoAnswer.removeOne(displayName);
    repaint();
    return removed;
}

bool ContactList::addInChat(const QString &displayName)
{
    if (m_inChat.size() >= kMaxContacts || m_inChat.contains(displayName))
        return false;
    m_inChat.append(displayName);
    repaint();
    return true;
}

bool ContactList::removeInChat(const QString &displayName)
{
    const bool removed = m_inChat.removeOne(displayName);
    repaint();
    return removed;
}

void ContactList::repaint()
{
    if (count() > 0)
        Q_EMIT dataChanged(index(0), index(count() - 1));
}
