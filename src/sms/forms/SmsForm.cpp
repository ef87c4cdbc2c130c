#include "SmsForm.h"

#include "Accessibility.h"
#include "Icons.h"
#include "IniFile.h"
#include "Logging.h"
#include "MessageBoxes.h"
#include "NoteBookForm.h"
#include "PhoneBook.h"
#include "SmsSender.h"
#include "SmtpPasswordStore.h"
#include "SmtpClient.h"
#include "SmtpSettings.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QToolButton>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Until the window manager has framed the window, a tool window's caption is
// taken to be this high.
constexpr int kAssumedFrame = 25;

QLabel *label(const QString &text, int x, int y, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->move(x, y);
    l->adjustSize();
    return l;
}

QToolButton *button(const QString &name, const QString &text, const QString &icon, const QString &hint,
                    const QRect &geometry, QWidget *parent)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(name);
    if (!icon.isEmpty()) {
        b->setIcon(Icons::get(icon));
        b->setIconSize(QSize(16, 16));
    }
    if (!text.isEmpty()) {
        b->setText(text);
        b->setToolButtonStyle(icon.isEmpty() ? Qt::ToolButtonTextOnly : Qt::ToolButtonTextBesideIcon);
    }
    b->setToolTip(hint);
    b->setAccessibleName(hint.isEmpty() ? text : hint);
    b->setGeometry(geometry);
    return b;
}

QLineEdit *edit(const QString &name, const QRect &geometry, QWidget *parent)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setGeometry(geometry);
    return e;
}

// A write that failed as the window goes: told in the program's error box,
// which outlives the window.
void reportUnwritten(const IniWriteError &error)
{
    const QString text = QString::fromUtf8(error.what());
    qCWarning(lcZavolin, "%s", qPrintable(text));
    MessageBoxes::applicationError(nullptr, text);
}

} // namespace

QStringList sortedNames(QStringList names)
{
    // Without regard to case; names equal but for case keep a fixed order.
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int folded = a.compare(b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a < b;
    });
    return names;
}

SmsFormFiles SmsFormFiles::installed(const QString &settingsPath)
{
    return {settingsPath, OperatorBook::installed(), PhoneBook::defaultPath()};
}

TsmsForm::TsmsForm(SmsFormFiles files, QWidget *parent)
    : QWidget(parent, Qt::Tool)
    , m_files(std::move(files))
    , m_smtpClient1(new TSmtpClient(this))
    , m_sender(new SmsSender(m_smtpClient1, this))
    , m_passwords(new SmtpPasswordStore(this))
{
    setObjectName(u"smsForm"_s);
    setWindowTitle(u"SMS - Zavolin"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_QuitOnClose, false);
    m_smtpClient1->setObjectName(u"SmtpClient1"_s);
    build();
    connect(m_sender, &SmsSender::finished, this, &TsmsForm::sendFinished);
    connect(m_sender, &SmsSender::serverMissing, this, [this] {
        MessageBoxes::show(this, QMessageBox::Critical, tr("Внимание"), tr("Для отправки сообщения этому абоненту необходимо настроить соединение с почтовым сервером!"));
        expand();
    });
    connect(m_sender, &SmsSender::badPort, this, [this](const QString &port) {
        MessageBoxes::show(this, QMessageBox::Critical, u"Zavolin"_s,
                           u"'%1' is not a valid integer value"_s.arg(port));
    });
    connect(m_sender, &SmsSender::mailFailed, this, [this](TSmtpClient::Step step, const QString &error) {
        switch (step) {
        case TSmtpClient::Step::Connect:
            MessageBoxes::show(this, QMessageBox::Critical, tr("Внимание"),
                               tr("Ошибка соединения с сервером! Проверьте правильность настройки!"));
            expand();
            break;
        case TSmtpClient::Step::SendMail:
            MessageBoxes::show(this, QMessageBox::Critical, tr("Внимание"), tr("Ошибка отправки сообщения!"));
            break;
        case TSmtpClient::Step::Disconnect:
            MessageBoxes::show(this, QMessageBox::Critical, u"Zavolin"_s, error);
            break;
        }
    });

    if (m_files.operators.namesExist()) {
        m_comboBox1->addItems(sortedNames(m_files.operators.names()));
        m_comboBox1->setCurrentIndex(-1);
    } else {
        // After the constructor, so the box has a shown window to stand over.
        QMetaObject::invokeMethod(this, [this] {
            MessageBoxes::warning(this, tr("Не установлены справочники операторов сотовой связи!\n\rЗагрузите справочники ОСС с сайта программы!"));
        }, Qt::QueuedConnection);
        m_speedButton5->hide();
    }
    loadSettings();
}

TsmsForm::~TsmsForm()
{
    saveSettings();
}

