#include "KeyAnnouncement.h"

#include "Cp1251.h"
#include "Fingerprint.h"

#include <QList>

namespace {

std::optional<KeyAnnouncement> refuse(QString *error, const char *why)
{
    if (error)
        *error = QString::fromLatin1(why);
    return std::nullopt;
}

// 1 to 65535, decimal digits only, no leading zero.
int parsePort(QByteArrayView digits)
{
    if (digits.isEmpty() || digits.size() > 5 || digits.front() == '0')
        return -1;
    int value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value <= 65535 ? value : -1;
}

} // namespace

QByteArray KeyAnnouncement::encode() const
{
    QByteArray out;
    out += kLetter;
    out += "1\t";
    out += Cp1251::encode(name);
    out += '\t';
    out += QByteArray::number(port);
    out += '\t';
    out += fingerprint.toLatin1();
    return out;
}

std::optional<KeyAnnouncement> KeyAnnouncement::parse(QByteArrayView datagram, QString *error)
{
    if (!isAnnouncement(datagram))
        return refuse(error, "not a key announcement");
    if (datagram.size() > kMaxSize)
        return refuse(error, "key announcement too long");
    const QList<QByteArray> fields = datagram.sliced(1).toByteArray().split('\t');
    if (fields.size() != 4)
        return refuse(error, "key announcement needs four fields");
    if (fields[0] != "1")
        return refuse(error, "unknown key announcement version");
    const QByteArray &name = fields[1];
    if (name.isEmpty() || name.size() > kMaxName)
        return refuse(error, "bad name length in key announcement");
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return refuse(error, "control character in key announcement name");
    }
    const int port = parsePort(fields[2]);
    if (port < 0)
        return refuse(error, "bad port in key announcement");
    const QString fingerprint = QString::fromLatin1(fields[3]);
    if (!Fingerprint::isWellFormed(fingerprint))
        return refuse(error, "bad fingerprint in key announcement");
    KeyAnnouncement announcement;
    announcement.name = Cp1251::decode(name);
    announcement.port = quint16(port);
    announcement.fingerprint = fingerprint.toUpper();
    return announcement;
}
