#pragma once

#include <QWidget>
#include <QListView>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>

class ContactDrag;
class ContactList;
class QLineEdit;
class QListWidget;
class QMimeData;
class QToolButton;

// The blacklist editor: a non-modal tool window beside the main window. Every
// change is written to the blacklist file at once and the in-memory blacklist
// is reloaded from it, so the red markers of the contact list follow.
// While it is open, entries of the main contact list can be dragged into it.
// It deletes itself when closed.
class TBlackListForm : public QWidget
{
    Q_OBJECT

public:
    // mainList is the main window's ListBox1 (a view of contacts), mainWindow
    // the window to stand beside and the parent.
    TBlackListForm(QString blackListPath, ContactList &contacts, QListView *mainList, QWidget *mainWindow);
    ~TBlackListForm() override;

    QListWidget *listBox1() const { return m_listBox1; }
    QLineEdit *edit1() const { return m_edit1; }

    // The drop step, also reached by the list's drop event: appends the name
    // carried by data when source is the main contact list. Returns whether
    // anything was added.
    bool dropContact(const QObject *source, const QMimeData *data);
    bool acceptsDragFrom(const QObject *source, const QMimeData *data) const;

Q_SIGNALS:
    // Shown for the first time; the menu item "Черный список" goes off.
    void opened();
    // Closed by the user; the menu item comes back. The window is deleted next.
    void closed();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void placeBeside(const QWidget *mainWindow);
    void onAdd();
    void onRemove();
    QStringList entries() const;
    void save();
    void warn(const QString &text);

    QString m_path;
    ContactList &m_contacts;
    QPointer<QListView> m_mainList;
    QListWidget *m_listBox1;
    QLineEdit *m_edit1;
    QToolButton *m_speedButton1;
    QToolButton *m_speedButton2;
    std::unique_ptr<ContactDrag> m_drag;
    bool m_announced = false;
};
