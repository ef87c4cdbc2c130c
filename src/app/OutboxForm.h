#pragma once

#include <QWidget>

class Messenger;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

// "Ожидают отправки": the messages of the outbox in the order they will go,
// each with its contact; the selected one can be edited or cancelled.
class TOutboxForm : public QWidget
{
    Q_OBJECT

public:
    explicit TOutboxForm(Messenger &messenger, QWidget *parent = nullptr);

    void reload();

private:
    void showSelected();
    quint64 selectedId() const;

    Messenger &m_messenger;
    QListWidget *m_list;
    QPlainTextEdit *m_text;
    QPushButton *m_save;
    QPushButton *m_cancel;
};
