#pragma once

#include "WordEditForm.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>

class IncomingBatch;
class NetFormWidgets;
class QWidget;

// The editing aids around the main window's two views: the smiley panel,
// layout correction, the stock phrase list and its editor, loading the
// editor from a file and saving the incoming view. Dialogs and boxes open
// on the window.
class TextToolsController : public QObject
{
    Q_OBJECT

public:
    // openOutgoingView brings the editor to the front (the phrase list opens in it).
    TextToolsController(QWidget *window, NetFormWidgets &ui, IncomingBatch &incomingBatch, QString dataFolder,
                        std::function<void()> openOutgoingView);
    ~TextToolsController() override;

    // Replaces the editor's selection (or goes in at the caret); the caret
    // ends behind the text and the editor keeps the focus.
    void insertAtCaret(const QString &text);
    void openSmileyPanel();
    // "Исправить на русский": the selection of the outgoing view, if any.
    void correctLayout();
    // F8: the pop-up phrase list under the caret's line.
    void insertPhrase();
    void editPhrases();
    // Fills the pop-up list from the phrase file; a missing file is an empty
    // list, one that is there but cannot be read is reported.
    void loadPhrases();
    void loadIntoOutgoing(); // asks for the file
    void saveIncoming();     // asks for the file
    // What the two dialogs do with the chosen file.
    void loadOutgoingFrom(const QString &path);
    bool saveIncomingTo(const QString &path);

    const QStringList &phrases() const { return m_phrases; }
    TWordEditForm *phraseEditor() const { return m_phraseEditor; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool outgoingSelected() const;
    void showPhrases(const QStringList &phrases);
    void choosePhrase();
    void closePhraseList();
    void deletePhrase(int row);
    QString phrasePath() const;

    QWidget *m_window;
    NetFormWidgets &m_ui;
    IncomingBatch &m_incomingBatch;
    QString m_dataFolder;
    std::function<void()> m_openOutgoingView;
    QStringList m_phrases; // as ListBox2 shows them
    QPointer<TWordEditForm> m_phraseEditor;
    QMetaObject::Connection m_focusWatch; // the application's focus changes, for the smiley panel
};
