// Comparing two plans: each kind of difference is found, equal plans give
// none; plandor-cli diff prints them and says by its exit code.

#include "rules/PlanDiff.h"

#include <QTemporaryDir>
#include <QtTest>

#include "CliRun.h"
#include "SimProcess.h"
#include "TempStore.h"

using namespace plandor;
using plandor::test::SimProcess;

namespace {

using Plan = QList<PlanDiff::Channel>;

PlanDiff::Channel ch(qint64 id, const QString &name, const QString &type, double freq, double audio)
{
    return { id, name, type, freq, audio };
}

const Plan kBase = {
    ch(1, QStringLiteral("C1"), QStringLiteral("TV"), 55.25, 6.5),
    ch(2, QStringLiteral("S1"), QStringLiteral("DIGI"), 100.1, 8),
    ch(3, QStringLiteral("C1"), QStringLiteral("TV"), 471.25, 6.5), // the same name again
    ch(4, QStringLiteral("Z9"), QStringLiteral("DIGI"), 858, 8),
};

Plan edited(std::function<void(Plan &)> edit)
{
    Plan plan = kBase;
    edit(plan);
    return plan;
}

// A difference as "kind before>after fields", e.g. "changed 1>1 Freq".
QString describe(const PlanDiff::Difference &d)
{
    static const char *kinds[] = { "added", "removed", "changed" };
    QString text = QString::fromLatin1(kinds[int(d.kind)]) + QLatin1Char(' ')
        + QString::number(d.before) + QLatin1Char('>') + QString::number(d.after);
    const std::pair<PlanDiff::Field, const char *> names[]
        = { { PlanDiff::Field::Name, "Name" }, { PlanDiff::Field::Type, "Type" },
              { PlanDiff::Field::Freq, "Freq" }, { PlanDiff::Field::Audio, "Audio" } };
    for (const auto &[field, name] : names) {
        if (d.fields.testFlag(field))
            text += QLatin1Char(' ') + QLatin1String(name);
    }
    return text;
}

ChannelValues row(int id, const QString &name, double freq)
{
    return plandor::test::TempStore::row(id, name, QStringLiteral("TV"), freq, 6.5);
}

} // namespace

class TestPlanDiff : public QObject
{
    Q_OBJECT

private slots:
    void compare_data()
    {
        QTest::addColumn<Plan>("before");
        QTest::addColumn<Plan>("after");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("equal") << kBase << kBase << QStringList();
        QTest::newRow("other order, other IDs")
            << kBase
            << Plan({ ch(9, "Z9", "DIGI", 858, 8), ch(8, "C1", "TV", 471.25, 6.5),
                   ch(7, "C1", "TV", 55.25, 6.5), ch(6, "S1", "DIGI", 100.1, 8) })
            << QStringList();
        QTest::newRow("the same in single precision")
            << kBase << edited([](Plan &p) { p[1].freq = 100.09999999; }) << QStringList();
        QTest::newRow("added") << kBase
                               << edited([](Plan &p) { p.append(ch(5, "N", "TV", 63.25, 6.5)); })
                               << QStringList { "added -1>4" };
        QTest::newRow("removed") << kBase << edited([](Plan &p) { p.removeAt(1); })
                                 << QStringList { "removed 1>-1" };
        QTest::newRow("retuned: same name") << kBase << edited([](Plan &p) { p[3].freq = 850; })
                                            << QStringList { "changed 3>3 Freq" };
        QTest::newRow("renamed: same frequency")
            << kBase << edited([](Plan &p) { p[1].name = QStringLiteral("S2"); })
            << QStringList { "changed 1>1 Name" };
        QTest::newRow("type and audio") << kBase << edited([](Plan &p) {
            p[0].type = QStringLiteral("DIGI");
            p[0].audio = 8;
        }) << QStringList { "changed 0>0 Type Audio" };
        QTest::newRow("a repeated name keeps its own partner")
            << kBase << edited([](Plan &p) { p[2].freq = 479.25; })
            << QStringList { "changed 2>2 Freq" };
        QTest::newRow("renamed and retuned: removed and added, in frequency order")
            << kBase << edited([](Plan &p) { p[1] = ch(2, "X", "DIGI", 107, 8); })
            << QStringList { "removed 1>-1", "added -1>1" };
        QTest::newRow("everything gone")
            << kBase << Plan()
            << QStringList { "removed 0>-1", "removed 1>-1", "removed 2>-1", "removed 3>-1" };
    }

    void compare()
    {
        QFETCH(Plan, before);
        QFETCH(Plan, after);
        QFETCH(QStringList, expected);
        QStringList found;
        for (const PlanDiff::Difference &d : PlanDiff::compare(before, after))
            found.append(describe(d));
        QCOMPARE(found, expected);
    }

    // plandor-cli diff between files and against the simulated instrument:
    // 0 and a word of agreement when equal, 1 and one line per difference
    // when not.
    void cliDiff()
    {
        QTemporaryDir dir;
        const QString a = dir.filePath("a.txt"), b = dir.filePath("b.txt");
        QVERIFY(plandor::test::writePlanFile(a, { row(1, "A", 55.25), row(2, "B", 63.25) }));
        QVERIFY(plandor::test::writePlanFile(
            b, { row(1, "A", 55.25), row(2, "B", 64.25), row(3, "C", 77.25) }));
        QString out;
        auto cli = [&out](const QStringList &arguments) {
            const plandor::test::CliResult r = plandor::test::runCli(arguments);
            out = r.out;
            return r.code;
        };
        QCOMPARE(cli({ "diff", "--in", a, "--against", a }), 0);
        QVERIFY2(out.contains(QStringLiteral("same 2 channels")), qPrintable(out));
        QCOMPARE(cli({ "diff", "--in", a, "--against", b }), 1);
        QVERIFY2(out.contains(QStringLiteral("Freq 64.25 -> 63.25")), qPrintable(out));
        QVERIFY2(out.contains(QStringLiteral("removed  ID 3 C TV 77.25 6.5 (only in b.txt)")),
            qPrintable(out));
        QCOMPARE(cli({ "diff", "--in", dir.filePath("none.txt"), "--against", a }), 4);

        SimProcess sim(dir.filePath("state"), dir.filePath("ports"));
        QVERIFY2(sim.start(), "PLANDOR_SIM does not start");
        qputenv("PLANDOR_HISTORY_DIR", dir.filePath(QStringLiteral("history")).toLocal8Bit());
        QCOMPARE(cli({ "send", "--port", sim.port(), "--in", b }), 0);
        QCOMPARE(cli({ "diff", "--port", sim.port(), "--in", b }), 0);
        QCOMPARE(cli({ "diff", "--port", sim.port(), "--in", a }), 1);
        QVERIFY2(out.contains(QStringLiteral("(only in the instrument)")), qPrintable(out));
        QCOMPARE(out.count(QLatin1Char('\n')), 3); // two differences and the count
        QCOMPARE(cli({ "diff", "--port", dir.filePath("none"), "--in", a }), 3);
    }
};

QTEST_GUILESS_MAIN(TestPlanDiff)
#include "tst_plandiff.moc"
