#pragma once

#include "HttpFetch.h"
#include "MetaTags.h"
#include "VersionCompare.h"

#include <QDeadlineTimer>
#include <QFlags>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

#include <functional>
#include <type_traits>

// A question the check puts to its owner; the owner answers by calling it,
// now or after the user has answered a box. Until then the check waits.
template <typename... T>
using Answer = std::function<void(T...)>;

// What the information dialog shows.
struct InfoRequest
{
    QString address;  // the page the values came from
    QString pageText; // its text, already fetched
    bool checkForUpdate = true;
    QString okCaption;
    QString cancelCaption;
    QString checkForUpdateCaption;
};

// Everything the check reports or asks. All are optional: a question left
// unset counts as answered with the values it was given.
struct WebUpdateEvents
{
    std::function<void()> beforeGetInfo;
    std::function<void()> afterGetInfo;
    std::function<void()> downloadError;
    std::function<void()> noUpdateFound;
    std::function<void(const QString &actualVersion, const QString &newVersion, Answer<bool> canUpdate)>
        updateAvailable;
    std::function<void(Answer<bool, bool> showInfoAndCheckForUpdate)> beforeShowInfo;
    std::function<void(const InfoRequest &request, Answer<bool, bool> agreedAndCheckForUpdate)> showInfo;
    std::function<void(bool checkForUpdate)> afterShowInfo;
    std::function<void(const QString &fileName, Answer<QString> fileNameToUse)> getClientFileName;
    std::function<void(const QString &fileName, bool overwrite, Answer<QString, bool> fileNameAndOverwrite)>
        clientFileExists;
    std::function<void(const QString &fileName)> beforeDownload;
    std::function<void(qint64 total, qint64 downloaded)> download;
    std::function<void(const QString &fileName, Answer<> done)> afterDownload;
    // The downloaded file is never executed here: the owner shows where it is.
    std::function<void(const QString &fileName, const QString &runParameters)> runUpdate;
};

// The update check: fetches the information page (following the pages'
// redirections up to a bound), compares the version, asks, and downloads the
// newer version into the download folder. One check at a time; destroying the
// component cancels a running one without a further event.
class TWebUpdate : public QObject
{
    Q_OBJECT

public:
    enum Option {
        uoRunUpdate = 0x1, // hand the downloaded file to the runUpdate event
        uoOverwrite = 0x4, // the initial answer when the local file exists
    };
    Q_DECLARE_FLAGS(Options, Option)

    struct TInfoCaption
    {
        QString OkButton = QStringLiteral("&OK");
        QString CancelButton = QStringLiteral("&Cancel");
        QString CheckForUpdate = QStringLiteral("C&heck for updates in the future");
    };

    // Pages a check follows through redirections, the first included.
    static constexpr int kMaxPages = 6;

    // Time the network may take, whatever pace the server keeps: for all the
    // pages of one check together, and for the download. Time the check waits
    // for the user's answers does not count.
    struct Deadlines
    {
        int pagesMs = 60 * 1000;
        int downloadMs = 60 * 60 * 1000;
    };

    explicit TWebUpdate(QObject *parent = nullptr);
    ~TWebUpdate() override;

    // "http://" is put in front unless the address names http or https.
    void setProductUrl(const QString &address);
    QString productUrl() const;
    void setProductVersion(const QString &version);
    QString productVersion() const;
    void setVersionFormat(VersionFormat format);
    void setTagInfo(const TTagInfo &tags);
    const TTagInfo &tagInfo() const;
    void setInfoCaption(const TInfoCaption &captions);
    void setCredentials(const QString &userName, const QString &password);
    void setOptions(Options options);
    Options options() const;
    // Where downloads go; the system's temporary folder unless set.
    void setDownloadFolder(const QString &folder);
    void setLimits(const HttpFetch::Limits &limits);
    void setDeadlines(const Deadlines &deadlines);
    void setEvents(WebUpdateEvents events);

    // Starts a check; false (and nothing happens) while one is running.
    bool CheckUpdate();
    bool isBusy() const;
    // The values of the last page read, and the file of the last download.
    const PageValues &pageValues() const;
    QString clientFileName() const;

Q_SIGNALS:
    // The check is over; `downloaded` when a newer version is on disk.
    void finished(bool downloaded);

private:
    void getInfo();
    void onPage(bool ok, const QString &reason);
    void compare();
    void informationStep();
    void download();
    void startDownload();
    void onFile(bool ok, const QString &reason);
    void fail(const QString &reason);
    void finish(bool downloaded);
    void onDeadline();
    // Wraps a continuation so that it runs only while this check is still on.
    template <typename... T>
    Answer<T...> guard(std::type_identity_t<std::function<void(T...)>> next);

    HttpFetch m_fetch;
    WebUpdateEvents m_events;
    QString m_url;
    QString m_version = QStringLiteral("1.0");
    VersionFormat m_format = VersionFormat::vfStandard;
    TTagInfo m_tags;
    TInfoCaption m_captions;
    Options m_options = uoRunUpdate;
    QString m_downloadFolder;
    Deadlines m_deadlines;
    QTimer m_deadline;          // runs while a transfer does
    QDeadlineTimer m_pagesDue;  // the end of the pages' time

    bool m_busy = false;
    quint64 m_run = 0;
    bool m_fetchingFile = false;
    PageValues m_values;
    QString m_redirection;
    QString m_pageAddress;
    QString m_pageText;
    QSet<QString> m_visited;
    QString m_clientFileName;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TWebUpdate::Options)
