#pragma once

#include "OperatorBook.h"
#include "PhoneBook.h"

#include <QPointer>
#include <QWidget>

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class TsmsForm;

// "Записная книжка - Zavolin": subscribers with operator and phone, kept in
// "NoteBook.lst" as soon as they are added or deleted. "Ok" fills the SMS
// window that opened it, if that is still open. Deletes itself when closed.
class TNoteBookForm : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kWidth = 452;
    static constexpr int kHeight = 251;

    TNoteBookForm(const OperatorBook &operators, QString phoneBookPath, TsmsForm *smsForm,
                  QWidget *parent = nullptr);

    QListWidget *listBox1() const { return m_listBox1; }

private:
    void onAdd();
    void onDelete();
    void onOk();
    void showTipOf(int row);

    PhoneBook m_book;
    QPointer<TsmsForm> m_smsForm;
    QListWidget *m_listBox1;
    QLineEdit *m_edit1;
    QComboBox *m_comboBox1;
    QLineEdit *m_edit2;
    QPushButton *m_button1;
    QPushButton *m_button2;
    QPushButton *m_button3;
    QPushButton *m_button4;
};
