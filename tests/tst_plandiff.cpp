// Comparing two plans: each kind of difference is found, equal plans give
// none; plandor-cli diff prints them and says by its exit code.

#include "rules/PlanDiff.h"
#include "store/PlanComparison.h"

#include <QTemporaryDir>
#include <QtTest>

#include "CliRun.h"
#include "SimProcess.h"
#include "TempStore.h"

using namespace plandor;
using namespace plandor::test;

namespace {

using Plan = QList<PlanDiff::Channel>;

// With the same name twice.
const Plan kBase = { { 1, "C1", "TV", 55.25, 6.5 }, { 2, "S1", "DIGI", 100.1, 8 },
    { 3, "C1", "TV", 471.25, 6.5 }, { 4, "Z9", "DIGI", 858, 8 } };

// A difference as "kind before>after fields", e.g. "changed 1>1 Freq".
QString describe(const PlanDiff::Difference &d)
{
    static const char *kinds[] = { "added", "removed", "changed" };
    static const char *fields[] = { "Name", "Type", "Freq", "Audio" }; // as the flags' bits
    QString text = QString::asprintf("%s %d>%d", kinds[int(d.kind)], d.before, d.after);
    for (int bit = 0; bit < 4; ++bit) {
        if (d.fields.testFlag(PlanDiff::Field(1 << bit)))
            text += QLatin1Char(' ') + QLatin1String(fields[bit]);
    }
    return text;
}

ChannelValues row(int id, const QString &name, double freq)
{
    return TempStore::row(id, name, QStringLiteral("TV"), freq, 6.5);
}

} // namespace

class TestPlanDiff : public QObject
{
    Q_OBJECT

private slots:
    // From kBase to another plan.
    void compare_data()
    {
        QTest::addColumn<Plan>("after");
        QTest::addColumn<QStringList>("expected");
        auto add = [](const char *name, const Plan &after, const QStringList &expected) {
            QTest::newRow(name) << after << expected;
        };
        add("equal in another order, with other IDs",
            { { 9, "Z9", "DIGI", 858, 8 }, { 8, "C1", "TV", 471.25, 6.5 },
                { 7, "C1", "TV", 55.25, 6.5 }, { 6, "S1", "DIGI", 100.1, 8 } },
            {});
        add("the same in single precision",
            { kBase[0], { 2, "S1", "DIGI", 100.09999999, 8 }, kBase[2], kBase[3] }, {});
        add("retuned: same name", { kBase[0], kBase[1], kBase[2], { 4, "Z9", "DIGI", 850, 8 } },
            { "changed 3>3 Freq" });
        add("renamed: same frequency",
            { kBase[0], { 2, "S2", "DIGI", 100.1, 8 }, kBase[2], kBase[3] },
            { "changed 1>1 Name" });
        add("type and audio", { { 1, "C1", "DIGI", 55.25, 8 }, kBase[1], kBase[2], kBase[3] },
            { "changed 0>0 Type Audio" });
        add("a repeated name keeps its own partner",
            { kBase[0], kBase[1], { 3, "C1", "TV", 479.25, 6.5 }, kBase[3] },
            { "changed 2>2 Freq" });
        add("renamed and retuned: removed and added, in frequency order",
            { kBase[0], { 2, "X", "DIGI", 107, 8 }, kBase[2], kBase[3] },
            { "removed 1>-1", "added -1>1" });
    }

    void compare()
    {
        QFETCH(Plan, after);
        QFETCH(QStringList, expected);
        QStringList found;
        for (const PlanDiff::Difference &d : PlanDiff::compare(kBase, after))
            found.append(describe(d));
        QCOMPARE(found, expected);
    }

    // The Compare window's Fields column: what changed in a changed channel,
    // nothing for a channel found on one side only.
    void changedFields()
    {
        const PlanComparison comparison({ row(1, "C1", 55.25), row(2, "C2", 63.25) },
            { row(1, "C1", 57.25), row(3, "C3", 471.25) });
        QStringList fields;
        for (const PlanDiff::Difference &d : comparison.differences())
            fields << describe(d) + QLatin1Char('|') + comparison.changeText(d);
        QCOMPARE(fields,
            QStringList(
                { "changed 0>0 Freq|Freq 55.25 -> 57.25", "removed 1>-1|", "added -1>1|" }));
    }

    // plandor-cli diff between files and against the simulated instrument:
    // 0 when equal, 1 and one line per difference (then the count) when not.
    void cliDiff()
    {
        QTemporaryDir dir;
        const QString a = dir.filePath("a.txt"), b = dir.filePath("b.txt");
        QVERIFY(writePlanFile(a, { row(1, "A", 55.25), row(2, "B", 63.25) }));
        QVERIFY(writePlanFile(b, { row(1, "A", 55.25), row(2, "B", 64.25), row(3, "C", 77.25) }));
        QString out;
        auto cli = [&out](const QStringList &arguments) {
            const CliResult r = runCli(arguments);
            out = r.out;
            return r.code;
        };
        QCOMPARE(cli({ "diff", "--in", a, "--against", a }), 0);
        QCOMPARE(cli({ "diff", "--in", a, "--against", b }), 1);
        QVERIFY2(out.contains(QStringLiteral("removed  ID 3 C TV 77.25 6.5 (only in b.txt)")),
            qPrintable(out));
        QCOMPARE(cli({ "diff", "--in", dir.filePath("none.txt"), "--against", a }), 4);

        SimProcess sim(dir.filePath("state"), dir.filePath("ports"));
        QVERIFY2(sim.start(), "PLANDOR_SIM does not start");
        qputenv("PLANDOR_HISTORY_DIR", dir.filePath(QStringLiteral("history")).toLocal8Bit());
        QCOMPARE(cli({ "send", "--port", sim.port(), "--in", b }), 0);
        QCOMPARE(cli({ "diff", "--port", sim.port(), "--in", a }), 1);
        QVERIFY2(out.contains(QStringLiteral("(only in the instrument)")), qPrintable(out));
        QCOMPARE(out.count(QLatin1Char('\n')), 3); // two differences and the count

        // A blank panel (as convert makes from a table) is no panel: right
        // after such a file is sent it equals the instrument's plan, while a
        // panel the file holds is compared.
        const QString c = dir.filePath("c.txt");
        const QList<ChannelValues> one = { row(1, "A", 55.25) };
        QVERIFY(writePlanFile(c, one, QString(), QStringLiteral("0")));
        QCOMPARE(cli({ "send", "--port", sim.port(), "--in", c }), 0);
        QCOMPARE(cli({ "diff", "--port", sim.port(), "--in", c }), 0);
        QVERIFY(writePlanFile(c, one, QStringLiteral("dBuV"), QStringLiteral("8")));
        QCOMPARE(cli({ "diff", "--port", sim.port(), "--in", c }), 1);
        QVERIFY2(out.startsWith(QStringLiteral("panel ")), qPrintable(out));
        QCOMPARE(cli({ "diff", "--port", dir.filePath("none"), "--in", a }), 3);
    }
};

QTEST_GUILESS_MAIN(TestPlanDiff)
#include "tst_plandiff.moc"
