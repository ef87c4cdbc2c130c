#include "TransferList.h"

#include "FailureReason.h"

#include <QCoreApplication>
#include <QLocale>

#include <algorithm>

namespace {

QString durationText(qint64 seconds)
{
    if (seconds >= 3600)
        return QCoreApplication::translate("TransferList", "%1 ч %2 мин").arg(seconds / 3600).arg(seconds % 3600 / 60);
    if (seconds >= 60)
        return QCoreApplication::translate("TransferList", "%1 мин %2 с").arg(seconds / 60).arg(seconds % 60);
    return QCoreApplication::translate("TransferList", "%1 с").arg(seconds);
}

} // namespace

TransferList::TransferList(QObject *parent)
    : QAbstractTableModel(parent)
{
}

int TransferList::add(Direction direction, const QString &name, const QString &contact, const QString &path,
                      qint64 size, State state)
{
    Transfer transfer;
    transfer.id = m_nextId++;
    transfer.direction = direction;
    transfer.name = name;
    transfer.contact = contact;
    transfer.path = path;
    transfer.size = size;
    transfer.state = state;
    if (state == State::Sending)
        transfer.clock.start();
    const int row = int(m_rows.size());
    beginInsertRows(QModelIndex(), row, row);
    m_rows.push_back(std::move(transfer));
    endInsertRows();
    const int id = m_rows.back().id;
    if (isFinished(state)) {
        ++m_finished;
        Q_EMIT finished(id);
        dropOldFinished();
    }
    return id;
}

void TransferList::setState(int id, State state, const QString &error)
{
    Transfer *transfer = findMutable(id);
    if (!transfer || isFinished(transfer->state) || transfer->state == state)
        return;
    transfer->state = state;
    transfer->error = error;
    if (state == State::Sending && !transfer->clock.isValid())
        transfer->clock.start();
    if (state == State::Sent || state == State::Saved)
        transfer->done = transfer->size;
    changed(id);
    if (isFinished(state)) {
        ++m_finished;
        Q_EMIT finished(id);
        dropOldFinished();
    }
}

void TransferList::setProgress(int id, qint64 done)
{
    Transfer *transfer = findMutable(id);
    if (!transfer || transfer->done == done)
        return;
    transfer->done = done;
    changed(id, Progress, TimeLeft);
}

void TransferList::setSize(int id, qint64 size)
{
    if (Transfer *transfer = findMutable(id)) {
        transfer->size = size;
        changed(id);
    }
}

void TransferList::setPath(int id, const QString &path)
{
    if (Transfer *transfer = findMutable(id))
        transfer->path = path;
}

const TransferList::Transfer *TransferList::find(int id) const
{
    const int row = rowOf(id);
    return row < 0 ? nullptr : &m_rows[size_t(row)];
}

TransferList::Transfer *TransferList::findMutable(int id)
{
    const int row = rowOf(id);
    return row < 0 ? nullptr : &m_rows[size_t(row)];
}

int TransferList::rowOf(int id) const
{
    // Ids grow with the rows: a binary search finds one among the kept rows.
    const auto it = std::lower_bound(m_rows.cbegin(), m_rows.cend(), id,
                                     [](const Transfer &transfer, int wanted) { return transfer.id < wanted; });
    return it != m_rows.cend() && it->id == id ? int(it - m_rows.cbegin()) : -1;
}

int TransferList::idAt(int row) const
{
    return row >= 0 && row < int(m_rows.size()) ? m_rows[size_t(row)].id : 0;
}

bool TransferList::isFinished(State state)
{
    switch (state) {
    case State::Waiting:
    case State::Packing:
    case State::Sending:
    case State::Deciding:
        return false;
    case State::Sent:
    case State::Saved:
    case State::Rejected:
    case State::Failed:
    case State::Cancelled:
        return true;
    }
    return true;
}

