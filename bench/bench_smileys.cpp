// Smiley search over the longest texts a message can carry, against one
// case-folding pass over the same text (a linear baseline) in the same run.
#include "SmileyMatcher.h"
#include "SmileyTable.h"

#include <QElapsedTimer>
#include <QRandomGenerator>

#include <cstdio>

namespace {

QString longText(const QString &unit)
{
    return unit.repeated(10000 / unit.size() + 1).left(9999);
}

QString denseText()
{
    // Codes, near misses and letters mixed at random.
    QRandomGenerator random(7);
    const QString pieces[] = {u":-"_qs, u":--))"_qs, u";-)"_qs, u"a"_qs, u" "_qs, u":"_qs, u"-"_qs, u")"_qs, u"8-)"_qs};
    QString text;
    while (text.size() < 9999)
        text += pieces[random.bounded(int(std::size(pieces)))];
    return text.left(9999);
}

QString allCodes()
{
    QString text;
    while (text.size() < 9999)
        text += SmileyTable::row(int(text.size() % SmileyTable::kRowCount) + 1).lowerCode();
    return text.left(9999);
}

template<typename F>
double microsecondsPerText(int rounds, F work)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < rounds; ++i)
        work();
    return double(timer.nsecsElapsed()) / 1000.0 / rounds;
}

} // namespace

int main(int argc, char **argv)
{
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 200;
    const struct { const char *name; QString text; } texts[] = {
        {"dense", denseText()},
        {"all codes", allCodes()},
        {"near misses", longText(u":-"_qs)},
    };
    qsizetype sink = 0;
    for (const auto &t : texts) {
        const double baseline = microsecondsPerText(rounds, [&] { sink += t.text.toUpper().size(); });
        const double split = microsecondsPerText(rounds, [&] { sink += splitSmileys(t.text).size(); });
        std::printf("%-12s 9,999 chars: %8.1f us per split, %6.1f us per case fold, ratio %.1f\n", t.name, split,
                    baseline, split / baseline);
    }
    return sink > 0 ? 0 : 1;
}
