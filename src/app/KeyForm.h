#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;
class SecureChannel;

// "Ключи - Zavolin": this computer's fingerprint beside the one pinned to a
// contact, grouped to be read aloud and compared over the phone; once they
// match, the user marks the contact "проверен". A key offered in place of the
// pinned one is shown too, with the way to accept it. Non-modal; it reads the
// channel again whenever a key changes.
class TKeyForm : public QDialog
{
    Q_OBJECT

public:
    TKeyForm(SecureChannel &channel, const QString &ownName, const QString &contact, QWidget *parent = nullptr);

    const QString &contact() const { return m_contact; }
    QCheckBox *verifiedBox() const { return m_verified; }
    QPushButton *acceptButton() const { return m_accept; }
    QLabel *ownLabel() const { return m_own; }
    QLabel *pinnedLabel() const { return m_pinned; }
    QLabel *offeredLabel() const { return m_offered; }

private:
    void refresh();

    SecureChannel &m_channel;
    QString m_contact;
    QLabel *m_own;
    QLabel *m_pinned;
    QLabel *m_offered;
    QCheckBox *m_verified;
    QPushButton *m_accept;
};