void TransferList::changed(int id, int firstColumn, int lastColumn)
{
    const int row = rowOf(id);
    if (row >= 0)
        Q_EMIT dataChanged(index(row, firstColumn), index(row, lastColumn));
}

void TransferList::dropOldFinished()
{
    while (m_finished > kKeptFinished) {
        const auto it = std::find_if(m_rows.cbegin(), m_rows.cend(),
                                     [](const Transfer &transfer) { return isFinished(transfer.state); });
        if (it == m_rows.cend())
            return;
        const int row = int(it - m_rows.cbegin());
        beginRemoveRows(QModelIndex(), row, row);
        m_rows.erase(it);
        endRemoveRows();
        --m_finished;
    }
}

qint64 TransferList::rate(const Transfer &transfer)
{
    if (!transfer.clock.isValid())
        return 0;
    const qint64 ms = transfer.clock.elapsed();
    return ms > 0 ? transfer.done * 1000 / ms : 0;
}

QString TransferList::sizeText(qint64 bytes)
{
    // The locale's word for bytes agrees with no number ("1 байты"): the unit's symbol instead.
    if (bytes < 1024)
        return QCoreApplication::translate("TransferList", "%1 Б").arg(bytes);
    return QLocale().formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

QString TransferList::stateText(const Transfer &transfer)
{
    const bool out = transfer.direction == Direction::Outgoing;
    switch (transfer.state) {
    case State::Waiting:
        return tr("Ожидает");
    case State::Packing:
        return tr("Упаковка в архив");
    case State::Sending:
        return out ? tr("Отправка") : tr("Прием");
    case State::Sent:
        return tr("Отправлен");
    case State::Deciding:
        return tr("Ждет решения");
    case State::Saved:
        return tr("Сохранен");
    case State::Rejected:
        return tr("Отклонен");
    case State::Failed:
        return transfer.error.isEmpty() ? tr("Ошибка")
                                        : tr("Ошибка: %1").arg(FailureReason::shown(transfer.error));
    case State::Cancelled:
        return tr("Отменен");
    }
    return QString();
}

int TransferList::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int TransferList::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TransferList::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_rows.size()))
        return {};
    const Transfer &transfer = m_rows[size_t(index.row())];
    if (role == Qt::UserRole)
        return transfer.id;
    // A cut cell shows its whole text on hover; the file's hint says where it lies.
    if (role == Qt::ToolTipRole) {
        const bool placed = transfer.direction == Direction::Outgoing || transfer.state == State::Saved;
        if (index.column() == Name && placed && !transfer.path.isEmpty())
            return transfer.path;
        return data(index, Qt::DisplayRole);
    }
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)
        return {};
    const bool running = transfer.state == State::Sending;
    switch (index.column()) {
    case Name:
        return transfer.name;
    case Contact:
        return (transfer.direction == Direction::Outgoing ? QStringLiteral("→ ") : QStringLiteral("← "))
               + transfer.contact;
    case Size:
        return sizeText(transfer.size);
    case Progress:
        return transfer.size > 0 ? QStringLiteral("%1%").arg(transfer.done * 100 / transfer.size)
                                 : (isFinished(transfer.state) ? QStringLiteral("100%") : QStringLiteral("0%"));
    case Rate: {
        const qint64 perSecond = rate(transfer);
        return running && perSecond > 0 ? tr("%1/с").arg(sizeText(perSecond)) : QString();
    }
    case TimeLeft: {
        const qint64 perSecond = rate(transfer);
        return running && perSecond > 0 ? durationText((transfer.size - transfer.done) / perSecond) : QString();
    }
    case Status:
        return stateText(transfer);
    default:
        return {};
    }
}

QVariant TransferList::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case Name:
        return tr("Файл");
    case Contact:
        return tr("Абонент");
    case Size:
        return tr("Размер");
    case Progress:
        return tr("Выполнено");
    case Rate:
        return tr("Скорость");
    case TimeLeft:
        return tr("Осталось");
    case Status:
        return tr("Состояние");
    default:
        return {};
    }
}
