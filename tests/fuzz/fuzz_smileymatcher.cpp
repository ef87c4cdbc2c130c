// The smiley matcher: its pieces put together give the text back, plain
// pieces are never empty and every code stands for a row of the table.
#include "Cp1251.h"
#include "FuzzCheck.h"
#include "SmileyMatcher.h"
#include "SmileyTable.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = Cp1251::decode(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    QString joined;
    for (const SmileyPiece &piece : splitSmileys(text)) {
        FUZZ_CHECK(!piece.text().isEmpty());
        if (piece.isSmiley()) {
            FUZZ_CHECK(piece.row() >= 1 && piece.row() <= SmileyTable::kRowCount);
            const SmileyRow &row = SmileyTable::row(piece.row());
            FUZZ_CHECK(piece.text() == row.upperCode() || piece.text() == row.lowerCode());
        }
        joined += piece.text();
    }
    FUZZ_CHECK(joined == text);
    return 0;
}
