#pragma once

#include <QSslCertificate>
#include <QSslKey>
#include <QString>

// This installation's key pair and self-signed certificate, made at the first
// start and kept in one file of the data folder, readable by its owner only.
// The key leaves the file only for TLS handshakes.
class Identity
{
public:
    static constexpr const char *kFileName = "identity.pem";

    // Reads the identity kept in `folder`, or makes and keeps a new one. A
    // file that cannot be read is set aside and replaced; *notice then says
    // so, once, for the user. A file of ours that others could read is made
    // the owner's only, and *notice says so. A link, someone else's file or
    // anything but a regular file is refused and left untouched. Refused, a
    // folder that cannot be written or a library that cannot make keys:
    // isValid() is then false and *notice says why.
    static Identity loadOrCreate(const QString &folder, QString *notice = nullptr);

    bool isValid() const { return !m_key.isNull() && !m_certificate.isNull(); }
    const QSslCertificate &certificate() const { return m_certificate; }
    const QSslKey &privateKey() const { return m_key; }
    // SHA-256 of the public key, 64 hexadecimal digits.
    const QString &fingerprint() const { return m_fingerprint; }

private:
    QSslCertificate m_certificate;
    QSslKey m_key;
    QString m_fingerprint;
};
