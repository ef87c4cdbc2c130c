#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <memory>

class QNetworkAccessManager;
class QNetworkReply;
class QTemporaryFile;

// One HTTP GET of the update check: the information page into memory, or the
// download into a file. Always from the server, never a cache; HTTP
// redirections are followed up to a bound. Every failure ends in finished(false)
// with a reason for the log; cancel() and destruction end it silently, and a
// file that did not arrive whole is never left behind.
class HttpFetch : public QObject
{
    Q_OBJECT

public:
    struct Limits
    {
        qint64 pageBytes = 1024 * 1024;
        qint64 fileBytes = qint64(512) * 1024 * 1024; // below INT_MAX: progress is counted in int
        int redirections = 5;
        int stallMs = 30000; // no byte for this long ends the transfer
    };

    explicit HttpFetch(QObject *parent = nullptr);
    ~HttpFetch() override;

    void setLimits(const Limits &limits);
    // Credentials for servers that ask; empty: none.
    void setCredentials(const QString &userName, const QString &password);

    // The page: success when at least one byte of a 2xx answer arrived.
    void getPage(const QUrl &url);
    // The file: the server must announce its size and send exactly that much.
    // Bytes go to a private temporary file beside `fileName` as they arrive;
    // only a whole download replaces `fileName`.
    void getFile(const QUrl &url, const QString &fileName);
    void cancel();

    bool isRunning() const;
    const QByteArray &page() const;

Q_SIGNALS:
    void progress(qint64 total, qint64 received);
    void finished(bool ok, const QString &reason);

private:
    void start(const QUrl &url);
    void onReadyRead();
    void onFinished();
    bool checkHeader(QString &reason);
    void fail(const QString &reason);
    void stop();
    bool commitFile(QString &reason);

    std::unique_ptr<QNetworkAccessManager> m_manager;
    QPointer<QNetworkReply> m_reply;
    std::unique_ptr<QTemporaryFile> m_file;
    Limits m_limits;
    QString m_userName;
    QString m_password;
    QString m_fileName;
    QByteArray m_page;
    bool m_toFile = false;
    bool m_headerChecked = false;
    qint64 m_total = -1;
    qint64 m_received = 0;
};
