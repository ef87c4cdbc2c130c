#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The datagram by which an instance tells which key it holds and where its
// secure listener is: "$1", TAB, own name, TAB, port, TAB, fingerprint, in
// code page 1251. Its first byte is no datagram command, so instances that
// know only the commands ignore it.
struct KeyAnnouncement
{
    static constexpr char kLetter = '$';
    // Far above a real one (a name, five digits and 64 hexadecimal digits).
    static constexpr qsizetype kMaxSize = 512;
    static constexpr qsizetype kMaxName = 255;

    QString name;
    quint16 port = 0;
    QString fingerprint; // 64 upper-case hexadecimal digits

    QByteArray encode() const;
    // Anything but a well-formed announcement gives nothing; *error says why.
    static std::optional<KeyAnnouncement> parse(QByteArrayView datagram, QString *error = nullptr);
    static bool isAnnouncement(QByteArrayView datagram) { return !datagram.isEmpty() && datagram.front() == kLetter; }
};
