#pragma once

#include <QString>
#include <QStringList>

// How one operator takes a message: a web address and/or a mail address, each
// a template. Empty means that way is not offered.
struct OperatorWays
{
    QString web;  // "%s" for the phone, then "%s" for the text
    QString mail; // "%s" for the phone
};

// The operator files that ship with the program: "oss.lst" (names, one a line)
// and "dataoss.lst" (a section per operator, keys "Web" and "Mail", each value
// enclosed in delimiters: quotes, which the file reader takes off, or a pair
// such as <...> or |...|). A copy in the data folder wins over the installed one.
class OperatorBook
{
public:
    OperatorBook(QString namesFile, QString waysFile);
    // The files the program finds: the data folder's, else the installed ones.
    static OperatorBook installed();

    const QString &namesFile() const { return m_namesFile; }
    const QString &waysFile() const { return m_waysFile; }
    bool namesExist() const;
    // In file order, blank lines left out.
    QStringList names() const;
    // A missing file or section offers no way.
    OperatorWays ways(const QString &operatorName) const;

    // The value without its enclosing delimiters, if it still has them.
    static QString unwrap(const QString &value);
    // Replaces each "%s" in turn by the next argument (nothing once they run
    // out) and "%%" by "%"; any other "%" stays as it is.
    static QString fill(const QString &format, const QStringList &arguments);

private:
    QString m_namesFile;
    QString m_waysFile;
};
