#pragma once

#include <QString>
#include <QStringList>

// "NoteBook.lst": a section per subscriber with keys "oss" (operator) and
// "phone". Kept in the data folder, where it is written.
class PhoneBook
{
public:
    explicit PhoneBook(QString path);
    static QString defaultPath();

    QStringList names() const;
    QString operatorOf(const QString &name) const;
    QString phoneOf(const QString &name) const;
    // Creates the subscriber or overwrites the one of that name; throws IniWriteError.
    void store(const QString &name, const QString &operatorName, const QString &phone);
    void remove(const QString &name);

private:
    QString m_path;
};
