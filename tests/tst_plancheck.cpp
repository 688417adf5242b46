// The plan check: one of each problem in a small plan, silence on every
// shipped standard plan, and the same list from plandor-cli check-plan.
#include "CliRun.h"
#include "TempStore.h"

#include "base/Language.h"
#include "rules/PlanCheck.h"
#include "store/StandardPlans.h"

#include <QTemporaryDir>
#include <QTest>

using namespace plandor;

namespace {

PlanCheckRow row(const char *id, const char *name, const char *type, double freq, double audio1)
{
    return { QString::fromLatin1(id),
        ChannelFields { QString::fromLatin1(name), QString::fromLatin1(type), freq, audio1 } };
}

// One of each problem, on North American carriers.
QList<PlanCheckRow> faultyPlan()
{
    return {
        row("1", "2", "TV", 55.25, 4.5), row("2", "3", "TV", 61.25, 4.5),
        row("3", "4", "TV", 67.25, 4.5), row("4", "5", "TV", 77.25, 4.5),
        row("4", "6", "TV", 83.25, 4.5), // ID 4 again
        row("6", "7", "TV", 175.25, 4.5), row("7", "7", "TV", 181.25, 4.5), // name "7" again
        row("8", "9", "TV", 187.25, 4.5), row("9", "10", "TV", 187.25, 4.5), // on top of row 8
        row("10", "11", "TV", 300.1, 4.5), // between the carriers
        row("11", "ABCD", "TV", 205.25, 4.5), // a name the rules refuse
    };
}

QString describe(const QList<PlanFinding> &findings)
{
    QStringList parts;
    for (const PlanFinding &f : findings) {
        QStringList rows;
        for (int r : f.rows)
            rows << QString::number(r);
        parts << QStringLiteral("%1:%2").arg(int(f.kind)).arg(rows.join(QLatin1Char(',')));
    }
    parts.sort();
    return parts.join(QLatin1Char(' '));
}

} // namespace

class PlanCheckTest : public QObject
{
    Q_OBJECT

    StandardPlans m_standards;

private slots:
    void initTestCase()
    {
        LanguageOffset = kEnglishOffset;
        QString error;
        QVERIFY2(m_standards.load(&error), qPrintable(error));
    }

    void oneOfEachProblem()
    {
        PlanCheckOptions options;
        options.maxChannels = 10;
        options.rasters = m_standards.rasters();
        const QList<PlanFinding> findings = PlanCheck::run(faultyPlan(), options);
        using F = PlanFinding;
        const QString expected = describe({
            { F::TooMany, {}, {} },
            { F::Refused, { 10 }, {} },
            { F::DuplicateId, { 3, 4 }, {} },
            { F::DuplicateName, { 5, 6 }, {} },
            { F::Overlap, { 7, 8 }, {} },
            { F::OffRaster, { 9 }, {} },
        });
        QCOMPARE(describe(findings), expected);
        QStringList texts;
        for (const PlanFinding &f : findings)
            texts << f.text;
        QVERIFY2(texts.contains(QStringLiteral("Row 8 (9) overlaps row 9 (10)")),
            qPrintable(texts.join('\n')));
        QVERIFY(texts.contains(
            QStringLiteral("Row 10 (11): 300.1 MHz is not a channel of North America cable STD")));
        QVERIFY(texts.contains(
            QStringLiteral("The plan has 11 channels; the instrument holds at most 10")));

        // The same plan in Chinese is Chinese throughout.
        LanguageOffset = kChineseOffset;
        const QList<PlanFinding> chinese = PlanCheck::run(faultyPlan(), options);
        LanguageOffset = kEnglishOffset;
        QCOMPARE(describe(chinese), expected);
        for (const PlanFinding &f : chinese)
            QVERIFY2(!f.text.contains(QLatin1String("Row")), qPrintable(f.text));
    }

    void overlapEdges_data()
    {
        QTest::addColumn<double>("secondFreq");
        QTest::addColumn<bool>("overlaps");
        // The first channel is DIGI at 57 with 6 MHz: 54..60.
        QTest::newRow("edges touch") << 63.0 << false;
        QTest::newRow("a kHz apart") << 63.001 << false;
        QTest::newRow("10 kHz into it") << 62.99 << true;
        QTest::newRow("inside it") << 58.0 << true;
    }
    void overlapEdges()
    {
        QFETCH(double, secondFreq);
        QFETCH(bool, overlaps);
        const QList<PlanCheckRow> rows
            = { row("1", "A", "DIGI", 57, 6), row("2", "B", "DIGI", secondFreq, 6) };
        const QList<PlanFinding> findings = PlanCheck::run(rows, {});
        QCOMPARE(findings.size(), overlaps ? 1 : 0);
    }

