#include "Fingerprint.h"

#include <QCryptographicHash>
#include <QSslCertificate>

#include <openssl/x509.h>

#include <memory>

QString Fingerprint::ofPublicKeyDer(const QByteArray &spki)
{
    if (spki.isEmpty())
        return QString();
    return QString::fromLatin1(QCryptographicHash::hash(spki, QCryptographicHash::Sha256).toHex().toUpper());
}

QString Fingerprint::ofCertificate(const QSslCertificate &certificate)
{
    if (certificate.isNull())
        return QString();
    const QByteArray der = certificate.toDer();
    const auto *data = reinterpret_cast<const unsigned char *>(der.constData());
    std::unique_ptr<X509, decltype(&X509_free)> x509(d2i_X509(nullptr, &data, der.size()), X509_free);
    if (!x509)
        return QString();
    const EVP_PKEY *key = X509_get0_pubkey(x509.get());
    if (!key)
        return QString();
    const int size = i2d_PUBKEY(key, nullptr);
    if (size <= 0)
        return QString();
    QByteArray spki(size, Qt::Uninitialized);
    auto *out = reinterpret_cast<unsigned char *>(spki.data());
    if (i2d_PUBKEY(key, &out) != size)
        return QString();
    return ofPublicKeyDer(spki);
}

QString Fingerprint::grouped(const QString &fingerprint)
{
    QString out;
    for (qsizetype i = 0; i < fingerprint.size(); i += 4) {
        if (i > 0)
            out += u' ';
        out += fingerprint.mid(i, 4);
    }
    return out;
}
