#include "AboutForm.h"

#include "Accessibility.h"

#include "Icons.h"
#include "MessageBoxes.h"
#include "ProgramVersion.h"
#include "ShowInfoUpdateForm.h"
#include "UpdateAddress.h"
#include "UpdateSettings.h"
#include "WebUpdate.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QUrl>

namespace {

// Looked up when used: the translator is installed after static data is built.
QString attention()
{
    return QCoreApplication::translate("TAboutForm", "Внимание");
}

// A box that calls `closed` once the user has closed it, whatever the button.
QMessageBox *boxThen(QWidget *parent, QMessageBox::Icon icon, const QString &caption, const QString &text,
                     QMessageBox::StandardButtons buttons, std::function<void(bool yes)> closed)
{
    auto *box = new QMessageBox(icon, caption, text, buttons, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    if (buttons.testFlag(QMessageBox::Yes))
        box->setDefaultButton(QMessageBox::Yes);
    QObject::connect(box, &QMessageBox::finished, box, [box, closed = std::move(closed)] {
        if (closed)
            closed(box->standardButton(box->clickedButton()) == QMessageBox::Yes);
    });
    box->open();
    return box;
}

QString linkHtml(const QString &href, const QString &text, bool strong)
{
    const QString shown = text.toHtmlEscaped();
    const QString style = QStringLiteral("color:#0000ff;%1").arg(strong ? u"font-weight:bold;" : u"");
    return QStringLiteral("<a href=\"%1\" style=\"%2\">%3</a>").arg(href.toHtmlEscaped(), style, shown);
}

QLabel *linkLabel(QWidget *parent, const QString &name)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::RichText);
    label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    label->setOpenExternalLinks(false);
    return label;
}

} // namespace

TAboutForm::TAboutForm(const QString &settingsPath, QWidget *parent)
    : QDialog(parent)
    , m_settingsPath(settingsPath)
    , m_webUpdate(std::make_unique<TWebUpdate>())
{
    setObjectName(QStringLiteral("AboutForm"));
    setWindowTitle(tr("О программе..."));
    setFixedSize(286, 252);
    // Created on each opening, gone when closed: a running check ends with it.
    connect(this, &QDialog::finished, this, &QObject::deleteLater);

    m_webUpdate->setObjectName(QStringLiteral("WebUpdate1"));
    m_webUpdate->setProductVersion(kProgramVersion);
    TTagInfo tags;
    tags.ProductName = QStringLiteral("Product");
    tags.Version = QStringLiteral("Version");
    tags.Download = QStringLiteral("Download");
    tags.ClientFileName = QStringLiteral("ClientSideName");
    tags.RunParameters = QStringLiteral("RunParameters");
    tags.Redirection = QStringLiteral("Redirection");
    tags.Author = QStringLiteral("Author");
    tags.Email = QStringLiteral("Email");
    m_webUpdate->setTagInfo(tags);
    m_webUpdate->setOptions(TWebUpdate::uoRunUpdate);

    buildControls();
    wireEvents();
}

// The check goes first, silently, before the boxes and the dialog it may be waiting on.
TAboutForm::~TAboutForm() = default;

