#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class ContactList;
class QListWidget;
class QToolButton;

// The IP address list editor: addresses that presence does not reach, kept in
// "ip.lst", from which the user adds contacts by hand. Changes reach the file
// only by "Ok"; any other way of closing drops them. Removing an address also
// removes its alias at once. Modal; open it with open() (never exec()), it
// deletes itself when closed.
class TipForm : public QDialog
{
    Q_OBJECT

public:
    TipForm(QString ipListPath, QString settingsPath, ContactList &contacts, QWidget *parent = nullptr);

    QListWidget *listBox1() const { return m_listBox1; }
    QStringList addresses() const;

private:
    void onAddAddress();
    void addAddress(const QString &text);
    void onRemoveAddress();
    void onAddToContacts();
    void onOk();
    void showAliasOf(int row);
    int selectedRow() const;
    void message(const QString &caption, const QString &text);

    QString m_path;
    QString m_settingsPath;
    ContactList &m_contacts;
    QListWidget *m_listBox1;
    QToolButton *m_speedButton1;
    QToolButton *m_speedButton2;
    QToolButton *m_speedButton3;
    QToolButton *m_speedButton4;
};
