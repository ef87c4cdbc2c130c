#include "Identity.h"

#include "Fingerprint.h"
#include "Logging.h"
#include "PrivateFiles.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>

#include <memory>

namespace {

// Larger than any identity file we write; a bigger one is not ours.
constexpr qint64 kMaxFileSize = 64 * 1024;

template <typename T, void (*Free)(T *)>
using Owned = std::unique_ptr<T, decltype([](T *p) { Free(p); })>;

QByteArray bioBytes(BIO *bio)
{
    char *data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    return size > 0 ? QByteArray(data, size) : QByteArray();
}

// A P-256 key and a certificate for it, signed by itself, both PEM; empty on failure.
QByteArray makeIdentityPem()
{
    Owned<EVP_PKEY, EVP_PKEY_free> key(EVP_EC_gen("P-256"));
    if (!key)
        return {};
    Owned<X509, X509_free> cert(X509_new());
    if (!cert || X509_set_version(cert.get(), 2) != 1)
        return {};
    unsigned char serial[16];
    if (RAND_bytes(serial, sizeof serial) != 1)
        return {};
    serial[0] &= 0x7f; // a positive serial number
    Owned<BIGNUM, BN_free> number(BN_bin2bn(serial, sizeof serial, nullptr));
    if (!number || !BN_to_ASN1_INTEGER(number.get(), X509_get_serialNumber(cert.get())))
        return {};
    // Trust is in the pinned key, not in dates: the certificate does not run out in practice.
    if (!X509_gmtime_adj(X509_getm_notBefore(cert.get()), -86400)
        || !X509_time_adj_ex(X509_getm_notAfter(cert.get()), 36500, 0, nullptr))
        return {};
    if (X509_set_pubkey(cert.get(), key.get()) != 1)
        return {};
    X509_NAME *name = X509_get_subject_name(cert.get());
    const auto *common = reinterpret_cast<const unsigned char *>("Zavolin");
    if (X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, common, -1, -1, 0) != 1
        || X509_set_issuer_name(cert.get(), name) != 1)
        return {};
    if (X509_sign(cert.get(), key.get(), EVP_sha256()) <= 0)
        return {};
    Owned<BIO, BIO_free_all> bio(BIO_new(BIO_s_mem()));
    if (!bio || PEM_write_bio_PrivateKey(bio.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1
        || PEM_write_bio_X509(bio.get(), cert.get()) != 1)
        return {};
    return bioBytes(bio.get());
}

// Whether the PEM holds a key and a certificate for that same key.
bool belongTogether(const QByteArray &pem)
{
    Owned<BIO, BIO_free_all> keyBio(BIO_new_mem_buf(pem.constData(), int(pem.size())));
    Owned<BIO, BIO_free_all> certBio(BIO_new_mem_buf(pem.constData(), int(pem.size())));
    if (!keyBio || !certBio)
        return false;
    Owned<EVP_PKEY, EVP_PKEY_free> key(PEM_read_bio_PrivateKey(keyBio.get(), nullptr, nullptr, nullptr));
    Owned<X509, X509_free> cert(PEM_read_bio_X509(certBio.get(), nullptr, nullptr, nullptr));
    return key && cert && X509_check_private_key(cert.get(), key.get()) == 1;
}

void parse(const QByteArray &pem, QSslCertificate *certificate, QSslKey *key)
{
    *key = QSslKey(pem, QSsl::Ec, QSsl::Pem, QSsl::PrivateKey);
    const QList<QSslCertificate> certificates = QSslCertificate::fromData(pem, QSsl::Pem);
    *certificate = certificates.isEmpty() ? QSslCertificate() : certificates.first();
}

bool writePrivately(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    // Before a byte of the key is written.
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

// What lies at the identity's path. Only a regular file of ours is read: a
// link or someone else's file may hold a key others know, so it is refused and
// left as it is. Ours but open to others is narrowed before it is read.
struct FoundFile
{
    enum class Kind { Absent, Ours, Refused };
    Kind kind = Kind::Absent;
    bool readable = false; // Ours: read whole, within the bound
    bool narrowed = false; // Ours: was readable by others
    QByteArray pem;
    QString refusal; // Refused: why, for the user
};

QString unavailable(const QString &why)
{
    return QCoreApplication::translate("Identity", "%1: защищённый канал недоступен.").arg(why);
}

FoundFile refused(const QString &why)
{
    FoundFile found;
    found.kind = FoundFile::Kind::Refused;
    found.refusal = unavailable(why);
    return found;
}

FoundFile inspect(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat info{};
    if (::lstat(name.constData(), &info) != 0)
        return {}; // making a new one says what is wrong with the folder
    const QString symlink = QCoreApplication::translate("Identity", "Файл ключа этого компьютера %1 — символическая ссылка, а ключ берётся "
                                           "только из обычного файла. Замените ссылку самим файлом или удалите её, "
                                           "чтобы был создан новый ключ")
                                .arg(path);
    if (S_ISLNK(info.st_mode))
        return refused(symlink);
    if (!S_ISREG(info.st_mode))
        return refused(QCoreApplication::translate("Identity", "%1 — не обычный файл и не может быть ключом этого компьютера").arg(path));
    if (info.st_uid != ::geteuid())
        return refused(QCoreApplication::translate("Identity", "Файл ключа этого компьютера %1 принадлежит другому пользователю и не "
                                      "используется. Удалите его, чтобы был создан новый ключ")
                           .arg(path));
    FoundFile found;
    found.kind = FoundFile::Kind::Ours;
    int fd = -1;
    do
        fd = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return errno == ELOOP ? refused(symlink) : found; // ours but unreadable: replaced as garbage is
    QFile file;
    file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    // What was looked at may have been swapped since: the open file decides.
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid())
        return refused(QCoreApplication::translate("Identity", "Файл ключа этого компьютера %1 был подменён во время чтения").arg(path));
    if (info.st_mode & (S_IRWXG | S_IRWXO)) {
        if (::fchmod(fd, S_IRUSR | S_IWUSR) != 0)
            return refused(QCoreApplication::translate("Identity", "Файл ключа этого компьютера %1 доступен другим пользователям, "
                                          "а закрыть его от них не удалось")
                               .arg(path));
        found.narrowed = true;
    }
    found.pem = file.read(kMaxFileSize + 1);
    found.readable = found.pem.size() <= kMaxFileSize;
    return found;
}

} // namespace

