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
        QVERIFY2(texts.contains(QStringLiteral(
                     "Row 8 (9, 187.25 MHz) overlaps row 9 (10, 187.25 MHz) by 6 MHz")),
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
        QTest::addColumn<QString>("overlap"); // the finding's end; empty for none
        // The first channel is DIGI at 57 with 6 MHz: 54..60.
        QTest::newRow("edges touch") << 63.0 << QString();
        QTest::newRow("a kHz apart") << 63.001 << QString();
        QTest::newRow("10 kHz into it") << 62.99 << "(B, 62.99 MHz) by 0.01 MHz";
        QTest::newRow("inside it") << 58.0 << "(B, 58 MHz) by 5 MHz";
        QTest::newRow("below it") << 51.5 << "(B, 51.5 MHz) by 0.5 MHz";
    }
    void overlapEdges()
    {
        QFETCH(double, secondFreq);
        QFETCH(QString, overlap);
        const QList<PlanCheckRow> rows
            = { row("1", "A", "DIGI", 57, 6), row("2", "B", "DIGI", secondFreq, 6) };
        const QList<PlanFinding> findings = PlanCheck::run(rows, {});
        QCOMPARE(findings.size(), overlap.isEmpty() ? 0 : 1);
        if (!overlap.isEmpty())
            QCOMPARE(
                findings[0].text, QStringLiteral("Row 1 (A, 57 MHz) overlaps row 2 ") + overlap);
    }

    // A TV channel fills its channel from 1.25 MHz below the vision carrier,
    // as wide as its system; on a standard's raster, as wide as the standard
    // says (Australia's UHF channels are 7 MHz with 5.5 MHz sound).
    void occupancy_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<double>("freq");
        QTest::addColumn<double>("second");
        QTest::addColumn<double>("lower");
        QTest::addColumn<double>("upper");
        QTest::newRow("M, 4.5 MHz sound") << "TV" << 55.25 << 4.5 << 54.0 << 60.0;
        QTest::newRow("B, VHF") << "TV" << 175.25 << 5.5 << 174.0 << 181.0;
        QTest::newRow("G, UHF") << "TV" << 471.25 << 5.5 << 470.0 << 478.0;
        QTest::newRow("I") << "TV" << 471.25 << 6.0 << 470.0 << 478.0;
        QTest::newRow("D/K") << "TV" << 49.75 << 6.5 << 48.5 << 56.5;
        QTest::newRow("Australia UHF on its raster") << "TV" << 527.25 << 5.5 << 526.0 << 533.0;
        QTest::newRow("DIGI") << "DIGI" << 474.0 << 8.0 << 470.0 << 478.0;
    }
    void occupancy()
    {
        QFETCH(QString, type);
        QFETCH(double, freq);
        QFETCH(double, second);
        QFETCH(double, lower);
        QFETCH(double, upper);
        const PlanRaster australia { QStringLiteral("T"), { 527.25 }, {}, { 7.0 } };
        const auto span
            = ChannelOccupancy::of({ QStringLiteral("A"), type, freq, second }, &australia);
        QVERIFY(span);
        QCOMPARE(span->lower, lower);
        QCOMPARE(span->upper, upper);
        // Without its frequency, or off the raster without its audio, a
        // channel occupies nothing known.
        QVERIFY(
            !ChannelOccupancy::of({ QStringLiteral("A"), type, std::nullopt, second }, &australia));
        QCOMPARE(ChannelOccupancy::of(
                     { QStringLiteral("A"), type, freq + 0.5, std::nullopt }, &australia)
                     .has_value(),
            false);
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
        const int k = PlanCheck::closestRaster(rows, options.rasters);
        QVERIFY(k >= 0); // and the spectrum marks neither
        QVERIFY(!PlanCheck::occupancy(rows, &options.rasters[k]).overlapping.contains(true));
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
        options.rasters
            = { PlanRaster { QStringLiteral("Test"), { 100.25, 103.25, 200.25 }, {}, {} } };
        QList<PlanCheckRow> rows;
        for (double freq : carriers)
            rows << row("1", "", "TV", freq, 4.5);
        for (int i = 0; i < rows.size(); ++i) {
            rows[i].id = QString::number(i + 1);
            rows[i].fields.name = QString::number(i + 1);
        }
        QCOMPARE(describe(PlanCheck::run(rows, options)), expected);
    }

    // Every shipped plan, each variant: nothing found, and the only overlaps
    // by occupancy are those the standard itself defines (Japan's 7 and 8).
    void silentOnEveryStandardPlan()
    {
        PlanCheckOptions options;
        options.rasters = m_standards.rasters();
        QStringList ownOverlaps;
        for (const StandardTable &t : m_standards.tables()) {
            for (PlanVariant v : t.variants) {
                const StandardPlan plan = StandardPlans::build(t, v, 0, int(t.channels.size()) - 1);
                QList<PlanCheckRow> rows;
                for (const ChannelValues &values : plan.rows)
                    rows << StandardPlans::checkRow(values);
                const QList<PlanFinding> findings = PlanCheck::run(rows, options);
                QVERIFY2(findings.isEmpty(),
                    qPrintable(plan.caption + QLatin1String(": ") + findings.value(0).text));

                const int k = PlanCheck::closestRaster(rows, options.rasters);
                QVERIFY2(k >= 0, qPrintable(plan.caption));
                QList<ChannelSpan> spans;
                for (const PlanCheckRow &r : rows)
                    spans << *ChannelOccupancy::of(r.fields, &options.rasters[k]);
                for (const ChannelOccupancy::Overlap &o : ChannelOccupancy::overlaps(spans))
                    ownOverlaps << QStringLiteral("%1 %2/%3")
                                       .arg(t.key, rows[o.first].fields.name,
                                           rows[o.second].fields.name);
            }
        }
        ownOverlaps.removeDuplicates();
        QCOMPARE(
            ownOverlaps.join(QLatin1Char(',')), QStringLiteral("japan-air 7/8,japan-cable 7/8"));
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
        QVERIFY2(r.out.contains(QLatin1String(
                     "Row 8 (9, 187.25 MHz) overlaps row 9 (10, 187.25 MHz) by 6 MHz")),
            qPrintable(r.out));
        QCOMPARE(r.out.count(QLatin1Char('\n')), 5); // 11 rows fit in 255: no "too many"
        r = run(cleanPath);
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QString());
    }
};

QTEST_MAIN(PlanCheckTest)
#include "tst_plancheck.moc"
