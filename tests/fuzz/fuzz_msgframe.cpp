// The message request parser, fed the same bytes whole and in pieces.
#include "FuzzCheck.h"
#include "MsgFrame.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    MsgFrameParser whole;
    const MsgFrameParser::Status status = whole.feed(bytes);

    // TCP may cut the request anywhere: the first byte picks a piece size.
    MsgFrameParser pieces;
    const qsizetype step = size > 0 ? 1 + data[0] % 7 : 1;
    MsgFrameParser::Status last = MsgFrameParser::Status::NeedMore;
    for (qsizetype at = 0; at < bytes.size() && last == MsgFrameParser::Status::NeedMore; at += step)
        last = pieces.feed(bytes.mid(at, step));
    FUZZ_CHECK(last == status);

    if (status == MsgFrameParser::Status::Complete) {
        FUZZ_CHECK(whole.fromName() == pieces.fromName() && whole.text() == pieces.text());
        FUZZ_CHECK(whole.fromName().size() <= MsgFrame::kMaxField && whole.text().size() <= MsgFrame::kMaxField);
        // What was read is exactly what a sender of these fields writes.
        const QByteArray request = MsgFrame::encodeField(whole.fromName()) + MsgFrame::encodeField(whole.text());
        FUZZ_CHECK(bytes.startsWith(request));
    }
    if (status == MsgFrameParser::Status::Malformed)
        FUZZ_CHECK(!whole.error().isEmpty());
    if (size >= 4)
        FUZZ_CHECK(MsgFrame::parseLength(QByteArrayView(bytes).first(4)) <= MsgFrame::kMaxField);
    return 0;
}
