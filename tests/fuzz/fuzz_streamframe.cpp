// The stream header parser: it takes no byte beyond the header, however the
// bytes are cut, and what it reads survives a round trip.
#include "FuzzCheck.h"
#include "StreamFrame.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    StreamHeaderParser whole;
    qsizetype used = -1;
    const StreamHeaderParser::Status status = whole.feed(bytes, &used);
    FUZZ_CHECK(used >= 0 && used <= bytes.size());

    StreamHeaderParser pieces;
    const qsizetype step = size > 0 ? 1 + data[0] % 5 : 1;
    qsizetype taken = 0;
    StreamHeaderParser::Status last = StreamHeaderParser::Status::NeedMore;
    for (qsizetype at = 0; at < bytes.size() && last == StreamHeaderParser::Status::NeedMore; at += step) {
        qsizetype usedHere = 0;
        const QByteArray piece = bytes.mid(at, step);
        last = pieces.feed(piece, &usedHere);
        FUZZ_CHECK(usedHere >= 0 && usedHere <= piece.size());
        taken += usedHere;
    }
    FUZZ_CHECK(last == status);
    if (status == StreamHeaderParser::Status::NeedMore)
        FUZZ_CHECK(whole.wanted() > 0);
    if (status != StreamHeaderParser::Status::Complete)
        return 0;

    FUZZ_CHECK(taken == used);
    FUZZ_CHECK(whole.fromName() == pieces.fromName() && whole.count() == pieces.count());
    FUZZ_CHECK(whole.count() >= 0 && whole.count() <= StreamFrame::kMaxCount);
    FUZZ_CHECK(whole.fromName().size() <= StreamFrame::kMaxName);
    StreamHeaderParser again;
    qsizetype againUsed = 0;
    const QByteArray header = StreamFrame::encodeHeader(whole.fromName(), whole.count());
    FUZZ_CHECK(again.feed(header, &againUsed) == StreamHeaderParser::Status::Complete);
    FUZZ_CHECK(againUsed == header.size());
    FUZZ_CHECK(again.fromName() == whole.fromName() && again.count() == whole.count());
    return 0;
}
