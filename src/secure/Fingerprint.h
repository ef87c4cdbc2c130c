#pragma once

#include <QByteArray>
#include <QString>

class QSslCertificate;

// A key's fingerprint: SHA-256 of its public key (SubjectPublicKeyInfo, DER),
// kept as 64 upper-case hexadecimal digits.
namespace Fingerprint {

inline constexpr int kLength = 64;

// Empty when the certificate holds no usable public key.
QString ofCertificate(const QSslCertificate &certificate);
QString ofPublicKeyDer(const QByteArray &spki);
// 64 hexadecimal digits, either case.
inline bool isWellFormed(QStringView fingerprint)
{
    if (fingerprint.size() != kLength)
        return false;
    for (QChar c : fingerprint) {
        const char16_t u = c.unicode();
        if (!((u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'F') || (u >= u'a' && u <= u'f')))
            return false;
    }
    return true;
}
// The one comparison of fingerprints: the same key, whatever the letter case.
inline bool same(QStringView a, QStringView b)
{
    return !a.isEmpty() && a.compare(b, Qt::CaseInsensitive) == 0;
}
// Groups of four separated by blanks, to be read aloud and compared.
QString grouped(const QString &fingerprint);

} // namespace Fingerprint
