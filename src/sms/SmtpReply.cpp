#include "SmtpReply.h"

namespace SmtpReply {

qint64 number(QByteArrayView line)
{
    qint64 value = 0;
    for (qsizetype i = 0; i < line.size() && i < 10; ++i) {
        const char c = line[i];
        if (c < '0' || c > '9')
            break;
        value = value * 10 + (c - '0');
    }
    return value;
}

bool isWellFormed(QByteArrayView line)
{
    if (line.size() < 3 || line[0] < '1' || line[0] > '5')
        return false;
    for (qsizetype i = 1; i < 3; ++i) {
        if (line[i] < '0' || line[i] > '9')
            return false;
    }
    return line.size() == 3 || line[3] == ' ' || line[3] == '-' || line[3] == '\r' || line[3] == '\n';
}

bool continues(QByteArrayView line)
{
    return (!line.isEmpty() && line[0] == ' ') || (line.size() > 3 && line[3] == '-');
}

QByteArrayList extensions(const QByteArrayList &lines)
{
    QByteArrayList result;
    for (qsizetype i = 1; i < lines.size(); ++i)
        result.append(lines[i].mid(4).trimmed().toUpper());
    return result;
}

} // namespace SmtpReply