void TsmsForm::build()
{
    label(tr("Оператор"), 8, 6, this);
    m_comboBox1 = new QComboBox(this);
    m_comboBox1->setObjectName(u"ComboBox1"_s);
    m_comboBox1->setEditable(true);
    m_comboBox1->setInsertPolicy(QComboBox::NoInsert);
    m_comboBox1->setGeometry(8, 22, 180, 24);
    m_speedButton5 = button(u"SpeedButton5"_s, {}, u"contact"_s, tr("Записная книжка"), QRect(192, 22, 26, 24), this);

    label(tr("Номер телефона"), 8, 50, this);
    m_edit1 = edit(u"Edit1"_s, QRect(8, 66, 180, 24), this);

    // The web gateway's place in the window, kept empty: the web way needs no page shown.
    m_webBrowser1 = new QFrame(this);
    m_webBrowser1->setObjectName(u"WebBrowser1"_s);
    m_webBrowser1->setFrameShape(QFrame::StyledPanel);
    m_webBrowser1->setGeometry(248, 22, 33, 39);

    label(tr("Текст"), 8, 94, this);
    m_memo1 = new QPlainTextEdit(this);
    m_memo1->setObjectName(u"Memo1"_s);
    Accessibility::tabLeavesEditor(m_memo1);
    m_memo1->setGeometry(8, 110, 273, 110);

    m_speedButton6 = button(u"SpeedButton6"_s, {}, u"clear"_s, tr("Очистить"), QRect(8, 228, 26, 26), this);
    m_speedButton3 = button(u"SpeedButton3"_s, {}, u"settings"_s, tr("Настройка"), QRect(38, 228, 26, 26), this);
    m_speedButton1 = button(u"SpeedButton1"_s, tr("Отправить"), u"sms"_s, tr("Отправить SMS - сообщение"),
                            QRect(104, 228, 100, 26), this);
    m_speedButton2 = button(u"SpeedButton2"_s, u"Ok"_s, {}, {}, QRect(208, 228, 73, 26), this);
    // A longer word in another language takes the free room to its left,
    // up to the settings button, rather than being cut.
    if (const int lacking = m_speedButton1->sizeHint().width() - m_speedButton1->width(); lacking > 0)
        m_speedButton1->setGeometry(m_speedButton1->geometry().adjusted(-std::min(lacking, 104 - 68), 0, 0, 0));

    // Below the message part; shown only while the window is expanded, so no
    // frame size of any window manager lets it peek out.
    m_settingsPanel = new QWidget(this);
    m_settingsPanel->setGeometry(0, 256, kWidth, 130);
    m_settingsPanel->hide();
    label(tr("Сервер"), 8, 8, m_settingsPanel);
    m_edit2 = edit(u"Edit2"_s, QRect(8, 24, 180, 22), m_settingsPanel);
    label(tr("Порт"), 196, 8, m_settingsPanel);
    m_edit3 = edit(u"Edit3"_s, QRect(196, 24, 85, 22), m_settingsPanel);
    label(tr("Логин"), 8, 50, m_settingsPanel);
    m_edit4 = edit(u"Edit4"_s, QRect(8, 66, 135, 22), m_settingsPanel);
    label(tr("Пароль"), 150, 50, m_settingsPanel);
    m_maskEdit1 = edit(u"MaskEdit1"_s, QRect(150, 66, 131, 22), m_settingsPanel);
    m_maskEdit1->setEchoMode(QLineEdit::Password);
    // '*' whatever the style would draw.
    m_maskEdit1->setStyleSheet(u"lineedit-password-character: 42"_s);
    m_speedButton4 = button(u"SpeedButton4"_s, tr("Свернуть"), {}, {}, QRect(196, 98, 85, 26), m_settingsPanel);

    connect(m_speedButton1, &QToolButton::clicked, this, &TsmsForm::onSend);
    connect(m_speedButton2, &QToolButton::clicked, this, &QWidget::close);
    connect(m_speedButton3, &QToolButton::clicked, this, &TsmsForm::expand);
    connect(m_speedButton4, &QToolButton::clicked, this, &TsmsForm::collapse);
    connect(m_speedButton5, &QToolButton::clicked, this, &TsmsForm::onPhoneBook);
    connect(m_speedButton6, &QToolButton::clicked, m_memo1, &QPlainTextEdit::clear);

    // The captions stand beside the fields, not bound to them: a screen reader gets them here.
    Accessibility::setName(m_comboBox1, tr("Оператор"));
    Accessibility::setName(m_edit1, tr("Номер телефона"));
    Accessibility::setName(m_memo1, tr("Текст"), tr("Текст SMS - сообщения"));
    Accessibility::setName(m_edit2, tr("Сервер"));
    Accessibility::setName(m_edit3, tr("Порт"));
    Accessibility::setName(m_edit4, tr("Логин"));
    Accessibility::setName(m_maskEdit1, tr("Пароль"));
    Accessibility::closeOnEscape(this);

    setFixedWidth(kWidth);
    applyHeight();
}

TsmsForm *TsmsForm::open(const SmsFormFiles &files)
{
    auto *form = new TsmsForm(files);
    form->collapse();
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        form->move(area.center() - QPoint(kWidth / 2, kCollapsedHeight / 2));
    }
    form->show();
    // Opened by the user's own key or click: the typing goes on here.
    form->raise();
    form->activateWindow();
    return form;
}

