#include "WebUpdate.h"

#include "Logging.h"
#include "UpdateAddress.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QUrl>

#include <climits>

TWebUpdate::TWebUpdate(QObject *parent)
    : QObject(parent)
{
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, &TWebUpdate::onDeadline);
    connect(&m_fetch, &HttpFetch::progress, this, [this](qint64 total, qint64 received) {
        if (m_events.download)
            m_events.download(total, received);
    });
    connect(&m_fetch, &HttpFetch::finished, this, [this](bool ok, const QString &reason) {
        if (m_fetchingFile)
            onFile(ok, reason);
        else
            onPage(ok, reason);
    });
}

TWebUpdate::~TWebUpdate()
{
    // The fetch is a member: it cancels, and removes a partial file, silently.
    ++m_run;
}

void TWebUpdate::setProductUrl(const QString &address)
{
    m_url = address.isEmpty() ? QString() : UpdateAddress::withHttpPrefix(address);
}

QString TWebUpdate::productUrl() const
{
    return m_url;
}

void TWebUpdate::setProductVersion(const QString &version)
{
    m_version = version;
}

QString TWebUpdate::productVersion() const
{
    return m_version;
}

void TWebUpdate::setVersionFormat(VersionFormat format)
{
    m_format = format;
}

void TWebUpdate::setTagInfo(const TTagInfo &tags)
{
    m_tags = tags;
}

const TTagInfo &TWebUpdate::tagInfo() const
{
    return m_tags;
}

void TWebUpdate::setInfoCaption(const TInfoCaption &captions)
{
    m_captions = captions;
}

void TWebUpdate::setCredentials(const QString &userName, const QString &password)
{
    m_fetch.setCredentials(userName, password);
}

void TWebUpdate::setOptions(Options options)
{
    m_options = options;
}

TWebUpdate::Options TWebUpdate::options() const
{
    return m_options;
}

void TWebUpdate::setDownloadFolder(const QString &folder)
{
    m_downloadFolder = folder;
}

void TWebUpdate::setLimits(const HttpFetch::Limits &limits)
{
    m_fetch.setLimits(limits);
}

void TWebUpdate::setDeadlines(const Deadlines &deadlines)
{
    m_deadlines = deadlines;
}

void TWebUpdate::setEvents(WebUpdateEvents events)
{
    m_events = std::move(events);
}

bool TWebUpdate::isBusy() const
{
    return m_busy;
}

const PageValues &TWebUpdate::pageValues() const
{
    return m_values;
}

QString TWebUpdate::clientFileName() const
{
    return m_clientFileName;
}

template <typename... T>
Answer<T...> TWebUpdate::guard(std::type_identity_t<std::function<void(T...)>> next)
{
    return [self = QPointer<TWebUpdate>(this), run = m_run, next = std::move(next)](T... values) {
        if (self && self->m_busy && self->m_run == run)
            next(values...);
    };
}

bool TWebUpdate::CheckUpdate()
{
    if (m_busy)
        return false;
    m_busy = true;
    ++m_run;
    m_redirection.clear();
    m_visited.clear();
    m_clientFileName.clear();
    if (m_events.beforeGetInfo)
        m_events.beforeGetInfo();
    // One bound for the whole chain of pages, however it is paced.
    m_pagesDue = QDeadlineTimer(qMax(0, m_deadlines.pagesMs));
    getInfo();
    return true;
}

void TWebUpdate::getInfo()
{
    m_values = PageValues();
    m_pageAddress = m_redirection.isEmpty() ? m_url : UpdateAddress::withHttpPrefix(m_redirection);
    m_visited.insert(m_pageAddress);
    m_fetchingFile = false;
    m_deadline.start(int(qBound(qint64(0), m_pagesDue.remainingTime(), qint64(INT_MAX))));
    m_fetch.getPage(QUrl(m_pageAddress));
}

void TWebUpdate::onPage(bool ok, const QString &reason)
{
    m_deadline.stop();
    if (!ok) {
        qCWarning(lcZavolin).noquote() << "Update information from" << m_pageAddress << "not read:" << reason;
        if (m_events.downloadError)
            m_events.downloadError();
        if (m_events.afterGetInfo)
            m_events.afterGetInfo();
        finish(false);
        return;
    }
    m_pageText = MetaTags::decodePage(m_fetch.page());
    m_values = MetaTags::parsePage(MetaTags::splitLines(m_pageText), m_tags);
    m_redirection = m_values.redirection;
    if (!m_redirection.isEmpty()) {
        // Pages may point at each other; a bounded chain without repeats is followed.
        const QString next = UpdateAddress::withHttpPrefix(m_redirection);
        if (m_visited.contains(next) || m_visited.size() >= kMaxPages) {
            fail(QStringLiteral("the pages redirect in a loop or too often, last to ") + next);
            return;
        }
        getInfo();
        return;
    }
    if (m_events.afterGetInfo)
        m_events.afterGetInfo();
    compare();
}

