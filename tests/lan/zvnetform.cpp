// A real main window on one host of the test LAN, driven through a command
// FIFO and reporting what a user would see:
//   READY <own name>           after start-up
//   CONTACTS <addresses>       sorted, on every change of the contact list (beyond 64: their count)
//   VIEW <incoming view>       its lines joined by " | ", after each change
//   BOX <caption>|<text>       each message box that opens (line breaks as \n, \r),
//                              which is then closed with Ok
//   DIALOG <name> <file name>  each file dialog that opens, then answered (below)
//   INCHAT <display names>     the contact list's in-chat marks, on each change
//   CHAT OPEN | CHAT CLOSED    the chat window came or went
//   CHATLOG <line>             each line the chat log (Memo1) shows, once, in order
//   PARTICIPANTS <nicks>       the chat's participants (ListBox1) in order, on each change
//   OUTBOX <count>             messages waiting in the outbox, at start and on each change
// Commands, one per line:
//   SEND <addr>[,<addr>...] <text>   select those contacts and press Send
//   SENDALL <text>                   Send to all
//   OPTION <n> <0|1>                 switch option Ch<n> as the user would
//   ALIAS <addr> <alias>             assign an alias in the settings file
//   BLACKLIST <name>[,<name>...]     replace the blacklist
//   ADDCONTACT <addr>                add an address by hand
//   SENDFILE <addr> <path>           select that contact, press "Отправить файл", pick the path
//   SAVEAS [<path>]                  the answer to the next save dialog; none cancels it
//   ANSWERNO <0|1>                   questions are answered 1: No, 0: Yes from now on (others Ok)
//   FOLDER <path>                    the settings dialog's folder for received files
//   CHAT                             the main menu item "Чат" (opens or closes the window)
//   NICK <nick>                      type the nick (Edit2)
//   JOIN | LEAVE | CLOSECHAT         click SpeedButton3, SpeedButton4, SpeedButton5
//   SAY <text>                       type into the input line (Edit1) and press Enter
//   REFRESH                          "Обновить контактный лист"
//   LATER                            the next box that offers "Доставить позже" is answered with it
// SIGTERM ends it as the end of the desktop session does.
//   zvnetform HOME_DIR SECONDS [COMMAND_FIFO]
#include "ChatForm.h"
#include "IncomingBrowser.h"
#include "IniFile.h"
#include "NetForm.h"
#include "SendController.h"
#include "SettingsForm.h"
#include "UnixSignals.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTextBlock>
#include <QTimer>
#include <QToolButton>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

bool g_deliverLater = false;

void print(const QString &line)
{
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

void selectContacts(TNetForm &form, const QStringList &addresses)
{
    QListView *list = form.widgets().listBox1();
    list->selectionModel()->clearSelection();
    for (const QString &address : addresses) {
        const int row = form.contacts().indexOfAddress(address);
        if (row < 0)
            continue;
        const QModelIndex index = form.contacts().index(row);
        list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::Select);
    }
}

// Answers the program's boxes and file dialogs the way a user at the screen would.
class DialogAnswerer : public QObject
{
public:
    void setNextOpen(const QString &path) { m_open = path; }
    void setNextSave(const QString &path) { m_save = path; }
    // Questions (boxes with Yes and No) are answered No from now on, or Yes; others Ok.
    void setQuestionsAnsweredNo(bool no) { m_no = no; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show) {
            // Answered from the event loop, not inside the dialog's own show.
            if (auto *box = qobject_cast<QMessageBox *>(watched))
                QTimer::singleShot(0, box, [this, box] { answerBox(box, m_no); });
            else if (auto *dialog = qobject_cast<QFileDialog *>(watched))
                QTimer::singleShot(0, dialog, [this, dialog] { answerDialog(dialog); });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    static void answerBox(QMessageBox *box, bool no)
    {
        QString text = box->text();
        text.replace(u'\n', QStringLiteral("\\n")).replace(u'\r', QStringLiteral("\\r"));
        print(QStringLiteral("BOX ") + box->windowTitle() + u'|' + text);
        if (auto *later = box->findChild<QPushButton *>(QStringLiteral("DeliverLaterButton")); later && g_deliverLater) {
            g_deliverLater = false;
            later->click();
            return;
        }
        // A question is answered by its button: closed without one, it means No.
        if (QAbstractButton *button = box->button(no ? QMessageBox::No : QMessageBox::Yes))
            button->click();
        else
            box->done(QMessageBox::Ok);
    }

    void answerDialog(QFileDialog *dialog)
    {
        const bool opening = dialog->acceptMode() == QFileDialog::AcceptOpen;
        print(QStringLiteral("DIALOG ") + dialog->objectName() + u' '
              + QFileInfo(dialog->selectedFiles().value(0)).fileName());
        const QString answer = std::exchange(opening ? m_open : m_save, QString());
        if (answer.isEmpty()) {
            dialog->reject();
            return;
        }
        // selectFile() leaves a name edit that has the focus alone.
        if (QWidget *focused = dialog->focusWidget())
            focused->clearFocus();
        dialog->selectFile(answer);
        static_cast<QDialog *>(dialog)->accept(); // as its Open or Save button does
    }

    bool m_no = false;
    QString m_open;
    QString m_save;
};

TChatForm *chatWindow()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *form = qobject_cast<TChatForm *>(w); form && !form->isClosing())
            return form;
    }
    return nullptr;
}

