#include "TextToolsController.h"

#include "IncomingBatch.h"
#include "IncomingSave.h"
#include "LayoutCorrection.h"
#include "LineListFile.h"
#include "Logging.h"
#include "MessageBoxes.h"
#include "NetFormWidgets.h"
#include "PhraseFile.h"
#include "SendFlow.h"
#include "SmileyTable.h"
#include "Cp1251.h"
#include "WordEditForm.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollBar>
#include "IncomingBrowser.h"
#include <QToolButton>

using NetAction = NetFormWidgets::NetAction;
using namespace Qt::StringLiterals;

namespace {

// Qt's form of the filter "Текстовые файлы *.txt | *.txt".
QString textFilter()
{
    return TextToolsController::tr("Текстовые файлы *.txt (*.txt)");
}

} // namespace

TextToolsController::TextToolsController(QWidget *window, NetFormWidgets &ui, IncomingBatch &incomingBatch,
                                         QString dataFolder, std::function<void()> openOutgoingView)
    : m_window(window)
    , m_ui(ui)
    , m_incomingBatch(incomingBatch)
    , m_dataFolder(std::move(dataFolder))
    , m_openOutgoingView(std::move(openOutgoingView))
{
    for (const SmileyRow &row : SmileyTable::rows()) {
        const bool inPanel = row.panelRow() > 0;
        connect(m_ui.smileyButton(row.order()), &QToolButton::clicked, this, [this, text = row.insertedText(), inPanel] {
            insertAtCaret(text);
            if (inPanel)
                m_ui.panel5()->hide();
        });
    }
    connect(m_ui.speedButton15(), &QToolButton::clicked, this, &TextToolsController::openSmileyPanel);
    m_ui.panel5()->installEventFilter(this);
    for (QToolButton *button : m_ui.panel5()->findChildren<QToolButton *>())
        button->installEventFilter(this);
    m_ui.memo1()->viewport()->installEventFilter(this);
    // The panel goes when the focus leaves it for anything but the editor a
    // bottom-row smiley has just written into.
    m_focusWatch = connect(qApp, &QApplication::focusChanged, this, [this](QWidget *old, QWidget *now) {
        QFrame *panel = m_ui.panel5();
        const auto inPanel = [panel](QWidget *w) { return w && (w == panel || panel->isAncestorOf(w)); };
        if (panel->isVisible() && inPanel(old) && !inPanel(now) && now != m_ui.memo1())
            panel->hide();
    });

    connect(m_ui.action(NetAction::FixLayout), &QAction::triggered, this, &TextToolsController::correctLayout);
    connect(m_ui.action(NetAction::InsertPhrase), &QAction::triggered, this, &TextToolsController::insertPhrase);
    connect(m_ui.action(NetAction::EditPhrases), &QAction::triggered, this, &TextToolsController::editPhrases);
    connect(m_ui.action(NetAction::LoadText), &QAction::triggered, this, &TextToolsController::loadIntoOutgoing);
    connect(m_ui.action(NetAction::SaveIncoming), &QAction::triggered, this, &TextToolsController::saveIncoming);

    QListWidget *list = m_ui.listBox2();
    list->installEventFilter(this);
    connect(list, &QListWidget::itemDoubleClicked, this, &TextToolsController::choosePhrase);
    connect(list, &QListWidget::customContextMenuRequested, this, [this, list](const QPoint &at) {
        auto *menu = new QMenu(list);
        menu->setObjectName(u"PhraseMenu"_s);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        QListWidgetItem *item = list->itemAt(at);
        const int row = item ? list->row(item) : list->currentRow();
        QAction *remove = menu->addAction(tr("Удалить"));
        remove->setEnabled(row >= 0);
        connect(remove, &QAction::triggered, this, [this, row] { deletePhrase(row); });
        menu->popup(list->viewport()->mapToGlobal(at));
    });
}

TextToolsController::~TextToolsController()
{
    // The window's children closing after this (open boxes) still move the
    // focus; the controls the watcher looks at are gone by then.
    disconnect(m_focusWatch);
}

