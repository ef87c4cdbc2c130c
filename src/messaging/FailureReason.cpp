#include "FailureReason.h"

#include <QRegularExpression>

#include <utility>

namespace {

QString fromCause(QAbstractSocket::SocketError cause)
{
    switch (cause) {
    case QAbstractSocket::ConnectionRefusedError:
        return QStringLiteral("компьютер отказал в соединении (программа на нём не запущена или порт закрыт)");
    case QAbstractSocket::SocketTimeoutError:
        return QStringLiteral("компьютер не ответил за отведённое время");
    case QAbstractSocket::NetworkError:
        return QStringLiteral("нет пути к компьютеру: он выключен или недоступен из этой сети");
    case QAbstractSocket::HostNotFoundError:
        return QStringLiteral("компьютер с таким именем не найден в сети");
    case QAbstractSocket::RemoteHostClosedError:
        return QStringLiteral("компьютер разорвал соединение");
    case QAbstractSocket::SocketAccessError:
        return QStringLiteral("система не разрешила соединение");
    case QAbstractSocket::SslHandshakeFailedError:
        return QStringLiteral("не удалось установить защищённое соединение");
    default:
        return {};
    }
}

// The Winsock codes a connection ends with, and the texts of our own channels.
const std::pair<int, const char *> kCodes[] = {
    {10050, "сеть недоступна"},
    {10051, "нет пути к сети компьютера"},
    {10052, "соединение сброшено сетью"},
    {10053, "соединение прервано"},
    {10054, "компьютер разорвал соединение"},
    {10055, "не хватает памяти для соединения"},
    {10060, "компьютер не ответил за отведённое время"},
    {10061, "компьютер отказал в соединении (программа на нём не запущена или порт закрыт)"},
    {10064, "компьютер выключен"},
    {10065, "нет пути к компьютеру: он выключен или недоступен из этой сети"},
    {11001, "компьютер с таким именем не найден в сети"},
};

const std::pair<const char *, const char *> kTexts[] = {
    {"Connection Failed", "не удалось соединиться с компьютером"},
    {"Connection Timed out", "компьютер не ответил за отведённое время"},
    {"Connection Canceled", "соединение отменено"},
    {"Null Remote Address", "компьютер с таким именем не найден в сети"},
    {"Already connected", "предыдущая отправка ещё не закончена"},
    {"Socket send aborted", "компьютер перестал принимать данные"},
    {"Socket readln aborted", "компьютер не ответил за отведённое время"},
    {"The receiver closed without acknowledging", "получатель закрыл соединение, не подтвердив приём"},
    {"Stream ended before its size", "файл стал короче, пока отправлялся"},
    {"Stream not readable", "файл не читается"},
    {"Stream of 2147483648 bytes or more", "файл больше 2 ГБ"},
    {"From-name longer than 9999 bytes", "путь к файлу длиннее 9999 байт"},
    {"Text longer than 9999 bytes", "текст длиннее 9999 байт"},
    {"No such file or directory", "файл не найден"},
    {"Permission denied", "нет доступа к файлу"},
    {"No space left on device", "нет места на диске"},
    {"changed while packed", "файлы папки изменились во время упаковки"},
};

bool isCyrillic(const QString &text)
{
    for (const QChar c : text) {
        if (c.script() == QChar::Script_Cyrillic)
            return true;
    }
    return false;
}

} // namespace

namespace FailureReason {

QString russian(const QString &error, QAbstractSocket::SocketError cause)
{
    // The cause first: "Connection Failed" alone does not say refused from unreachable.
    if (const QString why = fromCause(cause); !why.isEmpty())
        return why;
    if (error.isEmpty() || isCyrillic(error))
        return error;
    static const QRegularExpression winsock(QStringLiteral("^(\\d{5}):"));
    if (const QRegularExpressionMatch code = winsock.match(error); code.hasMatch()) {
        for (const auto &[number, text] : kCodes) {
            if (number == code.captured(1).toInt())
                return QString::fromUtf8(text);
        }
    }
    for (const auto &[english, text] : kTexts) {
        if (error.contains(QLatin1StringView(english), Qt::CaseInsensitive))
            return QString::fromUtf8(text);
    }
    return QStringLiteral("ошибка передачи (%1)").arg(error);
}

} // namespace FailureReason
