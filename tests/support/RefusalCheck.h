#pragma once

#include "store/PlanFile.h"

#include <QtTest>

namespace plandor::test {

// A plan reader (PlanFile::parse or read, PlanCsv::parse or read) refuses the
// input: false, a reason that holds `reason`, and the content it was to fill
// left as it was.
template <typename Input>
void checkRefused(bool (*reader)(const Input &, PlanFileContent &, QString *), const Input &input,
    const QString &reason)
{
    PlanFileContent content;
    content.caption = QStringLiteral("untouched");
    QString error;
    QVERIFY(!reader(input, content, &error));
    QVERIFY2(error.contains(reason), qPrintable(error));
    QCOMPARE(content.caption, QStringLiteral("untouched"));
}

} // namespace plandor::test