    // Japan's channels 7 and 8 overlap by design; a duplicated 7 still counts.
    void overlapsOfTheStandardItself()
    {
        const StandardTable *japan = m_standards.find(QStringLiteral("japan-air"));
        QVERIFY(japan);
        QList<PlanCheckRow> rows;
        const StandardPlan plan = StandardPlans::build(*japan, PlanVariant::Analogue, 0, 11);
        for (const ChannelValues &v : plan.rows)
            rows << StandardPlans::checkRow(v);
        PlanCheckOptions options;
        options.rasters = m_standards.rasters();
        QCOMPARE(PlanCheck::run(rows, options).size(), 0);
        QVERIFY(PlanCheck::run(rows, {}).size() == 1); // without a raster it is an overlap
        rows << row("13", "7b", "TV", 189.25, 4.5);
        QCOMPARE(describe(PlanCheck::run(rows, options)), QStringLiteral("0:6,12"));
    }

    // A plan is judged against a standard only when at least half of it lies
    // on that standard's raster; the standard's own channels may overlap by
    // design, its first channel too.
    void rasterChoice_data()
    {
        QTest::addColumn<QList<double>>("carriers");
        QTest::addColumn<QString>("expected");
        QTest::newRow("1 of 3 on it: not that standard")
            << QList<double> { 100.25, 300.1, 400.1 } << QString();
        QTest::newRow("half of it on it") << QList<double> { 100.25, 300.1 } << "5:1";
        QTest::newRow("its first two overlap") << QList<double> { 100.25, 103.25 } << QString();
        QTest::newRow("its first two overlap, other order")
            << QList<double> { 103.25, 100.25 } << QString();
        QTest::newRow("off it and overlapping")
            << QList<double> { 200.25, 102.25, 103.25 } << "0:1,2 5:1";
        QTest::newRow("off it and overlapping, after it")
            << QList<double> { 200.25, 103.25, 104.25 } << "0:1,2 5:2";
    }
    void rasterChoice()
    {
        QFETCH(QList<double>, carriers);
        QFETCH(QString, expected);
        PlanCheckOptions options;
        options.rasters = { PlanRaster { QStringLiteral("Test"), { 100.25, 103.25, 200.25 }, {} } };
        QList<PlanCheckRow> rows;
        for (double freq : carriers)
            rows << row("1", "", "TV", freq, 4.5);
        for (int i = 0; i < rows.size(); ++i) {
            rows[i].id = QString::number(i + 1);
            rows[i].fields.name = QString::number(i + 1);
        }
        QCOMPARE(describe(PlanCheck::run(rows, options)), expected);
    }

    void silentOnEveryStandardPlan()
    {
        PlanCheckOptions options;
        options.rasters = m_standards.rasters();
        for (const StandardTable &t : m_standards.tables()) {
            for (PlanVariant v : { PlanVariant::Analogue, PlanVariant::Digital }) {
                const StandardPlan plan = StandardPlans::build(t, v, 0, int(t.channels.size()) - 1);
                QList<PlanCheckRow> rows;
                for (const ChannelValues &values : plan.rows)
                    rows << StandardPlans::checkRow(values);
                const QList<PlanFinding> findings = PlanCheck::run(rows, options);
                QVERIFY2(findings.isEmpty(),
                    qPrintable(plan.caption + QLatin1String(": ") + findings.value(0).text));
            }
        }
    }

    void commandLine()
    {
        QTemporaryDir dir;
        QList<ChannelValues> faulty;
        for (const PlanCheckRow &r : faultyPlan())
            faulty << test::TempStore::row(
                r.id.toLongLong(), r.fields.name, r.fields.type, *r.fields.freq, *r.fields.audio1);
        const QList<ChannelValues> clean = StandardPlans::build(
            *m_standards.find(QStringLiteral("oirt-dk")), PlanVariant::Analogue, 0, 60)
                                               .rows;
        const QString faultyPath = dir.filePath(QStringLiteral("faulty.txt"));
        const QString cleanPath = dir.filePath(QStringLiteral("clean.txt"));
        QVERIFY(test::writePlanFile(faultyPath, faulty));
        QVERIFY(test::writePlanFile(cleanPath, clean));

        auto run = [](const QString &path) {
            return test::runCli({ QStringLiteral("check-plan"), QStringLiteral("--in"), path });
        };
        test::CliResult r = run(faultyPath);
        QCOMPARE(r.code, 4);
        QVERIFY2(r.out.contains(QLatin1String("Row 8 (9) overlaps row 9 (10)")), qPrintable(r.out));
        QCOMPARE(r.out.count(QLatin1Char('\n')), 5); // 11 rows fit in 255: no "too many"
        r = run(cleanPath);
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QString());
    }
};

QTEST_MAIN(PlanCheckTest)
#include "tst_plancheck.moc"