void TWebUpdate::compare()
{
    if (m_values.productName.isEmpty() || m_values.version.isEmpty()) {
        qCWarning(lcZavolin).noquote() << "Update information at" << m_pageAddress << "names no product or version";
        if (m_events.downloadError)
            m_events.downloadError();
        finish(false);
        return;
    }
    if (!VersionCompare::isNewer(m_version, m_values.version, m_format)) {
        if (m_events.noUpdateFound)
            m_events.noUpdateFound();
        finish(false);
        return;
    }
    auto next = guard<bool>([this](bool canUpdate) {
        if (canUpdate)
            informationStep();
        else
            finish(false);
    });
    if (m_events.updateAvailable)
        m_events.updateAvailable(m_version, m_values.version, next);
    else
        next(true);
}

void TWebUpdate::informationStep()
{
    auto shown = guard<bool, bool>([this](bool agreed, bool checkForUpdate) {
        if (m_events.afterShowInfo)
            m_events.afterShowInfo(checkForUpdate);
        if (agreed)
            download();
        else
            finish(false);
    });
    auto asked = guard<bool, bool>([this, shown](bool showInfo, bool checkForUpdate) {
        if (!showInfo || !m_events.showInfo) {
            download();
            return;
        }
        InfoRequest request;
        request.address = m_pageAddress;
        request.pageText = m_pageText;
        request.checkForUpdate = checkForUpdate;
        request.okCaption = m_captions.OkButton;
        request.cancelCaption = m_captions.CancelButton;
        request.checkForUpdateCaption = m_captions.CheckForUpdate;
        m_events.showInfo(request, shown);
    });
    if (m_events.beforeShowInfo)
        m_events.beforeShowInfo(asked);
    else
        asked(true, true);
}

void TWebUpdate::download()
{
    const QString name = UpdateAddress::plainFileName(m_values.clientFileName);
    if (name.isEmpty()) {
        fail(QStringLiteral("the page names no usable file name: ") + m_values.clientFileName);
        return;
    }
    const QString folder = m_downloadFolder.isEmpty() ? QDir::tempPath() : m_downloadFolder;
    auto named = guard<QString>([this](const QString &fileName) {
        m_clientFileName = fileName;
        const QFileInfo existing(fileName);
        if (!existing.exists() && !existing.isSymLink()) {
            startDownload();
            return;
        }
        auto decided = guard<QString, bool>([this](const QString &fileName, bool overwrite) {
            m_clientFileName = fileName;
            if (overwrite)
                startDownload();
            else
                fail(QStringLiteral("the user kept the existing ") + fileName);
        });
        if (m_events.clientFileExists)
            m_events.clientFileExists(fileName, m_options.testFlag(uoOverwrite), decided);
        else
            decided(fileName, m_options.testFlag(uoOverwrite));
    });
    const QString fileName = QDir(folder).filePath(name);
    if (m_events.getClientFileName)
        m_events.getClientFileName(fileName, named);
    else
        named(fileName);
}

void TWebUpdate::startDownload()
{
    if (m_events.beforeDownload)
        m_events.beforeDownload(m_clientFileName);
    m_fetchingFile = true;
    m_deadline.start(qMax(0, m_deadlines.downloadMs));
    m_fetch.getFile(QUrl(UpdateAddress::withHttpPrefix(m_values.download)), m_clientFileName);
}

void TWebUpdate::onFile(bool ok, const QString &reason)
{
    m_deadline.stop();
    m_fetchingFile = false;
    if (!ok) {
        fail(QStringLiteral("download from ") + m_values.download + QStringLiteral(" failed: ") + reason);
        return;
    }
    auto done = guard<>([this] {
        if (m_options.testFlag(uoRunUpdate) && m_events.runUpdate)
            m_events.runUpdate(m_clientFileName, m_values.runParameters);
        finish(true);
    });
    if (m_events.afterDownload)
        m_events.afterDownload(m_clientFileName, done);
    else
        done();
}

void TWebUpdate::fail(const QString &reason)
{
    qCWarning(lcZavolin).noquote() << "Update check:" << reason;
    if (m_events.downloadError)
        m_events.downloadError();
    finish(false);
}

void TWebUpdate::onDeadline()
{
    if (!m_busy || !m_fetch.isRunning())
        return;
    // Cancelling is silent; the check reports the failure itself, as any other.
    m_fetch.cancel();
    if (m_fetchingFile) {
        fail(QStringLiteral("the download from ") + m_values.download + QStringLiteral(" took longer than allowed"));
        return;
    }
    onPage(false, QStringLiteral("the pages took longer than allowed"));
}

void TWebUpdate::finish(bool downloaded)
{
    m_deadline.stop();
    m_busy = false;
    ++m_run;
    m_fetchingFile = false;
    Q_EMIT finished(downloaded);
}