bool TextToolsController::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_ui.memo1()->viewport() && event->type() == QEvent::MouseButtonPress) {
        m_ui.panel5()->hide();
    } else if (event->type() == QEvent::ShortcutOverride
               && (watched == m_ui.panel5() || watched->parent() == m_ui.panel5())
               && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        // Escape in the open panel closes the panel, not the window.
        event->accept();
        return true;
    } else if (event->type() == QEvent::KeyPress
               && (watched == m_ui.panel5() || watched->parent() == m_ui.panel5())) {
        // Enter takes the smiley Tab reached, as Space does; Escape closes the panel.
        const int key = static_cast<QKeyEvent *>(event)->key();
        auto *button = qobject_cast<QToolButton *>(watched);
        if (button && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            button->click();
            return true;
        }
        if (key == Qt::Key_Escape) {
            m_ui.panel5()->hide();
            m_ui.memo1()->setFocus();
            return true;
        }
    } else if (watched == m_ui.listBox2()) {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                choosePhrase();
                return true;
            }
        } else if (event->type() == QEvent::FocusOut
                   && static_cast<QFocusEvent *>(event)->reason() != Qt::PopupFocusReason) {
            // Its own context menu takes the focus only for a moment.
            closePhraseList();
        }
    }
    return QObject::eventFilter(watched, event);
}

bool TextToolsController::outgoingSelected() const
{
    return m_ui.speedButton13()->isChecked();
}

void TextToolsController::insertAtCaret(const QString &text)
{
    QPlainTextEdit *editor = m_ui.memo1();
    QTextCursor cursor = editor->textCursor();
    cursor.insertText(text);
    editor->setTextCursor(cursor);
    editor->setFocus();
}

void TextToolsController::openSmileyPanel()
{
    // Computed at every opening: the button row moves with the window's height.
    const QRect button = m_ui.speedButton15()->geometry();
    QFrame *panel = m_ui.panel5();
    panel->move(button.x() + button.width() - panel->width(), button.y() - panel->height() - 2);
    panel->show();
    panel->raise();
    panel->setFocus(Qt::PopupFocusReason);
}

void TextToolsController::correctLayout()
{
    if (!outgoingSelected())
        return;
    const QTextCursor cursor = m_ui.memo1()->textCursor();
    if (!cursor.hasSelection())
        return;
    QString selected = cursor.selectedText();
    selected.replace(QChar::ParagraphSeparator, u'\n');
    insertAtCaret(LayoutCorrection::corrected(selected));
}

QString TextToolsController::phrasePath() const
{
    return QDir(m_dataFolder).filePath(PhraseFile::fileName());
}

void TextToolsController::loadPhrases()
{
    LineListFile::ReadStatus status = LineListFile::ReadStatus::Read;
    const QStringList phrases = PhraseFile::read(phrasePath(), &status);
    showPhrases(phrases);
    // No file yet (the editor never saw "Ok") is simply no phrases.
    if (status == LineListFile::ReadStatus::Unreadable)
        MessageBoxes::applicationError(m_window, PhraseFile::cannotOpen(phrasePath()));
}

void TextToolsController::showPhrases(const QStringList &phrases)
{
    m_phrases = phrases;
    m_ui.listBox2()->clear();
    m_ui.listBox2()->addItems(m_phrases);
}

void TextToolsController::insertPhrase()
{
    // The list opens in the editor; with the incoming view in front it
    // would open unseen and keep the focus from the window.
    if (!m_ui.memo1()->isVisible())
        m_openOutgoingView();
    QPlainTextEdit *editor = m_ui.memo1();
    QListWidget *list = m_ui.listBox2();
    editor->setFocus();
    // Just below the caret's line, moved in where the editor would cut it off.
    const QRect caret = editor->cursorRect();
    QPoint at = editor->viewport()->mapTo(editor, caret.bottomLeft() + QPoint(0, 1));
    at.setX(std::max(0, std::min(at.x(), editor->width() - list->width())));
    if (at.y() + list->height() > editor->height()) {
        const int above = editor->viewport()->mapTo(editor, caret.topLeft()).y() - list->height();
        at.setY(std::max(0, above));
    }
    list->move(at);
    list->show();
    list->raise();
    list->setFocus(Qt::OtherFocusReason);
    if (list->count() > 0)
        list->setCurrentRow(0);
}

void TextToolsController::choosePhrase()
{
    QListWidget *list = m_ui.listBox2();
    QListWidgetItem *item = list->currentItem();
    const QString phrase = item && item->isSelected() ? item->text() : QString();
    const bool chosen = item && item->isSelected();
    list->hide();
    if (chosen)
        insertAtCaret(phrase);
    else
        m_ui.memo1()->setFocus();
}