// Reports what the user sees of a chat window that has just opened.
void watchChatWindow(TChatForm *window)
{
    print(QStringLiteral("CHAT OPEN"));
    QObject::connect(window, &QObject::destroyed, [] { print(QStringLiteral("CHAT CLOSED")); });
    auto *memo = window->findChild<QPlainTextEdit *>(QStringLiteral("Memo1"));
    // Lines are appended at the bottom, several in one change when they
    // arrive within one frame; cuts from the top add nothing. A change that
    // adds text at `from` brings the blocks that start after it (and the
    // first block, when the log was empty).
    QObject::connect(memo->document(), &QTextDocument::contentsChange, memo, [memo](int from, int, int added) {
        if (added <= 0)
            return;
        QTextDocument *log = memo->document();
        for (QTextBlock block = log->findBlock(from); block.isValid() && block.position() <= from + added;
             block = block.next()) {
            if (block.position() > from || from == 0)
                print(QStringLiteral("CHATLOG ") + block.text());
        }
    });
    QAbstractItemModel *list = window->findChild<QListView *>(QStringLiteral("ListBox1"))->model();
    auto report = [list] {
        QStringList nicks;
        for (int row = 0; row < list->rowCount(); ++row)
            nicks << list->index(row, 0).data().toString();
        print(QStringLiteral("PARTICIPANTS ") + nicks.join(u','));
    };
    // A row is inserted empty and then given its nick.
    QObject::connect(list, &QAbstractItemModel::dataChanged, window, report);
    QObject::connect(list, &QAbstractItemModel::rowsRemoved, window, report);
    QObject::connect(list, &QAbstractItemModel::modelReset, window, report);
}

void clickChatButton(const char *name)
{
    if (TChatForm *window = chatWindow())
        window->findChild<QToolButton *>(QString::fromLatin1(name))->click();
}

