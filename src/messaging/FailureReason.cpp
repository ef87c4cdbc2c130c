#include "FailureReason.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <utility>

namespace {

const char *fromCause(QAbstractSocket::SocketError cause)
{
    switch (cause) {
    case QAbstractSocket::ConnectionRefusedError:
        return QT_TRANSLATE_NOOP("FailureReason", "компьютер отказал в соединении (программа на нём не запущена или порт закрыт)");
    case QAbstractSocket::SocketTimeoutError:
        return QT_TRANSLATE_NOOP("FailureReason", "компьютер не ответил за отведённое время");
    case QAbstractSocket::NetworkError:
        return QT_TRANSLATE_NOOP("FailureReason", "нет пути к компьютеру: он выключен или недоступен из этой сети");
    case QAbstractSocket::HostNotFoundError:
        return QT_TRANSLATE_NOOP("FailureReason", "компьютер с таким именем не найден в сети");
    case QAbstractSocket::RemoteHostClosedError:
        return QT_TRANSLATE_NOOP("FailureReason", "компьютер разорвал соединение");
    case QAbstractSocket::SocketAccessError:
        return QT_TRANSLATE_NOOP("FailureReason", "система не разрешила соединение");
    case QAbstractSocket::SslHandshakeFailedError:
        return QT_TRANSLATE_NOOP("FailureReason", "не удалось установить защищённое соединение");
    default:
        return nullptr;
    }
}

// The Winsock codes a connection ends with, and the texts of our own channels.
const std::pair<int, const char *> kCodes[] = {
    {10050, QT_TRANSLATE_NOOP("FailureReason", "сеть недоступна")},
    {10051, QT_TRANSLATE_NOOP("FailureReason", "нет пути к сети компьютера")},
    {10052, QT_TRANSLATE_NOOP("FailureReason", "соединение сброшено сетью")},
    {10053, QT_TRANSLATE_NOOP("FailureReason", "соединение прервано")},
    {10054, QT_TRANSLATE_NOOP("FailureReason", "компьютер разорвал соединение")},
    {10055, QT_TRANSLATE_NOOP("FailureReason", "не хватает памяти для соединения")},
    {10060, QT_TRANSLATE_NOOP("FailureReason", "компьютер не ответил за отведённое время")},
    {10061, QT_TRANSLATE_NOOP("FailureReason", "компьютер отказал в соединении (программа на нём не запущена или порт закрыт)")},
    {10064, QT_TRANSLATE_NOOP("FailureReason", "компьютер выключен")},
    {10065, QT_TRANSLATE_NOOP("FailureReason", "нет пути к компьютеру: он выключен или недоступен из этой сети")},
    {11001, QT_TRANSLATE_NOOP("FailureReason", "компьютер с таким именем не найден в сети")},
};

const std::pair<const char *, const char *> kTexts[] = {
    {"Connection Failed", QT_TRANSLATE_NOOP("FailureReason", "не удалось соединиться с компьютером")},
    {"Connection Timed out", QT_TRANSLATE_NOOP("FailureReason", "компьютер не ответил за отведённое время")},
    {"Connection Canceled", QT_TRANSLATE_NOOP("FailureReason", "соединение отменено")},
    {"Null Remote Address", QT_TRANSLATE_NOOP("FailureReason", "компьютер с таким именем не найден в сети")},
    {"Already connected", QT_TRANSLATE_NOOP("FailureReason", "предыдущая отправка ещё не закончена")},
    {"Socket send aborted", QT_TRANSLATE_NOOP("FailureReason", "компьютер перестал принимать данные")},
    {"Socket readln aborted", QT_TRANSLATE_NOOP("FailureReason", "компьютер не ответил за отведённое время")},
    {"The receiver closed without acknowledging", QT_TRANSLATE_NOOP("FailureReason", "получатель закрыл соединение, не подтвердив приём")},
    {"Stream ended before its size", QT_TRANSLATE_NOOP("FailureReason", "файл стал короче, пока отправлялся")},
    {"Stream not readable", QT_TRANSLATE_NOOP("FailureReason", "файл не читается")},
    {"Stream of 2147483648 bytes or more", QT_TRANSLATE_NOOP("FailureReason", "файл больше 2 ГБ")},
    {"From-name longer than 9999 bytes", QT_TRANSLATE_NOOP("FailureReason", "путь к файлу длиннее 9999 байт")},
    {"Text longer than 9999 bytes", QT_TRANSLATE_NOOP("FailureReason", "текст длиннее 9999 байт")},
    {"No such file or directory", QT_TRANSLATE_NOOP("FailureReason", "файл не найден")},
    {"Permission denied", QT_TRANSLATE_NOOP("FailureReason", "нет доступа к файлу")},
    {"No space left on device", QT_TRANSLATE_NOOP("FailureReason", "нет места на диске")},
    {"changed while packed", QT_TRANSLATE_NOOP("FailureReason", "файлы папки изменились во время упаковки")},
};

const char *const kGeneral = QT_TRANSLATE_NOOP("FailureReason", "ошибка передачи (%1)");

bool isCyrillic(const QString &text)
{
    for (const QChar c : text) {
        if (c.script() == QChar::Script_Cyrillic)
            return true;
    }
    return false;
}

// The reason's text in the source language; nullptr when the error is shown
// as it is (nothing, or Russian already) or after the general word.
const char *sourceText(const QString &error, QAbstractSocket::SocketError cause)
{
    // The cause first: "Connection Failed" alone does not say refused from unreachable.
    if (const char *why = fromCause(cause))
        return why;
    if (error.isEmpty() || isCyrillic(error))
        return nullptr;
    static const QRegularExpression winsock(QStringLiteral("^(\\d{5}):"));
    if (const QRegularExpressionMatch code = winsock.match(error); code.hasMatch()) {
        for (const auto &[number, text] : kCodes) {
            if (number == code.captured(1).toInt())
                return text;
        }
    }
    for (const auto &[english, text] : kTexts) {
        if (error.contains(QLatin1StringView(english), Qt::CaseInsensitive))
            return text;
    }
    return nullptr;
}

QString translated(const char *text)
{
    return QCoreApplication::translate("FailureReason", text);
}

} // namespace

namespace FailureReason {

QString russian(const QString &error, QAbstractSocket::SocketError cause)
{
    if (const char *text = sourceText(error, cause))
        return QString::fromUtf8(text);
    if (error.isEmpty() || isCyrillic(error))
        return error;
    return QString::fromUtf8(kGeneral).arg(error);
}

QString shown(const QString &error, QAbstractSocket::SocketError cause)
{
    if (const char *text = sourceText(error, cause))
        return translated(text);
    if (error.isEmpty())
        return error;
    if (!isCyrillic(error))
        return translated(kGeneral).arg(error);
    // A reason kept from russian() or given by name in the source language.
    const QString general = QString::fromUtf8(kGeneral);
    const qsizetype at = general.indexOf(u"%1");
    if (error.startsWith(general.left(at)) && error.endsWith(general.mid(at + 2))
        && error.size() > general.size() - 2)
        return translated(kGeneral).arg(error.mid(at, error.size() - (general.size() - 2)));
    return translated(error.toUtf8().constData());
}

} // namespace FailureReason