void TAboutForm::buildControls()
{
    auto *panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setGeometry(4, 4, 278, 206);

    auto *icon = new QLabel(panel);
    icon->setObjectName(QStringLiteral("ProgramIcon"));
    icon->setPixmap(Icons::pixmap(QStringLiteral("zavolin"), 32));
    icon->setAlignment(Qt::AlignCenter);
    icon->setGeometry(8, 8, 38, 34);

    auto *name = new QLabel(QStringLiteral("Zavolin"), panel);
    name->setObjectName(QStringLiteral("ProductName"));
    QFont nameFont = name->font();
    nameFont.setBold(true);
    nameFont.setPointSize(10);
    name->setFont(nameFont);
    name->setGeometry(56, 8, 210, 18);

    auto *version = new QLabel(tr("Версия: %1").arg(kProgramVersion), panel);
    version->setObjectName(QStringLiteral("Version"));
    QFont versionFont = version->font();
    versionFont.setBold(true);
    version->setFont(versionFont);
    version->setGeometry(56, 28, 210, 16);

    m_siteLink = linkLabel(panel, QStringLiteral("SiteLink"));
    m_siteLink->setGeometry(8, 52, 262, 16);
    m_emailLink = linkLabel(panel, QStringLiteral("EmailLink"));
    m_emailLink->setGeometry(8, 72, 262, 16);
    const QString site = UpdateSettings::siteUrl(m_settingsPath);
    const QString email = UpdateSettings::email(m_settingsPath);
    if (!site.isEmpty())
        m_siteLink->setText(linkHtml(UpdateAddress::withHttpPrefix(site), site, false));
    if (!email.isEmpty())
        m_emailLink->setText(linkHtml(QStringLiteral("mailto:") + email, email, false));
    Accessibility::setName(m_siteLink, tr("Сайт программы"), site);
    Accessibility::setName(m_emailLink, tr("Электронная почта"), email);
    // An empty link is no stop for the keyboard.
    for (QLabel *link : {m_siteLink, m_emailLink}) {
        if (link->text().isEmpty())
            link->setFocusPolicy(Qt::NoFocus);
    }

    auto *line = new QFrame(panel);
    line->setObjectName(QStringLiteral("Bevel1"));
    line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    line->setGeometry(8, 96, 262, 4);

    m_updateLink = linkLabel(panel, QStringLiteral("UpdateLink"));
    m_updateLink->setText(linkHtml(QStringLiteral("update:"), tr("Загрузить новую версию с сайта программы"), true));
    m_updateLink->setAlignment(Qt::AlignCenter);
    // Bold text outgrows one line of the fixed window with wider desktop fonts.
    m_updateLink->setWordWrap(true);
    m_updateLink->setGeometry(4, 102, 270, 36);

    m_progress = new QProgressBar(panel);
    m_progress->setObjectName(QStringLiteral("ProgressBar1"));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    m_progress->setGeometry(6, 142, 265, 11);

    m_status = new QLabel(panel);
    m_status->setObjectName(QStringLiteral("StatusLabel"));
    m_status->setGeometry(6, 158, 265, 32);
    m_status->setWordWrap(true);
    m_status->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_ok = new QPushButton(QStringLiteral("Ok"), this);
    m_ok->setObjectName(QStringLiteral("OkButton"));
    m_ok->setGeometry((286 - 75) / 2, 218, 75, 25);
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    connect(m_siteLink, &QLabel::linkActivated, this, &TAboutForm::openLink);
    connect(m_emailLink, &QLabel::linkActivated, this, &TAboutForm::openLink);
    connect(m_updateLink, &QLabel::linkActivated, this, &TAboutForm::startCheck);
}

