#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <memory>
#include <optional>
#include <utility>

// One settings file in memory, line by line. Lines that a change does not touch
// keep their exact bytes (their ends become CR LF), so comments, blank lines, foreign keys and keys above
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

    // Makes lookups of sections and keys constant-time (a settings file may hold
    // tens of thousands of aliases) until the next change. Lookups are right
    // without it, only linear.
    void buildIndex();

private:
    enum class LineKind { Other, Section, Entry };

    struct Line
    {
        QByteArray bytes; // without its line end
        LineKind kind = LineKind::Other;
        QString name;
        QString value;
    };

    struct SectionRange
    {
        qsizetype header;
        qsizetype end;
    };

    static Line parseLine(QByteArray bytes);
    static Line entryLine(QStringView key, QStringView value);
    std::optional<SectionRange> findSection(QStringView section) const;
    SectionRange rangeFrom(qsizetype header) const;
    qsizetype findKey(SectionRange range, QStringView key) const;

    // Names folded the way sameName compares them. A key is indexed under the
    // header line of its section (-1 above the first section).
    struct Index
    {
        QHash<QString, SectionRange> sections;
        QHash<std::pair<qsizetype, QString>, qsizetype> keys;
    };

    void changed() { m_index.reset(); }

    QList<Line> m_lines;
    std::shared_ptr<const Index> m_index;
};
