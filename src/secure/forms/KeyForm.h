#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QWidget;
class SecureChannel;

// "Ключи и отпечатки": how far the contact's key is trusted, this computer's
// fingerprint beside the one pinned to the contact (grouped, to be read aloud
// and compared over the phone; once they match, the user marks the contact
// "проверен"), when and where that key proved itself, and the way to forget
// it. Keys offered besides the pin (a changed key, or several computers
// announcing the name with different keys) are listed for the user to choose
// one. Accepting and forgetting ask first; Enter only closes the window.
// Non-modal; it reads the trust again whenever the contact's keys change.
class TKeyForm : public QDialog
{
    Q_OBJECT

public:
    // `contact`: the computer name the key belongs to.
    TKeyForm(SecureChannel &channel, const QString &ownName, const QString &contact, QWidget *parent = nullptr);

    const QString &contact() const { return m_contact; }
    QCheckBox *verifiedBox() const { return m_verified; }
    QPushButton *acceptButton() const { return m_accept; }
    QPushButton *forgetButton() const { return m_forget; }
    QTreeWidget *offeredList() const { return m_offered; }
    QLineEdit *pinnedField() const { return m_pinned; }

private:
    void refresh();
    void askAccept();
    void askForget();

    SecureChannel &m_channel;
    QString m_contact;
    QLabel *m_levelIcon;
    QLabel *m_level;
    QLabel *m_explanation;
    QLineEdit *m_own;
    QLineEdit *m_pinned;
    QLabel *m_pinInfo;
    QCheckBox *m_verified;
    QPushButton *m_forget;
    QWidget *m_offeredPart;
    QLabel *m_offeredIntro;
    QTreeWidget *m_offered;
    QPushButton *m_accept;
};