void TsmsForm::expand()
{
    m_expanded = true;
    applyHeight();
    m_settingsPanel->show();
}

void TsmsForm::collapse()
{
    m_expanded = false;
    m_settingsPanel->hide();
    applyHeight();
}

void TsmsForm::applyHeight()
{
    // The heights are outer ones; the top stays where it is.
    const int frame = isVisible() && frameGeometry().height() > height() ? frameGeometry().height() - height()
                                                                         : kAssumedFrame;
    setFixedHeight((m_expanded ? kExpandedHeight : kCollapsedHeight) - frame);
}

void TsmsForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    QMetaObject::invokeMethod(this, &TsmsForm::applyHeight, Qt::QueuedConnection);
}

void TsmsForm::setSubscriber(const QString &operatorName, const QString &phone)
{
    m_comboBox1->setCurrentText(operatorName);
    m_edit1->setText(phone);
}

bool TsmsForm::isSending() const
{
    return m_sender->isSending();
}

void TsmsForm::loadSettings()
{
    const SmtpSettings settings = SmtpSettings::load(m_files.settingsPath);
    m_edit2->setText(settings.server);
    m_edit3->setText(settings.port);
    m_edit4->setText(settings.login);
    m_maskEdit1->setText(settings.pass);
    m_loadedPass = settings.pass;
    if (!SmtpPasswordStore::builtIn()) {
        m_keyring = Keyring::Absent;
        return;
    }
    connect(m_passwords, &SmtpPasswordStore::readDone, this,
            [this](SmtpPasswordStore::Outcome outcome, const QString &password) {
        // A keyring that cannot read is not trusted to keep the password either.
        const bool works = outcome == SmtpPasswordStore::Outcome::Done
            || outcome == SmtpPasswordStore::Outcome::NotFound;
        m_keyring = works ? Keyring::Used : Keyring::Absent;
        // What the user typed meanwhile wins over the stored password.
        if (outcome == SmtpPasswordStore::Outcome::Done && m_maskEdit1->text() == m_loadedPass)
            m_maskEdit1->setText(password);
        Q_EMIT keyringAnswered();
    }, Qt::SingleShotConnection);
    m_passwords->read(settings.server, settings.login);
}

void TsmsForm::saveSettings()
{
    if (m_saved)
        return;
    m_saved = true;
    SmtpSettings settings;
    settings.server = m_edit2->text();
    settings.port = m_edit3->text();
    settings.login = m_edit4->text();
    settings.pass = m_maskEdit1->text();
    // "pass" is written in any case and leaves the file only once a keyring
    // has taken it: a program ended before the keyring answers keeps it.
    try {
        settings.saveShown(m_files.settingsPath);
    } catch (const IniWriteError &error) {
        reportUnwritten(error); // a keyring may still keep the password
    }
    if (m_keyring != Keyring::Absent)
        storeInKeyring(m_files.settingsPath, settings);
}

void TsmsForm::storeInKeyring(const QString &settingsPath, const SmtpSettings &settings)
{
    // The window is going; the store outlives it until the keyring answers,
    // and only then is "pass" dropped from the file.
    auto *store = new SmtpPasswordStore;
    connect(store, &SmtpPasswordStore::writeDone, store, [store, settingsPath](SmtpPasswordStore::Outcome outcome) {
        if (outcome == SmtpPasswordStore::Outcome::Done)
            SmtpSettings::dropPassword(settingsPath);
        store->deleteLater();
    });
    store->write(settings.server, settings.login, settings.pass);
}

void TsmsForm::closeEvent(QCloseEvent *event)
{
    saveSettings();
    QWidget::closeEvent(event);
}

void TsmsForm::onSend()
{
    const SmsSender::Request request{m_comboBox1->currentText(), m_edit1->text(), m_memo1->toPlainText()};
    switch (SmsSender::check(request)) {
    case SmsSender::Refusal::NoOperator:
        MessageBoxes::warning(this, tr("Не выбран оператор!"));
        return;
    case SmsSender::Refusal::NoPhone:
        MessageBoxes::warning(this, tr("Не введен номер телефона!"));
        return;
    case SmsSender::Refusal::NoText:
        MessageBoxes::warning(this, tr("Введите текст сообщения!"));
        return;
    case SmsSender::Refusal::None:
        break;
    }
    // One SMS at a time per window; a second Send meanwhile is not queued.
    if (m_sender->isSending())
        return;
    SmtpSettings settings = SmtpSettings::load(m_files.settingsPath);
    settings.server = m_edit2->text();
    settings.port = m_edit3->text();
    settings.login = m_edit4->text();
    settings.pass = m_maskEdit1->text();
    m_sender->send(request, m_files.operators, settings);
}

void TsmsForm::onPhoneBook()
{
    auto *book = new TNoteBookForm(m_files.operators, m_files.phoneBookPath);
    // The phone book may outlive this window; the connection goes with it.
    connect(book, &TNoteBookForm::subscriberChosen, this, &TsmsForm::setSubscriber);
    book->show();
}