void TAboutForm::wireEvents()
{
    WebUpdateEvents events;
    events.downloadError = [this] {
        // The status line no longer says a download is running.
        if (!m_downloading.isEmpty())
            m_status->setText(tr("Не удалось загрузить файл %1").arg(m_downloading));
        resetProgress();
        MessageBoxes::show(this, QMessageBox::Critical, tr("Ошибка"),
                           tr("Не удалось подключиться к серверу!"));
    };
    events.noUpdateFound = [this] {
        MessageBoxes::information(this, tr("Ваша версия программы не нуждается в обновлении!"));
    };
    events.updateAvailable = [this](const QString &actual, const QString &newer, Answer<bool> canUpdate) {
        boxThen(this, QMessageBox::Warning, attention(),
                tr("Вы пользуетесь версией %1, на сайте найдена версия %2 \r\n"
                               "Хотите загрузить новую программу?")
                    .arg(actual, newer),
                QMessageBox::Yes | QMessageBox::No, canUpdate);
    };
    events.beforeShowInfo = [this](Answer<bool, bool> answer) {
        boxThen(this, QMessageBox::Question, attention(), tr("Хотите прочитать информацию?"),
                QMessageBox::Yes | QMessageBox::No, [answer](bool yes) { answer(yes, true); });
    };
    events.showInfo = [this](const InfoRequest &request, Answer<bool, bool> answer) {
        if (!m_infoForm)
            m_infoForm = new Tfrm_ShowInfoUpdate(this);
        m_infoForm->showInfo(request, std::move(answer));
    };
    events.getClientFileName = [this](const QString &fileName, Answer<QString> answer) {
        boxThen(this, QMessageBox::Information, attention(), tr("Файл будет загружен в %1").arg(fileName),
                QMessageBox::Ok, [answer, fileName](bool) { answer(fileName); });
    };
    events.clientFileExists = [this](const QString &fileName, bool, Answer<QString, bool> answer) {
        boxThen(this, QMessageBox::Question, attention(),
                tr("Файл %1 уже существует. Перезаписать его?").arg(fileName),
                QMessageBox::Yes | QMessageBox::No, [answer, fileName](bool yes) { answer(fileName, yes); });
    };
    events.beforeDownload = [this](const QString &fileName) {
        m_downloading = QFileInfo(fileName).fileName();
        m_status->setText(tr("Загрузка файла %1").arg(m_downloading));
    };
    events.download = [this](qint64 total, qint64 downloaded) {
        // Without an announced size there is no share to show; a maximum of 0
        // would turn the bar into an endless busy animation.
        if (total <= 0) {
            resetProgress();
            return;
        }
        // Both stay below the transfer's size limit, which fits an int.
        m_progress->setMaximum(int(total));
        m_progress->setValue(int(qMin(downloaded, total)));
    };
    events.afterDownload = [this](const QString &, Answer<> done) {
        m_downloading.clear();
        m_status->clear();
        m_progress->setValue(0);
        boxThen(this, QMessageBox::Information, attention(), tr("Загрузка завершена!"), QMessageBox::Ok,
                [done](bool) { done(); });
    };
    events.runUpdate = [this](const QString &fileName, const QString &) { showDownloadedFile(fileName); };
    m_webUpdate->setEvents(std::move(events));
    connect(m_webUpdate.get(), &TWebUpdate::finished, this, [this] {
        m_downloading.clear();
        resetProgress();
    });
}

void TAboutForm::resetProgress()
{
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
}

void TAboutForm::startCheck()
{
    if (m_webUpdate->isBusy())
        return;
    // Read at each click, so an address put into the settings file counts at once.
    const QString address = UpdateSettings::infoUrl(m_settingsPath);
    if (address.isEmpty()) {
        MessageBoxes::information(this, tr("Адрес страницы обновлений не задан: "
                                                       "раздел [%1], ключ %2 в файле настроек.")
                                            .arg(UpdateSettings::kSection, UpdateSettings::kInfoUrlKey));
        return;
    }
    m_webUpdate->setProductUrl(address);
    m_status->clear();
    resetProgress();
    m_webUpdate->CheckUpdate();
}

void TAboutForm::openLink(const QString &link)
{
    QDesktopServices::openUrl(QUrl(link));
}

// A downloaded program is never started from here: the user sees where it
// is and decides, in the folder the desktop's file manager opens.
void TAboutForm::showDownloadedFile(const QString &fileName)
{
    const QFileInfo file(fileName);
    QDesktopServices::openUrl(QUrl::fromLocalFile(file.absolutePath()));
    MessageBoxes::information(this, tr("Новая версия сохранена в файле %1\n"
                                                   "Zavolin не запускает загруженные файлы: "
                                                   "папка с ним открыта в файловом менеджере.")
                                        .arg(QDir::toNativeSeparators(file.absoluteFilePath())));
}

TWebUpdate *TAboutForm::webUpdate() const
{
    return m_webUpdate.get();
}

QLabel *TAboutForm::updateLink() const
{
    return m_updateLink;
}

QLabel *TAboutForm::statusLabel() const
{
    return m_status;
}

QProgressBar *TAboutForm::progressBar() const
{
    return m_progress;
}

Tfrm_ShowInfoUpdate *TAboutForm::infoForm() const
{
    return m_infoForm;
}