void TextToolsController::closePhraseList()
{
    if (!m_ui.listBox2()->isVisible())
        return;
    m_ui.listBox2()->hide();
    m_ui.memo1()->setFocus();
}

void TextToolsController::deletePhrase(int row)
{
    if (row < 0 || row >= m_phrases.size())
        return;
    QStringList phrases = m_phrases;
    phrases.removeAt(row);
    QString reason;
    if (!PhraseFile::write(phrasePath(), phrases, &reason)) {
        qCWarning(lcZavolin, "phrases not saved: %s", qPrintable(reason));
        MessageBoxes::applicationError(m_window, PhraseFile::cannotCreate(phrasePath()));
        return; // the list keeps showing what the file holds
    }
    showPhrases(phrases);
    m_ui.listBox2()->setCurrentRow(std::min(row, int(phrases.size()) - 1));
}

void TextToolsController::editPhrases()
{
    if (m_phraseEditor) {
        m_phraseEditor->raise();
        m_phraseEditor->activateWindow();
        return;
    }
    LineListFile::ReadStatus status = LineListFile::ReadStatus::Read;
    const QStringList phrases = PhraseFile::read(phrasePath(), &status);
    if (status == LineListFile::ReadStatus::Unreadable) {
        // "Ok" would replace a file whose phrases were never seen.
        MessageBoxes::applicationError(m_window, PhraseFile::cannotOpen(phrasePath()));
        return;
    }
    m_phraseEditor = new TWordEditForm(phrasePath(), phrases, m_window);
    connect(m_phraseEditor, &QDialog::finished, this, &TextToolsController::loadPhrases);
    m_phraseEditor->open();
}

void TextToolsController::loadIntoOutgoing()
{
    if (!outgoingSelected())
        return;
    auto *dialog = new QFileDialog(m_window);
    dialog->setObjectName(u"OpenDialog1"_s);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setNameFilter(textFilter());
    connect(dialog, &QFileDialog::fileSelected, this, &TextToolsController::loadOutgoingFrom);
    dialog->open();
}

void TextToolsController::loadOutgoingFrom(const QString &path)
{
    // The editor holds one message: a larger file could never be sent, and
    // read whole it would stall the window or exhaust memory. Only a regular
    // file is opened: a pipe or device would block or never end.
    const QFileInfo info(path);
    QFile file(path);
    QByteArray content;
    if (info.isFile() && file.open(QIODevice::ReadOnly)) {
        if (file.size() <= SendFlow::kMaxBytes)
            content = file.read(SendFlow::kMaxBytes + 1); // a file that grew since is caught below
        else
            content.resize(SendFlow::kMaxBytes + 1);
    }
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        qCWarning(lcZavolin, "%s: %s", qPrintable(path), qPrintable(file.errorString()));
        MessageBoxes::applicationError(m_window, PhraseFile::cannotOpen(path));
        return; // the editor keeps what it had
    }
    if (content.size() > SendFlow::kMaxBytes) {
        MessageBoxes::warning(m_window, tr("Файл слишком большой: сообщение может быть не длиннее %1 байт.")
                                            .arg(SendFlow::kMaxBytes));
        return;
    }
    QString text = Cp1251::decode(content);
    text.replace(u"\r\n"_s, u"\n"_s);
    text.replace(u'\r', u'\n');
    m_ui.memo1()->setPlainText(text);
}

void TextToolsController::saveIncoming()
{
    if (!m_ui.speedButton14()->isChecked())
        return;
    auto *dialog = new QFileDialog(m_window);
    dialog->setObjectName(u"SaveDialog1"_s);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setOption(QFileDialog::DontConfirmOverwrite); // replaced without a question
    dialog->setNameFilter(textFilter());
    dialog->setDefaultSuffix(u"txt"_s);
    connect(dialog, &QFileDialog::fileSelected, this, &TextToolsController::saveIncomingTo);
    dialog->open();
}

bool TextToolsController::saveIncomingTo(const QString &path)
{
    QString reason;
    m_incomingBatch.flush(); // messages waiting for the next frame belong in the file
    // Always the whole view, whatever part of it is selected, as it is shown.
    const IncomingBrowser &view = *m_ui.richEdit2();
    if (IncomingSave::save(*view.document(), path, &reason, IncomingSave::lookOf(view)))
        return true;
    qCWarning(lcZavolin, "%s: %s", qPrintable(path), qPrintable(reason));
    MessageBoxes::applicationError(m_window, PhraseFile::cannotCreate(path));
    return false;
}
