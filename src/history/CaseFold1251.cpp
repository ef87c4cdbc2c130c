#include "CaseFold1251.h"

#include "Cp1251.h"

#include <array>

namespace {

// Built from the codec, so every letter 1251 carries folds as Unicode says.
std::array<unsigned char, 256> makeTable()
{
    std::array<unsigned char, 256> t{};
    for (int b = 0; b < 256; ++b) {
        t[b] = static_cast<unsigned char>(b);
        const char byte = static_cast<char>(b);
        const QString lower = Cp1251::decode(QByteArrayView(&byte, 1)).toLower();
        if (lower.size() != 1)
            continue;
        const QByteArray back = Cp1251::encode(lower);
        if (back.size() == 1 && (back[0] != '?' || b == '?'))
            t[b] = static_cast<unsigned char>(back[0]);
    }
    return t;
}

} // namespace

const unsigned char *CaseFold1251::table()
{
    static const std::array<unsigned char, 256> t = makeTable();
    return t.data();
}

void CaseFold1251::fold(char *bytes, qsizetype size)
{
    const unsigned char *t = table();
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(t[static_cast<unsigned char>(bytes[i])]);
}

QByteArray CaseFold1251::folded(QByteArrayView bytes)
{
    QByteArray out = bytes.toByteArray();
    fold(out.data(), out.size());
    return out;
}