Identity Identity::loadOrCreate(const QString &folder, QString *notice)
{
    const QString path = QDir(folder).filePath(QString::fromLatin1(kFileName));
    Identity identity;
    const FoundFile found = inspect(path);
    if (found.kind == FoundFile::Kind::Refused) {
        qCWarning(lcZavolin, "the identity file %s is not used: not a private file of this user", qPrintable(path));
        if (notice)
            *notice = found.refusal;
        return identity;
    }
    QString narrowed;
    if (found.narrowed) {
        qCWarning(lcZavolin, "the identity file %s was readable by others; now by its owner only", qPrintable(path));
        narrowed = QCoreApplication::translate("Identity", "Файл ключа этого компьютера %1 могли читать другие пользователи; теперь его "
                                  "читает только владелец. Если посторонние могли его скопировать, удалите файл: "
                                  "будет создан новый ключ, и собеседники должны будут принять его.")
                       .arg(path);
    }
    bool setAside = false;
    if (found.kind == FoundFile::Kind::Ours) {
        // The certificate must belong to the key: a mismatch is as unreadable as garbage.
        if (found.readable && belongTogether(found.pem)) {
            parse(found.pem, &identity.m_certificate, &identity.m_key);
            identity.m_fingerprint = Fingerprint::ofCertificate(identity.m_certificate);
            if (identity.isValid() && !identity.m_fingerprint.isEmpty()) {
                if (notice && !narrowed.isEmpty())
                    *notice = narrowed;
                return identity;
            }
        }
        // Kept for whoever wants to look at it; a later failure overwrites the copy.
        const QString aside = path + QStringLiteral(".unreadable");
        QFile::remove(aside);
        setAside = QFile::rename(path, aside);
        qCWarning(lcZavolin, "the identity file %s cannot be read; a new identity is made", qPrintable(path));
        identity = Identity();
    }
    const QByteArray pem = makeIdentityPem();
    if (pem.isEmpty()) {
        if (notice)
            *notice = unavailable(QCoreApplication::translate("Identity", "Не удалось создать ключ этого компьютера"));
        return Identity();
    }
    QString error;
    PrivateFiles::makeFolder(folder);
    if (!writePrivately(path, pem, &error)) {
        if (notice)
            *notice = unavailable(QCoreApplication::translate("Identity", "Не удалось сохранить ключ этого компьютера (%1)").arg(error));
        return Identity();
    }
    parse(pem, &identity.m_certificate, &identity.m_key);
    identity.m_fingerprint = Fingerprint::ofCertificate(identity.m_certificate);
    if (setAside && notice) {
        *notice = QCoreApplication::translate("Identity", "Ключ этого компьютера не читался и заменён новым. "
                                 "Собеседники увидят новый отпечаток и должны будут принять его.");
    }
    return identity;
}
