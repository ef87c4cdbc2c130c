#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The mail the client sends: who from, to whom, and the text line by line.
struct TPostMessage
{
    QString FromAddress;
    QString FromName;
    QStringList ToAddress;
    QStringList ToCarbonCopy;
    QStringList ToBlindCarbonCopy;
    QStringList Body;
    QStringList Attachments; // kept for callers; no attachment is ever sent
    QString Subject;
    QString LocalProgram;
    QString Date;
    QString ReplyTo;
};

enum class TMailType { mtPlain, mtEnriched, mtSgml, mtTabSeperated, mtHtml };

// Header lines "Name: value", found by name without regard to ASCII case.
class THeaderList
{
public:
    // A non-empty value replaces the line of that name or is appended; an
    // empty one removes the line.
    void SetHeaderValue(const QString &name, const QString &value);
    void append(const QString &line) { m_lines.append(line); }
    void clear() { m_lines.clear(); }
    const QStringList &lines() const { return m_lines; }

private:
    QStringList m_lines;
};

namespace SmtpMessage {

// The address an entry stands for: inside "<...>", after "name:", or the
// entry itself.
QString extractAddress(const QString &entry);

QString contentType(TMailType subType);

// From, To, CC, Subject, X-Mailer, Reply-To, Date, Mime-Version, Content-Type.
QStringList headerLines(const TPostMessage &message, TMailType subType, const QString &charset);

// Every entry split at its line breaks (CR LF, LF or CR), every line ended by
// CR LF, a leading full stop doubled so that no line can end the data early;
// code page 1251 bytes, no other encoding.
QByteArray body(const QStringList &lines);

// Line breaks split the text (CR LF, LF or CR); used for the Body list.
QStringList splitLines(const QString &text);

} // namespace SmtpMessage
