#pragma once

#include <QByteArray>
#include <QList>

// The records of the receive journal on disk. Each is
//   "ZJR" 0x01, payload length (u32 LE), payload, CRC-32 of length and payload (u32 LE)
// and its payload
//   kind (1 byte), ticket (u64 LE), value (i64 LE) and, for an arrival, four
//   fields (u16 LE length, bytes): peer address, peer key, from-name, text.
// A record cut short by a crash, or damaged, fails its marker, length or
// checksum, and reading ends there: only a crash while appending leaves one,
// so it is the last. Reading never looks for records past it, where the
// text of a message (anyone's choice) could pass for one.
namespace JournalFrame {

inline constexpr char kMarker[] = "ZJR\x01";
inline constexpr qsizetype kMarkerSize = 4;
// Two fields of at most 9,999 bytes and two short ones fit well under this.
inline constexpr quint32 kMaxPayload = 64 * 1024;

enum class Kind : char {
    Arrived = 'A', // acknowledged to its sender; value: where the history ended then
    Settled = 'S', // its fate is decided; value: where the history ended then
};

struct Record
{
    Kind kind = Kind::Arrived;
    quint64 ticket = 0;
    qint64 value = 0;
    qint64 arrivedMs = 0; // arrival, milliseconds since the epoch (UTC)
    QByteArray peer;
    QByteArray peerKey;
    QByteArray fromName; // code page 1251, as on the wire
    QByteArray text;
};

QByteArray encode(const Record &record);
// The whole records at the start of `data`, in order, up to the first one
// that is not; *wholeBytes says how far they go.
QList<Record> decode(QByteArrayView data, qsizetype *wholeBytes = nullptr);

quint32 crc32(QByteArrayView data, quint32 crc = 0);

} // namespace JournalFrame
