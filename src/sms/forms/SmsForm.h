#pragma once

#include "OperatorBook.h"

#include <QString>
#include <QStringList>
#include <QWidget>

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QToolButton;
class QFrame;
class SmsSender;
class SmtpPasswordStore;
struct SmtpSettings;
class TSmtpClient;

// Operator and subscriber names as the lists show them: without regard to case.
QStringList sortedNames(QStringList names);

// Where an SMS window finds its files; the program takes the defaults.
struct SmsFormFiles
{
    QString settingsPath;
    OperatorBook operators;
    QString phoneBookPath;

    static SmsFormFiles installed(const QString &settingsPath);
};

// "SMS - Zavolin": sends a text through the ways its operator offers. A new
// window each time; it deletes itself when closed and then stores the
// server fields in section "smtp".
class TsmsForm : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kWidth = 289;
    static constexpr int kCollapsedHeight = 295; // outer, with the frame
    static constexpr int kExpandedHeight = 434;

    explicit TsmsForm(SmsFormFiles files, QWidget *parent = nullptr);
    ~TsmsForm() override;

    // Creates a window, collapsed and centred, and shows it.
    static TsmsForm *open(const SmsFormFiles &files);

    bool isExpanded() const { return m_expanded; }
    void expand();
    void collapse();
    // Filled by the phone book.
    void setSubscriber(const QString &operatorName, const QString &phone);
    TSmtpClient *smtpClient1() const { return m_smtpClient1; }
    bool isSending() const;
    // Whether the password is kept in the desktop's keyring: unknown until
    // the first keyring answer has come.
    enum class Keyring { Unknown, Used, Absent };
    Keyring keyring() const { return m_keyring; }

    QComboBox *comboBox1() const { return m_comboBox1; }
    QLineEdit *edit1() const { return m_edit1; }
    QPlainTextEdit *memo1() const { return m_memo1; }

Q_SIGNALS:
    // Every way of the last Send has ended.
    void sendFinished();
    // The keyring has answered the window's first read.
    void keyringAnswered();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void build();
    void loadSettings();
    void saveSettings();
    static void storeInKeyring(const QString &settingsPath, const SmtpSettings &settings);
    void onSend();
    void onPhoneBook();
    void applyHeight();

    SmsFormFiles m_files;
    TSmtpClient *m_smtpClient1;
    SmsSender *m_sender;
    SmtpPasswordStore *m_passwords;
    Keyring m_keyring = Keyring::Unknown;
    QString m_loadedPass;
    bool m_expanded = false;
    bool m_saved = false;
    QComboBox *m_comboBox1 = nullptr;
    QLineEdit *m_edit1 = nullptr;
    QPlainTextEdit *m_memo1 = nullptr;
    QFrame *m_webBrowser1 = nullptr;
    QToolButton *m_speedButton1 = nullptr;
    QToolButton *m_speedButton2 = nullptr;
    QToolButton *m_speedButton3 = nullptr;
    QToolButton *m_speedButton4 = nullptr;
    QToolButton *m_speedButton5 = nullptr;
    QToolButton *m_speedButton6 = nullptr;
    QWidget *m_settingsPanel = nullptr;
    QLineEdit *m_edit2 = nullptr;
    QLineEdit *m_edit3 = nullptr;
    QLineEdit *m_edit4 = nullptr;
    QLineEdit *m_maskEdit1 = nullptr;
};
