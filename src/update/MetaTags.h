#pragma once

#include <QString>
#include <QStringList>

// The names under which an information page carries its values, one META tag
// per line. Peers' pages use the names the about window sets; these defaults
// are the component's own.
struct TTagInfo
{
    QString ProductName = QStringLiteral("wuProduct");
    QString Version = QStringLiteral("wuVersion");
    QString Download = QStringLiteral("wuDownload");
    QString ClientFileName = QStringLiteral("wuClientSideName");
    QString RunParameters = QStringLiteral("wuRunParameters");
    QString Redirection = QStringLiteral("wuRedirection");
    QString Author = QStringLiteral("wuAuthor");
    QString Email = QStringLiteral("wuEmail");
};

// What one information page said.
struct PageValues
{
    QString productName;
    QString version;
    QString download;
    QString clientFileName;
    QString runParameters;
    QString redirection;
    QString author;
    QString email;

    bool operator==(const PageValues &) const = default;
};

namespace MetaTags {

// One line's tag: the name starts 11 characters after a case-sensitive
// "META NAME" (just past `="`), the value 9 characters after the first
// "CONTENT=" in any case (just past its quote); each runs to the next double
// quote within 255 characters, else it is empty. Without "META NAME" the line
// is no tag; without "CONTENT=" its value is empty.
struct Tag
{
    QString name;
    QString value;
};
bool parseLine(const QString &line, Tag &tag);

// Every line of the page in order, so a later line overrides an earlier one;
// names must match `names` exactly. Values the page does not name stay empty.
PageValues parsePage(const QStringList &lines, const TTagInfo &names);

// A page's bytes as lines: UTF-8 when they are valid UTF-8 (modern pages),
// else code page 1251; lines end at CR LF, LF or CR.
QString decodePage(const QByteArray &bytes);
QStringList splitLines(const QString &text);

} // namespace MetaTags