void runCommand(TNetForm &form, DialogAnswerer &answerer, const QString &settingsPath, const QString &line)
{
    const QString command = line.section(u' ', 0, 0);
    const QString first = line.section(u' ', 1, 1);
    const QString rest = line.section(u' ', 2);
    if (command == u"SEND") {
        selectContacts(form, first.split(u','));
        form.widgets().memo1()->setPlainText(rest);
        form.sending().send();
    } else if (command == u"SENDALL") {
        form.widgets().memo1()->setPlainText(line.section(u' ', 1));
        form.sending().sendToAll();
    } else if (command == u"OPTION") {
        const auto option = Option(first.toInt()); // the number of its "Ch" key
        const bool on = rest == u"1";
        if (option == Option::AutoAnswer) {
            QAction *item = form.widgets().action(NetFormWidgets::NetAction::AutoAnswer);
            if (item->isChecked() != on)
                item->trigger();
        } else if (option == Option::ReceiveWhileAnswering) {
            form.widgets().action(NetFormWidgets::NetAction::ReceiveMessages)->setChecked(on);
        } else {
            form.settingsForm()->setOption(option, on);
        }
    } else if (command == u"ALIAS") {
        IniFile(settingsPath).writeString(u"Aliases", first, rest);
    } else if (command == u"BLACKLIST") {
        form.contacts().setBlacklist(first.split(u','));
    } else if (command == u"ADDCONTACT") {
        form.contacts().add(first, first);
    } else if (command == u"SENDFILE") {
        selectContacts(form, {first});
        answerer.setNextOpen(rest);
        form.widgets().action(NetFormWidgets::NetAction::SendFile)->trigger();
    } else if (command == u"ANSWERNO") {
        answerer.setQuestionsAnsweredNo(first == u"1");
    } else if (command == u"SAVEAS") {
        answerer.setNextSave(line.section(u' ', 1));
    } else if (command == u"FOLDER") {
        form.settingsForm()->setSaveFolder(line.section(u' ', 1));
    } else if (command == u"CHAT") {
        const bool wasOpen = chatWindow();
        form.widgets().action(NetFormWidgets::NetAction::Chat)->trigger();
        if (TChatForm *window = chatWindow(); window && !wasOpen)
            watchChatWindow(window);
    } else if (command == u"NICK") {
        if (TChatForm *window = chatWindow())
            window->findChild<QLineEdit *>(QStringLiteral("Edit2"))->setText(line.section(u' ', 1));
    } else if (command == u"JOIN") {
        clickChatButton("SpeedButton3");
    } else if (command == u"LEAVE") {
        clickChatButton("SpeedButton4");
    } else if (command == u"CLOSECHAT") {
        clickChatButton("SpeedButton5");
    } else if (command == u"REFRESH") {
        form.refreshContacts();
    } else if (command == u"LATER") {
        g_deliverLater = true;
    } else if (command == u"SAY") {
        if (TChatForm *window = chatWindow()) {
            auto *input = window->findChild<QLineEdit *>(QStringLiteral("Edit1"));
            input->setText(line.section(u' ', 1));
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QCoreApplication::sendEvent(input, &press);
        }
    }
    print(QStringLiteral("DONE ") + command);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: zvnetform HOME_DIR SECONDS [COMMAND_FIFO]\n");
        return 64;
    }
    const QString home = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(home);
    NetFormEnvironment env;
    env.settingsPath = QDir(home).filePath(QStringLiteral("Zavolin.ini"));
    env.dataFolder = home;
    env.desktopIntegration = false;

    QApplication::setQuitOnLastWindowClosed(false);
    DialogAnswerer answerer;
    app.installEventFilter(&answerer);
    TNetForm form(env);
    auto report = [&form] {
        QStringList addresses = form.contacts().addresses();
        // A flood of names is told by its count: the whole list on each of thousands of changes would not do.
        if (addresses.size() > 64) {
            print(QStringLiteral("CONTACTS (%1)").arg(addresses.size()));
            return;
        }
        addresses.sort();
        print(QStringLiteral("CONTACTS ") + addresses.join(u','));
    };
    QObject::connect(&form.contacts(), &QAbstractItemModel::rowsInserted, &app, report);
    QObject::connect(&form.contacts(), &QAbstractItemModel::rowsRemoved, &app, report);
    QObject::connect(&form.contacts(), &QAbstractItemModel::dataChanged, &app, [&form, last = QStringList()]() mutable {
        if (form.contacts().inChatList() == last)
            return;
        last = form.contacts().inChatList();
        print(QStringLiteral("INCHAT ") + last.join(u','));
    });
    QTimer viewReport;
    viewReport.setSingleShot(true);
    viewReport.setInterval(50);
    QObject::connect(form.widgets().richEdit2()->document(), &QTextDocument::contentsChanged, &viewReport,
                     qOverload<>(&QTimer::start));
    QObject::connect(&viewReport, &QTimer::timeout, &app, [&form] {
        print(QStringLiteral("VIEW ") + form.widgets().richEdit2()->toPlainText().split(u'\n').join(QStringLiteral(" | ")));
    });
    QObject::connect(&form, &TNetForm::finished, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    UnixSignals signals;
    QObject::connect(&signals, &UnixSignals::terminationRequested, &form, &TNetForm::endSession);
    QTimer::singleShot(std::atoi(argv[2]) * 1000, &form, &TNetForm::endSession);

    // Read and write ends held open together: the FIFO never reports an end.
    std::unique_ptr<QSocketNotifier> commands;
    QByteArray pending;
    if (argc > 3) {
        const int fd = ::open(argv[3], O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            std::perror("command fifo");
            return 1;
        }
        commands = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        QObject::connect(commands.get(), &QSocketNotifier::activated, &app, [&, fd] {
            char buffer[4096];
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0)
                pending.append(buffer, n);
            for (qsizetype end; (end = pending.indexOf('\n')) >= 0;) {
                const QString line = QString::fromUtf8(pending.left(end));
                pending.remove(0, end + 1);
                runCommand(form, answerer, env.settingsPath, line);
            }
        });
    }

    auto reportOutbox = [&form] {
        print(QStringLiteral("OUTBOX %1").arg(form.messenger().outbox().messages().size()));
    };
    QObject::connect(&form.messenger(), &Messenger::outboxChanged, &app, reportOutbox);
    form.startUp();
    print(QStringLiteral("READY ") + form.ownName());
    reportOutbox();
    return app.exec();
}
