#include "PhoneBook.h"

#include "AppPaths.h"
#include "IniFile.h"

PhoneBook::PhoneBook(QString path)
    : m_path(std::move(path))
{
}

QString PhoneBook::defaultPath()
{
    return AppPaths::dataFile(QStringLiteral("NoteBook.lst"));
}

QStringList PhoneBook::names() const
{
    return IniFile(m_path).readSections();
}

QString PhoneBook::operatorOf(const QString &name) const
{
    return IniFile(m_path).readString(name, u"oss");
}

QString PhoneBook::phoneOf(const QString &name) const
{
    return IniFile(m_path).readString(name, u"phone");
}

void PhoneBook::store(const QString &name, const QString &operatorName, const QString &phone)
{
    IniFile file(m_path);
    file.beginBatch();
    file.writeString(name, u"oss", operatorName);
    file.writeString(name, u"phone", phone);
    file.commitBatch();
}

void PhoneBook::remove(const QString &name)
{
    IniFile(m_path).eraseSection(name);
}
