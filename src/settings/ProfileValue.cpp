#include "ProfileValue.h"

#include <limits>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

bool isQuote(QChar c)
{
    return c == u'"' || c == u'\'';
}

int hexDigit(QChar c)
{
    if (c >= u'0' && c <= u'9')
        return c.unicode() - u'0';
    if (c >= u'a' && c <= u'f')
        return c.unicode() - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c.unicode() - u'A' + 10;
    return -1;
}

std::optional<quint32> parseHex(QStringView digits)
{
    if (digits.isEmpty())
        return std::nullopt;
    quint64 value = 0;
    for (QChar c : digits) {
        const int digit = hexDigit(c);
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + quint64(digit);
        if (value > std::numeric_limits<quint32>::max())
            return std::nullopt;
    }
    return quint32(value);
}

std::optional<int> parseDecimal(QStringView text)
{
    bool negative = false;
    if (!text.isEmpty() && (text.front() == u'-' || text.front() == u'+')) {
        negative = text.front() == u'-';
        text = text.sliced(1);
    }
    if (text.isEmpty())
        return std::nullopt;
    const quint64 limit = negative ? quint64(std::numeric_limits<int>::max()) + 1
                                   : quint64(std::numeric_limits<int>::max());
    quint64 magnitude = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        magnitude = magnitude * 10 + quint64(c.unicode() - u'0');
        if (magnitude > limit)
            return std::nullopt;
    }
    return negative ? int(-qint64(magnitude)) : int(magnitude);
}

} // namespace

int parseProfileInteger(QStringView text, int defaultValue)
{
    std::optional<int> value;
    if (text.startsWith(u'$')) {
        if (const auto hex = parseHex(text.sliced(1)))
            value = int(*hex);
    } else if (text.size() > 2 && text.startsWith(u"0x", Qt::CaseInsensitive)) {
        if (const auto hex = parseHex(text.sliced(2)))
            value = int(*hex);
    } else {
        value = parseDecimal(text);
    }
    return value.value_or(defaultValue);
}

QStringView trimProfileBlanks(QStringView text)
{
    while (!text.isEmpty() && isBlank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isBlank(text.back()))
        text.chop(1);
    return text;
}

QString profileValueFromText(QStringView text)
{
    text = trimProfileBlanks(text);
    if (text.size() >= 2 && isQuote(text.front()) && text.back() == text.front())
        text = text.sliced(1, text.size() - 2);
    return text.toString();
}

QString profileTextForValue(QStringView value)
{
    QString text = value.toString();
    text.replace(u"\r\n"_s, u" "_s);
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    // Quoting protects what a read would strip: outer blanks, and an outer pair
    // of quotes that belongs to the value.
    const bool needsQuotes = !text.isEmpty()
        && (isBlank(text.front()) || isBlank(text.back())
            || (text.size() >= 2 && isQuote(text.front()) && text.back() == text.front()));
    if (needsQuotes)
        return u'"' + text + u'"';
    return text;
}
