#pragma once

#include <QWidget>

class Outbox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

// "Ожидают отправки": the messages of the outbox in the order they will go,
// each with the time it was written and its contact; the selected one can be
// edited or cancelled. Edits are kept when another message is chosen or the
// window closes; an empty outbox says that nothing waits. It changes nothing
// itself: edits and cancellations go out as requests, and whoever owns the
// outbox calls reload() when it has changed.
class TOutboxForm : public QWidget
{
    Q_OBJECT

public:
    explicit TOutboxForm(const Outbox &outbox, QWidget *parent = nullptr);

public Q_SLOTS:
    void reload();

Q_SIGNALS:
    // `text` has the wire's line ends (CR LF).
    void editRequested(quint64 id, QString text);
    void cancelRequested(quint64 id);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void showSelected();
    // The editor holds changes to a message still waiting.
    bool hasEdits() const;
    quint64 selectedId() const;

    const Outbox &m_outbox;
    QTreeWidget *m_list;
    QLabel *m_empty;
    QPlainTextEdit *m_text;
    QPushButton *m_save;
    QPushButton *m_cancel;
    quint64 m_shownId = 0; // whose text the editor holds
};
