// The code page codec: every byte string survives decoding and encoding, and
// any text encodes without a crash to at most one byte per UTF-16 unit.
#include "Cp1251.h"
#include "FuzzCheck.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString text = Cp1251::decode(bytes);
    FUZZ_CHECK(text.size() == bytes.size());
    FUZZ_CHECK(Cp1251::encode(text) == bytes);

    const QString unicode(reinterpret_cast<const QChar *>(data), qsizetype(size / 2));
    const QByteArray encoded = Cp1251::encode(unicode);
    FUZZ_CHECK(encoded.size() <= unicode.size());
    FUZZ_CHECK(Cp1251::encode(Cp1251::decode(encoded)) == encoded);
    return 0;
}
