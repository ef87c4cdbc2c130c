#include "HistoryModel.h"

HistoryModel::HistoryModel(HistoryIndex &index, QObject *parent)
    : QAbstractTableModel(parent)
    , m_index(index)
    , m_snapshot(index.snapshot())
{
    connect(&m_index, &HistoryIndex::changed, this, &HistoryModel::onIndexChanged);
    connect(&m_index, &HistoryIndex::searched, this, &HistoryModel::onSearched);
}

int HistoryModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return int(m_filtered ? m_rows.size() : m_snapshot.entries.size());
}

int HistoryModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

qsizetype HistoryModel::entryAt(int row) const
{
    const int rows = rowCount();
    if (row < 0 || row >= rows)
        return -1;
    const int fromEnd = rows - 1 - row;
    return m_filtered ? qsizetype(m_rows.at(fromEnd)) : qsizetype(fromEnd);
}

int HistoryModel::rowOf(qsizetype entry) const
{
    if (entry < 0)
        return -1;
    if (!m_filtered)
        return entry < m_snapshot.entries.size() ? int(m_snapshot.entries.size() - 1 - entry) : -1;
    const auto it = std::lower_bound(m_rows.cbegin(), m_rows.cend(), quint32(entry));
    if (it == m_rows.cend() || *it != quint32(entry))
        return -1;
    return int(m_rows.size() - 1 - (it - m_rows.cbegin()));
}

qint64 HistoryModel::startAt(int row) const
{
    const qsizetype entry = entryAt(row);
    return entry < 0 ? -1 : m_snapshot.entries.at(entry).start;
}

int HistoryModel::rowAt(qint64 position) const
{
    if (position < 0)
        return -1;
    const qsizetype entry = m_snapshot.entries.indexAfter(position);
    if (entry >= m_snapshot.entries.size() || m_snapshot.entries.at(entry).start > position)
        return -1;
    return rowOf(entry);
}

HistoryRecord HistoryModel::record(int row) const
{
    const qsizetype entry = entryAt(row);
    if (entry < 0)
        return {};
    if (const HistoryRecord *cached = m_records.object(entry))
        return *cached;
    auto *read = new HistoryRecord(m_index.read(m_snapshot, entry));
    const HistoryRecord copy = *read;
    m_records.insert(entry, read);
    return copy;
}

QVariant HistoryModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole && role != Qt::AccessibleTextRole))
        return {};
    const HistoryRecord r = record(index.row());
    switch (index.column()) {
    case DateColumn:
        return r.dateTime;
    case FromColumn:
        return r.from;
    case ToColumn:
        return r.to;
    case TextColumn: {
        if (role == Qt::ToolTipRole)
            return r.text.left(2000);
        // One line in the list; the whole text below it.
        QString line = r.text.left(500);
        line.replace(u'\n', u' ');
        return line;
    }
    default:
        return {};
    }
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case DateColumn:
        return tr("Дата");
    case FromColumn:
        return tr("От");
    case ToColumn:
        return tr("Кому");
    case TextColumn:
        return tr("Текст");
    default:
        return {};
    }
}

void HistoryModel::setQuery(const HistoryQuery &query)
{
    m_index.search(query);
    if (query.isEmpty()) {
        const bool was = m_filtered;
        m_filtered = false;
        m_searching = false;
        Q_EMIT searchingChanged(false);
        if (was || m_snapshot.entries.size() != m_index.snapshot().entries.size()) {
            beginResetModel();
            m_rows.clear();
            m_snapshot = m_index.snapshot();
            m_records.clear();
            endResetModel();
        }
        return;
    }
    m_searching = true;
    Q_EMIT searchingChanged(true);
}

void HistoryModel::onIndexChanged()
{
    if (m_filtered || !m_index.query().isEmpty())
        return; // the query runs again and answers with the new entries
    const HistorySnapshot &next = m_index.snapshot();
    const qsizetype before = m_snapshot.entries.size();
    const qsizetype after = next.entries.size();
    // Appended entries go on top; the old newest may have grown with them.
    const bool appended = m_snapshot.complete && next.complete && before > 0 && after >= before
                          && next.entries.at(before - 1).start == m_snapshot.entries.at(before - 1).start;
    if (!appended) {
        beginResetModel();
        m_snapshot = next;
        m_records.clear();
        endResetModel();
        return;
    }
    m_records.remove(before - 1);
    if (after > before) {
        beginInsertRows({}, 0, int(after - before - 1));
        m_snapshot = next;
        endInsertRows();
    } else {
        m_snapshot = next;
    }
    const int oldTop = int(after - before);
    Q_EMIT dataChanged(index(oldTop, 0), index(oldTop, ColumnCount - 1));
}

void HistoryModel::onSearched(const HistoryQuery &query, const QList<quint32> &rows, const HistorySnapshot &snapshot)
{
    if (query != m_index.query())
        return;
    beginResetModel();
    m_filtered = true;
    m_rows = rows;
    m_snapshot = snapshot;
    m_records.clear();
    endResetModel();
    m_searching = false;
    Q_EMIT searchingChanged(false);
}
