#include "JournalFrame.h"

#include <QtEndian>

#include <array>
#include <optional>

namespace JournalFrame {

namespace {

// CRC-32 (IEEE) eight bytes at a step: a table per byte position.
constexpr std::array<std::array<quint32, 256>, 8> kCrcTables = [] {
    std::array<std::array<quint32, 256>, 8> tables{};
    for (quint32 i = 0; i < 256; ++i) {
        quint32 c = i;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        tables[0][i] = c;
    }
    for (quint32 i = 0; i < 256; ++i) {
        for (int t = 1; t < 8; ++t)
            tables[t][i] = (tables[t - 1][i] >> 8) ^ tables[0][tables[t - 1][i] & 0xFF];
    }
    return tables;
}();

template<typename T>
void put(QByteArray &out, T value)
{
    const T le = qToLittleEndian(value);
    out.append(reinterpret_cast<const char *>(&le), sizeof le);
}

void putField(QByteArray &out, const QByteArray &field)
{
    put<quint16>(out, quint16(field.size()));
    out.append(field);
}

// Reads a payload front to back; any read past its end spoils it.
class Reader
{
public:
    explicit Reader(QByteArrayView data) : m_data(data) {}

    template<typename T>
    T take()
    {
        if (m_data.size() < qsizetype(sizeof(T))) {
            m_bad = true;
            return T{};
        }
        const T value = qFromLittleEndian<T>(m_data.data());
        m_data = m_data.sliced(sizeof(T));
        return value;
    }
    QByteArray field()
    {
        const quint16 size = take<quint16>();
        if (m_bad || m_data.size() < size) {
            m_bad = true;
            return {};
        }
        QByteArray bytes = m_data.first(size).toByteArray();
        m_data = m_data.sliced(size);
        return bytes;
    }
    bool whole() const { return !m_bad && m_data.isEmpty(); }

private:
    QByteArrayView m_data;
    bool m_bad = false;
};

std::optional<Record> parsePayload(QByteArrayView payload)
{
    Reader reader(payload);
    Record record;
    record.kind = Kind(reader.take<char>());
    record.ticket = reader.take<quint64>();
    record.value = reader.take<qint64>();
    if (record.kind == Kind::Arrived) {
        record.arrivedMs = reader.take<qint64>();
        record.peer = reader.field();
        record.peerKey = reader.field();
        record.fromName = reader.field();
        record.text = reader.field();
    } else if (record.kind != Kind::Settled) {
        return std::nullopt;
    }
    if (!reader.whole() || record.ticket == 0)
        return std::nullopt;
    return record;
}

} // namespace

quint32 crc32(QByteArrayView data, quint32 crc)
{
    const auto &t = kCrcTables;
    const auto *p = reinterpret_cast<const uchar *>(data.data());
    qsizetype left = data.size();
    crc = ~crc;
    for (; left >= 8; left -= 8, p += 8) {
        const quint32 low = qFromLittleEndian<quint32>(p) ^ crc;
        const quint32 high = qFromLittleEndian<quint32>(p + 4);
        crc = t[7][low & 0xFF] ^ t[6][(low >> 8) & 0xFF] ^ t[5][(low >> 16) & 0xFF] ^ t[4][low >> 24]
              ^ t[3][high & 0xFF] ^ t[2][(high >> 8) & 0xFF] ^ t[1][(high >> 16) & 0xFF] ^ t[0][high >> 24];
    }
    for (; left > 0; --left, ++p)
        crc = t[0][(crc ^ *p) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

QByteArray encode(const Record &record)
{
    QByteArray out;
    out.reserve(kMarkerSize + 4 + 25 + 8 + 4 * 2 + record.peer.size() + record.peerKey.size()
                + record.fromName.size() + record.text.size() + 4);
    out.append(kMarker, kMarkerSize);
    put<quint32>(out, 0); // the length, once known
    put<char>(out, char(record.kind));
    put<quint64>(out, record.ticket);
    put<qint64>(out, record.value);
    if (record.kind == Kind::Arrived) {
        put<qint64>(out, record.arrivedMs);
        putField(out, record.peer);
        putField(out, record.peerKey);
        putField(out, record.fromName);
        putField(out, record.text);
    }
    qToLittleEndian<quint32>(quint32(out.size() - kMarkerSize - 4), out.data() + kMarkerSize);
    put<quint32>(out, crc32(QByteArrayView(out).sliced(kMarkerSize)));
    return out;
}

QList<Record> decode(QByteArrayView data, qsizetype *wholeBytes)
{
    QList<Record> records;
    qsizetype at = 0;
    while (data.size() - at >= kMarkerSize + 4) {
        const QByteArrayView rest = data.sliced(at);
        if (!rest.startsWith(QByteArrayView(kMarker, kMarkerSize)))
            break;
        const quint32 length = qFromLittleEndian<quint32>(rest.data() + kMarkerSize);
        const qsizetype total = kMarkerSize + 4 + qsizetype(length) + 4;
        if (length > kMaxPayload || rest.size() < total)
            break;
        const QByteArrayView checked = rest.sliced(kMarkerSize, 4 + length);
        if (qFromLittleEndian<quint32>(rest.data() + total - 4) != crc32(checked))
            break;
        auto record = parsePayload(checked.sliced(4));
        if (!record)
            break;
        records.append(std::move(*record));
        at += total;
    }
    if (wholeBytes)
        *wholeBytes = at;
    return records;
}

} // namespace JournalFrame
