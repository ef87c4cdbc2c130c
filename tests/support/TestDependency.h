#pragma once

#include <QTest>
#include <QtGlobal>

// A test that needs a program, package or service the machine lacks skips and
// says which; under CI (CI=true in the environment) it fails instead, so a
// missing dependency cannot let a run pass with the test unseen.
namespace TestDependency {

inline bool missingFails()
{
    return qEnvironmentVariable("CI").compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

} // namespace TestDependency

// Ends the test function: a skip, or a failure under CI. `reason` is a C string.
#define ZV_MISSING_DEPENDENCY(reason)                                                                        \
    do {                                                                                                     \
        if (TestDependency::missingFails())                                                                  \
            QFAIL(qPrintable(QStringLiteral("missing test dependency (CI=true): ") + QString::fromUtf8(reason))); \
        QSKIP(reason);                                                                                       \
    } while (false)
