#pragma once

#include <QString>
#include <QStringList>

// The prepared auto-answer texts, section "AutoAnswer" of the settings file:
// keys "0".."50" hold the list, key "Text" the answer in use. Read and written
// at every use; nothing is kept.
class AutoAnswerTexts
{
public:
    // Keys above this number may be written but are never read back.
    static constexpr int kLastListedKey = 50;

    static QString defaultAnswer(); // "Абонент временно отсутствует!"
    // What a sender receives: "Автоответчик: " and the answer.
    static QString reply(const QString &answer);

    explicit AutoAnswerTexts(QString settingsPath);

    // Keys "0".."50" in order, empty or missing ones left out.
    QStringList list() const;
    // Replaces every numbered key by items as "0", "1", ...; "Text" stays.
    // Throws IniWriteError; the file is replaced once, so a failed write
    // leaves every text that was there.
    void writeList(const QStringList &items);

    // The answer in use as the editor shows it: empty when the key is missing.
    QString editorText() const;
    // The answer in use as the reply sends it: an empty value stays empty, the
    // default applies only when the key is missing.
    QString answer() const;
    // Throws IniWriteError.
    void writeAnswer(const QString &text);

private:
    QString m_settingsPath;
};
