// The key announcement parser: whatever arrives, a parsed announcement has a
// usable name, port and fingerprint, and encodes back to the same bytes.
#include "FuzzCheck.h"
#include "Fingerprint.h"
#include "KeyAnnouncement.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::optional<KeyAnnouncement> parsed = KeyAnnouncement::parse(bytes);
    if (!parsed)
        return 0;
    FUZZ_CHECK(bytes.size() <= KeyAnnouncement::kMaxSize);
    FUZZ_CHECK(!parsed->name.isEmpty() && parsed->name.size() <= KeyAnnouncement::kMaxName);
    FUZZ_CHECK(parsed->port > 0);
    FUZZ_CHECK(Fingerprint::isWellFormed(parsed->fingerprint));
    for (QChar c : parsed->name)
        FUZZ_CHECK(c.unicode() >= 0x20 && c.unicode() != 0x7f);
    // Only the fingerprint's letter case may differ from what came.
    FUZZ_CHECK(parsed->encode() == bytes.left(bytes.size() - Fingerprint::kLength) + parsed->fingerprint.toLatin1());
    FUZZ_CHECK(KeyAnnouncement::parse(parsed->encode()).has_value());
    return 0;
}
