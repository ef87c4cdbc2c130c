#include "ChatForm.h"

#include "Accessibility.h"
#include "ChatDatagrams.h"
#include "ChatFormPlacement.h"
#include "ChatLogView.h"
#include "Icons.h"
#include "IniFile.h"
#include "Logging.h"
#include "MessageBoxes.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QListView>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QToolButton *makeButton(QWidget *parent, const QString &name, const QString &hint, const QString &icon,
                        const QString &caption = {})
{
    auto *button = new QToolButton(parent);
    button->setObjectName(name);
    button->setToolTip(hint);
    button->setIcon(Icons::get(icon));
    button->setIconSize(QSize(20, 20));
    button->setAutoRaise(true);
    if (caption.isEmpty()) {
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    } else {
        button->setText(caption);
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    }
    return button;
}

} // namespace

TChatForm::TChatForm(const QString &settingsPath, const QString &ownName, ChatSession::Broadcast broadcast,
                     std::unique_ptr<ChatPause> pause, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_settingsPath(settingsPath)
    , m_session(new ChatSession(ownName, std::move(broadcast), std::move(pause), this))
{
    setObjectName(QStringLiteral("ChatForm"));
    setWindowTitle(QStringLiteral("Chat - Zavolin"));
    setWindowIcon(Icons::get(QStringLiteral("chat")));
    build();
    wire();

    const ChatFormPlacement placement = ChatFormPlacement::read(m_settingsPath);
    move(placement.left, placement.top);
    // Until a window manager gives the window a frame, the frame is the
    // client area; fitIntoFrame() takes the frame off once it is known.
    m_outerSize = QSize(placement.width, placement.height);
    resize(m_outerSize);
    m_edit2->setText(placement.login);
    showJoined(false);
}

TChatForm::~TChatForm() = default;

void TChatForm::build()
{
    m_speedButton3 = makeButton(this, QStringLiteral("SpeedButton3"), tr("Войти в чат"),
                                QStringLiteral("chat"), tr("Войти"));
    m_speedButton4 = makeButton(this, QStringLiteral("SpeedButton4"), tr("Выйти из чата"),
                                QStringLiteral("exit"), tr("Выйти"));
    m_speedButton2 = makeButton(this, QStringLiteral("SpeedButton2"), tr("Очистить"),
                                QStringLiteral("clear"));
    m_speedButton5 = makeButton(this, QStringLiteral("SpeedButton5"), tr("Закрыть"),
                                QStringLiteral("hide"));
    m_speedButton1 = makeButton(this, QStringLiteral("SpeedButton1"), QString(), QStringLiteral("send"));
    m_speedButton3->setCheckable(true);
    m_speedButton4->setCheckable(true);
    m_joinLeave = new QButtonGroup(this);
    m_joinLeave->setExclusive(true);
    m_joinLeave->addButton(m_speedButton3);
    m_joinLeave->addButton(m_speedButton4);
    m_speedButton4->setChecked(true);

    m_edit2 = new QLineEdit(this);
    m_edit2->setObjectName(QStringLiteral("Edit2"));
    m_edit2->setToolTip(tr("Ник"));
    m_edit2->setPlaceholderText(tr("Ник"));
    m_edit1 = new QLineEdit(this);
    m_edit1->setObjectName(QStringLiteral("Edit1"));

    m_memo1 = new ChatLogView(this);
    m_memo1->setObjectName(QStringLiteral("Memo1"));
    m_listBox1 = new QListView(this);
    m_listBox1->setObjectName(QStringLiteral("ListBox1"));
    m_listBox1->setModel(m_session->participantsModel());
    m_listBox1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // One line of text each: a nick that arrives is placed without measuring
    // every other row again.
    m_listBox1->setUniformItemSizes(true);

    auto *top = new QHBoxLayout;
    top->setSpacing(2);
    top->addWidget(m_speedButton3);
    top->addWidget(m_speedButton4);
    top->addSpacing(8);
    top->addWidget(m_speedButton2);
    top->addWidget(m_speedButton5);
    top->addStretch(1);
    auto *nickLabel = new QLabel(tr("Ник:"), this);
    nickLabel->setBuddy(m_edit2);
    top->addWidget(nickLabel);
    top->addWidget(m_edit2, 1);

    auto *splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setChildrenCollapsible(false);
    splitter->addWidget(m_memo1);
    splitter->addWidget(m_listBox1);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 1);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_edit1, 1);
    bottom->addWidget(m_speedButton1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(3);
    layout->addLayout(top);
    layout->addWidget(splitter, 1);
    layout->addLayout(bottom);

    Accessibility::setName(m_memo1, tr("Сообщения чата"));
    Accessibility::setName(m_listBox1, tr("Участники чата"),
                           tr("Выбор участника вставляет его ник в сообщение"));
    Accessibility::setName(m_edit1, tr("Сообщение"), tr("Enter отправляет в чат"));
    Accessibility::setName(m_edit2, tr("Ник"));
    Accessibility::setName(m_speedButton1, tr("Отправить"));
    Accessibility::nameButtonsByHint(this);
    QWidget *order[] = {m_edit2, m_speedButton3, m_speedButton4, m_edit1, m_speedButton1,
                        m_memo1, m_listBox1, m_speedButton2, m_speedButton5};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    Accessibility::closeOnEscape(this);
}

