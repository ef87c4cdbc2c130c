#include "LayoutCorrection.h"

namespace {

// Latin letters a..z on the Russian keys, as small Cyrillic letters.
constexpr char16_t kLetters[26] = {
    u'ф', u'и', u'с', u'в', u'у', u'а', u'п', u'р', u'ш', u'о', u'л', u'д', u'ь',
    u'т', u'щ', u'з', u'й', u'к', u'ы', u'е', u'г', u'м', u'ц', u'ч', u'н', u'я',
};

char16_t punctuation(char16_t c)
{
    switch (c) {
    case u'"':
    case u'\'':
        return u'э';
    case u'#':
        return u'№';
    case u'&':
        return u'?';
    case u',':
    case u'<':
        return u'б';
    case u'.':
    case u'>':
        return u'ю';
    case u'/':
    case u'?':
        return u',';
    case u':':
    case u';':
        return u'ж';
    case u'[':
    case u'{':
        return u'х';
    case u']':
    case u'}':
        return u'ъ';
    case u'^':
        return u':';
    case u'`':
    case u'~':
        return u'ё';
    default:
        return c;
    }
}

} // namespace

namespace LayoutCorrection {

QChar corrected(QChar typed)
{
    const char16_t c = typed.unicode();
    if (c >= u'a' && c <= u'z')
        return QChar(kLetters[c - u'a']);
    if (c >= u'A' && c <= u'Z')
        return QChar(kLetters[c - u'A']);
    return QChar(punctuation(c));
}

QString corrected(const QString &typed)
{
    QString result = typed;
    for (QChar &c : result)
        c = corrected(c);
    return result;
}

} // namespace LayoutCorrection
