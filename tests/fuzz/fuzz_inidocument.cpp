// The settings file: any bytes parse and write back with nothing changed but
// their line ends (CR LF, every one, so no reader joins two lines), changes to a
// parsed document never fail on odd input, and integer values parse without
// surprises.
#include "FuzzCheck.h"
#include "IniDocument.h"
#include "ProfileValue.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    IniDocument document = IniDocument::parse(bytes);
    const QByteArray written = document.toBytes();
    FUZZ_CHECK(IniDocument::parse(written).toBytes() == written);
    FUZZ_CHECK(QByteArray(written).replace("\r\n", "\n") == QByteArray(bytes).replace("\r\n", "\n").replace('\r', '\n')
               + (bytes.isEmpty() || bytes.endsWith('\n') || bytes.endsWith('\r') ? "" : "\n"));

    // Names and a value taken from the file itself, the way a user's edits
    // meet what is already there.
    const QStringList sections = document.sections();
    const QString section = sections.isEmpty() ? QStringLiteral("Form") : sections.constLast();
    const QStringList keys = document.keys(section);
    const QString key = keys.isEmpty() ? QStringLiteral("Ch15") : keys.constFirst();
    for (const QString &name : sections)
        (void)document.value(name, key);
    if (IniDocument::isWritableSection(section) && IniDocument::isWritableKey(key)) {
        document.setValue(section, key, QStringLiteral("1"));
        document.setValue(section, QStringLiteral("Width"), QStringLiteral("500"));
        document.removeKey(section, key);
        const IniDocument reread = IniDocument::parse(document.toBytes());
        FUZZ_CHECK(reread.toBytes() == document.toBytes());
    }
    document.removeSection(section);

    const QString text = QString::fromLatin1(bytes.left(64));
    const QString stored = profileTextForValue(text);
    FUZZ_CHECK(!stored.contains(u'\n') && !stored.contains(u'\r'));
    (void)parseProfileInteger(text, 7);
    (void)profileValueFromText(text);
    return 0;
}