void TChatForm::wire()
{
    // clicked, not toggled: a click on the button already pressed still acts.
    connect(m_speedButton3, &QToolButton::clicked, m_session, &ChatSession::join);
    connect(m_speedButton4, &QToolButton::clicked, m_session, &ChatSession::leave);
    connect(m_speedButton5, &QToolButton::clicked, this, &TChatForm::startClose);
    connect(m_speedButton2, &QToolButton::clicked, this, [this] {
        MessageBoxes::question(this, tr("Внимание"), tr("Очистить содержимое?"), true,
                               [log = QPointer<ChatLogView>(m_memo1)](bool yes) {
                                   if (yes && log)
                                       log->clearLog();
                               });
    });
    connect(m_speedButton1, &QToolButton::clicked, this, [this] { send(true); });
    connect(m_edit1, &QLineEdit::returnPressed, this, [this] { send(false); });
    connect(m_edit2, &QLineEdit::textChanged, m_session, &ChatSession::setNick);
    connect(m_listBox1, &QListView::clicked, this, [this](const QModelIndex &index) {
        if (m_session->isJoined() && index.isValid())
            appendToInput(index.data().toString() + QStringLiteral(": "));
    });
    // Not joined, the input line is disabled and cannot take a quote either.
    connect(m_memo1, &ChatLogView::quoteRequested, this, [this](const QString &selected) {
        if (m_session->isJoined())
            appendToInput(selected);
    });

    connect(m_session, &ChatSession::joinedChanged, this, &TChatForm::showJoined);
    connect(m_session, &ChatSession::joinRefused, this, &TChatForm::onJoinRefused);
    connect(m_session, &ChatSession::lineArrived, m_memo1, &ChatLogView::appendLine);
    connect(m_session, &ChatSession::closed, this, &TChatForm::onSessionClosed);
}

void TChatForm::showJoined(bool joined)
{
    (joined ? m_speedButton3 : m_speedButton4)->setChecked(true);
    m_edit1->setEnabled(joined);
    m_edit2->setEnabled(!joined);
}

void TChatForm::onJoinRefused(ChatSession::Refusal why)
{
    MessageBoxes::warning(this, why == ChatSession::Refusal::NoNick
                                    ? tr("Укажите свой ник и повторите попытку!")
                                    : tr("Слишком длинный ник: сократите его и повторите попытку!"));
    showJoined(false);
    m_edit2->setFocus();
}

void TChatForm::send(bool fromButton)
{
    if (!fromButton && !m_edit1->isEnabled())
        return;
    int size = 0;
    switch (m_session->sendLine(m_edit1->text(), QTime::currentTime(), &size)) {
    case ChatSession::SendResult::Sent:
        m_edit1->clear();
        break;
    case ChatSession::SendResult::NotJoined:
        MessageBoxes::warning(this, tr("Для отправки сообщения необходимо войти в чат!"));
        break;
    case ChatSession::SendResult::Empty:
        MessageBoxes::warning(this, tr("Введите текст сообщения!"));
        break;
    case ChatSession::SendResult::TooLong:
        // The text stays in the input line to be shortened.
        MessageBoxes::warning(this, tr("Сообщение слишком длинное: вместе с временем и ником "
                                                   "это %1 байт, а в чат уходит не более %2. "
                                                   "Сократите текст и отправьте снова.")
                                        .arg(size)
                                        .arg(ChatDatagrams::kMaxBytes));
        break;
    }
}

void TChatForm::appendToInput(const QString &text)
{
    m_edit1->setText(m_edit1->text() + text);
    m_edit1->setFocus();
    m_edit1->end(false);
}

void TChatForm::startClose()
{
    if (m_session->isClosing())
        return;
    // No new sequence may start; the one running, and a leave, still go out.
    for (QWidget *w : {static_cast<QWidget *>(m_speedButton3), static_cast<QWidget *>(m_speedButton4),
                       static_cast<QWidget *>(m_speedButton5)})
        w->setEnabled(false);
    Q_EMIT closing();
    m_session->close();
}

void TChatForm::finishNow()
{
    m_atExit = true;
    if (!m_session->isClosing())
        Q_EMIT closing();
    m_session->finishNow();
}

void TChatForm::onSessionClosed()
{
    if (m_finished)
        return;
    m_finished = true;
    ChatFormPlacement placement;
    placement.top = y();
    placement.left = x();
    const QRect outer = frameGeometry();
    placement.width = outer.width();
    placement.height = outer.height();
    placement.login = m_edit2->text();
    try {
        placement.write(m_settingsPath);
    } catch (const IniWriteError &error) {
        const QString text = QString::fromUtf8(error.what());
        qCWarning(lcZavolin, "%s", qPrintable(text));
        // At the end of the program the main window reports its own save.
        if (!m_atExit)
            MessageBoxes::error(parentWidget(), text);
    }
    Q_EMIT finished();
}

void TChatForm::fitIntoFrame()
{
    if (size() != m_outerSize) {
        m_frameFitted = true; // resized since it opened: that size stands
        return;
    }
    const QRect outer = frameGeometry();
    const QRect client = geometry();
    const QMargins frame(client.left() - outer.left(), client.top() - outer.top(), outer.right() - client.right(),
                         outer.bottom() - client.bottom());
    if (frame.isNull())
        return; // no frame yet, or none at all
    m_frameFitted = true;
    resize(ChatFormPlacement::clientSize(m_outerSize, frame));
}

bool TChatForm::event(QEvent *event)
{
    const bool handled = QWidget::event(event);
    // A frame comes with the first showing, or a moment later from the window manager.
    if (!m_frameFitted && isVisible()) {
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::Move:
        case QEvent::Resize:
            fitIntoFrame();
            break;
        default:
            break;
        }
    }
    return handled;
}

void TChatForm::closeEvent(QCloseEvent *event)
{
    if (m_finished) {
        event->accept();
        return;
    }
    event->ignore();
    startClose();
}
