#include "LogHeader.h"

namespace {
constexpr char kRuleText[] = "//---------------------------------------------------------------------";
static_assert(sizeof(kRuleText) - 1 == 71);
} // namespace

const QByteArrayView LogHeader::kRule(kRuleText, sizeof(kRuleText) - 1);

bool LogHeader::isRule(QByteArrayView line)
{
    return line == kRule;
}

std::optional<LogHeader> LogHeader::parse(QByteArrayView line)
{
    if (!line.startsWith('['))
        return std::nullopt;
    const qsizetype close = line.indexOf("] ");
    if (close < 0)
        return std::nullopt;
    const qsizetype arrow = line.indexOf(" --> ", close + 2);
    if (arrow < 0)
        return std::nullopt;
    return LogHeader{line.sliced(1, close - 1), line.sliced(close + 2, arrow - close - 2), line.sliced(arrow + 5)};
}
