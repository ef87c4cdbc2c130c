#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The small notice window ("is online", "is offline"): a headline and the
// moment it was shown. Each notice is its own window and deletes itself on close.
class TMessForm : public QDialog
{
    Q_OBJECT

public:
    explicit TMessForm(QWidget *parent = nullptr);

    // Opens a new notice, centred on the screen and on top, without blocking.
    static TMessForm *showNotice(const QString &headline);

    QLabel *label1() const;
    QLabel *label2() const;
    QPushButton *okButton() const;

private:
    QLabel *m_image1;
    QLabel *m_label1;
    QLabel *m_label2;
    QPushButton *m_button1;
};
