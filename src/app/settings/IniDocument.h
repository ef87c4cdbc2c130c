#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

// One settings file in memory, line by line. Lines that a change does not touch
// keep their exact bytes, so comments, blank lines, foreign keys and keys above
// the first section survive every write. Names match without regard to case and
// blanks around them; when a file repeats a section or a key, the first counts.
class IniDocument
{
public:
    static IniDocument parse(QByteArrayView bytes);
    QByteArray toBytes() const;

    // A name can be written only if it reads back as the same name: not empty,
    // on one line, and not mistakable for a header, comment or assignment.
    static bool isWritableSection(QStringView section);
    static bool isWritableKey(QStringView key);

    std::optional<QString> value(QStringView section, QStringView key) const;
    QStringList keys(QStringView section) const;
    QStringList sections() const;
    bool hasSection(QStringView section) const;

    // Each returns whether the document changed. setValue expects writable names.
    bool setValue(QStringView section, QStringView key, QStringView value);
    bool removeKey(QStringView section, QStringView key);
    bool removeSection(QStringView section);

private:
    enum class LineKind { Other, Section, Entry };

    struct Line
    {
        QByteArray bytes;
        QByteArray lineEnd;
        LineKind kind = LineKind::Other;
        QString name;
        QString value;
    };

    struct SectionRange
    {
        qsizetype header;
        qsizetype end;
    };

    static Line parseLine(QByteArray bytes, QByteArray lineEnd);
    static Line entryLine(QStringView key, QStringView value);
    std::optional<SectionRange> findSection(QStringView section) const;
    SectionRange rangeFrom(qsizetype header) const;
    qsizetype findKey(SectionRange range, QStringView key) const;

    QList<Line> m_lines;
};
