// Received file names: a name judged fit to store is a plain name that stays
// in its folder, and what is shown of any name has no control characters.
#include "Cp1251.h"
#include "FuzzCheck.h"
#include "ReceivedFileName.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString wirePath = Cp1251::decode(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    const QString name = ReceivedFileName::fromWirePath(wirePath);
    FUZZ_CHECK(wirePath.endsWith(name));
    if (ReceivedFileName::check(name) == ReceivedFileName::Verdict::Ok) {
        FUZZ_CHECK(!name.isEmpty() && !name.startsWith(u'.'));
        for (const QChar c : name)
            FUZZ_CHECK(c != u'/' && c != u'\\' && c != u':' && c.unicode() >= 0x20 && c.unicode() != 0x7F);
    }
    for (const QChar c : ReceivedFileName::forDisplay(wirePath))
        FUZZ_CHECK(c.unicode() >= 0x20 && c.unicode() != 0x7F);
    return 0;
}
