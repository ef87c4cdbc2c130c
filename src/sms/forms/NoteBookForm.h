#pragma once

#include "OperatorBook.h"
#include "PhoneBook.h"

#include <QWidget>

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;

// "Записная книжка - Zavolin": subscribers with operator and phone, kept in
// "NoteBook.lst" as soon as they are added or deleted. "Ok" reports the chosen
// subscriber and closes. Deletes itself when closed.
class TNoteBookForm : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kWidth = 452;
    static constexpr int kHeight = 251;

    TNoteBookForm(const OperatorBook &operators, QString phoneBookPath, QWidget *parent = nullptr);

    QListWidget *listBox1() const { return m_listBox1; }

Q_SIGNALS:
    void subscriberChosen(const QString &operatorName, const QString &phone);

private:
    void onAdd();
    void onDelete();
    void onOk();
    void showTipOf(int row);

    PhoneBook m_book;
    QListWidget *m_listBox1;
    QLineEdit *m_edit1;
    QComboBox *m_comboBox1;
    QLineEdit *m_edit2;
    QPushButton *m_button1;
    QPushButton *m_button2;
    QPushButton *m_button3;
    QPushButton *m_button4;
};
