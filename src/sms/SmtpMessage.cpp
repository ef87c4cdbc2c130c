#include "SmtpMessage.h"

#include "AsciiCase.h"
#include "Cp1251.h"

#include <QRegularExpression>

void THeaderList::SetHeaderValue(const QString &name, const QString &value)
{
    const QString wanted = AsciiCase::upper(name);
    qsizetype found = -1;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const qsizetype colon = m_lines[i].indexOf(u':');
        if (colon >= 0 && AsciiCase::upper(m_lines[i].left(colon)) == wanted) {
            found = i;
            break;
        }
    }
    if (value.isEmpty()) {
        if (found >= 0)
            m_lines.removeAt(found);
        return;
    }
    const QString line = name + QStringLiteral(": ") + value;
    if (found >= 0)
        m_lines[found] = line;
    else
        m_lines.append(line);
}

namespace SmtpMessage {

QString extractAddress(const QString &entry)
{
    const qsizetype open = entry.indexOf(u'<');
    if (open >= 0) {
        const qsizetype close = entry.indexOf(u'>', open + 1);
        return close < 0 ? entry.mid(open + 1) : entry.mid(open + 1, close - open - 1);
    }
    const qsizetype colon = entry.indexOf(u':');
    if (colon >= 0) {
        const qsizetype next = entry.indexOf(u':', colon + 1);
        return next < 0 ? entry.mid(colon + 1) : entry.mid(colon + 1, next - colon - 1);
    }
    return entry;
}

QString contentType(TMailType subType)
{
    switch (subType) {
    case TMailType::mtPlain:
        return QStringLiteral("text/plain");
    case TMailType::mtEnriched:
        return QStringLiteral("text/enriched");
    case TMailType::mtSgml:
        return QStringLiteral("text/sgml");
    case TMailType::mtTabSeperated:
        return QStringLiteral("text/tab-separated-values");
    case TMailType::mtHtml:
        return QStringLiteral("text/html");
    }
    return QStringLiteral("text/plain");
}

QStringList headerLines(const TPostMessage &message, TMailType subType, const QString &charset)
{
    THeaderList header;
    header.append(QStringLiteral("From: ") + message.FromName + u'<' + message.FromAddress + u'>');
    if (!message.ToAddress.isEmpty())
        header.append(QStringLiteral("To: ") + message.ToAddress.join(u','));
    if (!message.ToCarbonCopy.isEmpty())
        header.append(QStringLiteral("CC: ") + message.ToCarbonCopy.join(u','));
    header.SetHeaderValue(QStringLiteral("Subject"), message.Subject);
    header.SetHeaderValue(QStringLiteral("X-Mailer"), message.LocalProgram);
    header.SetHeaderValue(QStringLiteral("Reply-To"), message.ReplyTo);
    header.SetHeaderValue(QStringLiteral("Date"), message.Date);
    header.append(QStringLiteral("Mime-Version: 1.0"));
    header.append(QStringLiteral("Content-Type: ") + contentType(subType) + QStringLiteral("; charset=") + charset);
    return header.lines();
}

QByteArray body(const QStringList &lines)
{
    static const QRegularExpression breaks(QStringLiteral("\r\n|\n|\r"));
    QByteArray bytes;
    for (const QString &entry : lines) {
        // An entry may hold line breaks of its own; each line it makes is
        // stuffed, or a "." line inside it would end the data early.
        for (const QString &line : entry.split(breaks)) {
            if (line.startsWith(u'.'))
                bytes += '.';
            bytes += Cp1251::encode(line);
            bytes += "\r\n";
        }
    }
    return bytes;
}

QStringList splitLines(const QString &text)
{
    static const QRegularExpression breaks(QStringLiteral("\r\n|\n|\r"));
    if (text.isEmpty())
        return {};
    QStringList lines = text.split(breaks);
    if (lines.last().isEmpty())
        lines.removeLast(); // a final break ends the last line, it opens none
    return lines;
}

} // namespace SmtpMessage
