#include "IniFile.h"
#include "OperatorBook.h"
#include "SmsForm.h"
#include "SmtpPasswordStore.h"
#include "TestDependency.h"

#include <QLineEdit>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The password in a real Secret Service: a gnome-keyring on the private
// session bus that with_keyring.sh starts for this test alone.
class TestSmsKeyring : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    SmsFormFiles files() const
    {
        return {m_dir.filePath(u"Zavolin.ini"_s),
                OperatorBook(m_dir.filePath(u"oss.lst"_s), m_dir.filePath(u"dataoss.lst"_s)),
                m_dir.filePath(u"NoteBook.lst"_s)};
    }

    static std::pair<SmtpPasswordStore::Outcome, QString> read(const QString &server, const QString &login)
    {
        SmtpPasswordStore store;
        QSignalSpy done(&store, &SmtpPasswordStore::readDone);
        store.read(server, login);
        if (!done.wait(20000))
            return {SmtpPasswordStore::Outcome::Failed, u"no answer"_s};
        return {done.at(0).at(0).value<SmtpPasswordStore::Outcome>(), done.at(0).at(1).toString()};
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (!SmtpPasswordStore::builtIn())
            ZV_MISSING_DEPENDENCY("built without qtkeychain: the password always stays in the settings file");
        if (qEnvironmentVariableIsEmpty("ZV_TEST_KEYRING"))
            ZV_MISSING_DEPENDENCY("gnome-keyring-daemon is not installed (Debian package gnome-keyring): no keyring to test against");
    }

    void storeWritesAndReadsPerServerAndLogin()
    {
        SmtpPasswordStore store;
        QSignalSpy written(&store, &SmtpPasswordStore::writeDone);
        store.write(u"mail.example.org"_s, u"me"_s, u"пароль s3cret"_s);
        QVERIFY(written.wait(20000));
        QCOMPARE(written.at(0).at(0).value<SmtpPasswordStore::Outcome>(), SmtpPasswordStore::Outcome::Done);

        const auto found = read(u"mail.example.org"_s, u"me"_s);
        QCOMPARE(found.first, SmtpPasswordStore::Outcome::Done);
        QCOMPARE(found.second, u"пароль s3cret"_s);
        QCOMPARE(read(u"mail.example.org"_s, u"you"_s).first, SmtpPasswordStore::Outcome::NotFound);
        QCOMPARE(read(u"mail.example.net"_s, u"me"_s).first, SmtpPasswordStore::Outcome::NotFound);
    }

    void windowMovesTheFilesPasswordIntoTheKeyring()
    {
        IniFile ini(m_dir.filePath(u"Zavolin.ini"_s));
        ini.writeString(u"smtp", u"server", u"smtp.example.net"_s);
        ini.writeString(u"smtp", u"login", u"anna"_s);
        ini.writeString(u"smtp", u"pass", u"from-file"_s);

        QPointer<TsmsForm> first = TsmsForm::open(files());
        QTRY_COMPARE_WITH_TIMEOUT(first->keyring(), TsmsForm::Keyring::Used, 20000);
        QCOMPARE(first->findChild<QLineEdit *>(u"MaskEdit1"_s)->text(), u"from-file"_s);
        first->close();
        QTRY_VERIFY(!first);
        // Stored in the keyring, the stale copy leaves the file.
        QTRY_VERIFY_WITH_TIMEOUT(!ini.valueExists(u"smtp", u"pass"), 20000);
        QCOMPARE(read(u"smtp.example.net"_s, u"anna"_s).second, u"from-file"_s);
        QCOMPARE(ini.readString(u"smtp", u"login"), u"anna"_s);

        // The next window shows it from the keyring and writes no "pass".
        QPointer<TsmsForm> second = TsmsForm::open(files());
        QTRY_COMPARE_WITH_TIMEOUT(second->findChild<QLineEdit *>(u"MaskEdit1"_s)->text(), u"from-file"_s, 20000);
        second->findChild<QLineEdit *>(u"MaskEdit1"_s)->setText(u"changed"_s);
        second->close();
        QTRY_VERIFY(!second);
        QTRY_COMPARE_WITH_TIMEOUT(read(u"smtp.example.net"_s, u"anna"_s).second, u"changed"_s, 20000);
        QVERIFY(!ini.valueExists(u"smtp", u"pass"));
    }
};

QTEST_MAIN(TestSmsKeyring)
#include "tst_smskeyring.moc"
