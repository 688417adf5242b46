// The plan as a spreadsheet table: what Plandor writes reads back the same,
// what spreadsheets write is read, and what is not a channel table is refused.

#include "CliRun.h"
#include "RefusalCheck.h"
#include "TempStore.h"
#include "base/Language.h"
#include "store/PlanCsv.h"

#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

using namespace plandor;

namespace {

constexpr auto channel = &test::TempStore::row;

// Names in both scripts, with the characters a table must quote.
const QList<ChannelValues> kPlan = {
    channel(1, QStringLiteral("C1"), QStringLiteral("TV"), 55.25, 6.5),
    channel(2, QStringLiteral("中文台"), QStringLiteral("DIGI"), 100.1, 8),
    channel(3, QStringLiteral("a,b"), QStringLiteral("TV"), 471.25, 4.5),
    channel(4, QStringLiteral("\"Q\""), QStringLiteral("DIGI"), 858, 7.5),
    channel(5, QStringLiteral(" é"), QStringLiteral("TV"), 999.75, 6),
};

} // namespace

class TestCsv : public QObject
{
    Q_OBJECT

private slots:
    // Written and read back: the same rows; UTF-8 with a mark; the header in
    // the run's language; a decimal point.
    void roundTrip()
    {
        for (const qint16 language : { kEnglishOffset, kChineseOffset }) {
            const QByteArray bytes = PlanCsv::format(kPlan, language);
            QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
            const QString text = QString::fromUtf8(bytes.mid(3));
            QCOMPARE(text.section(QLatin1Char(','), 0, 0),
                language == kChineseOffset ? QStringLiteral("序号") : QStringLiteral("ID"));
            QVERIFY(text.contains(QStringLiteral("2,中文台,DIGI,100.1,8\r\n")));
            PlanFileContent content;
            QVERIFY(PlanCsv::parse(bytes, content, nullptr));
            QCOMPARE(content.rows, kPlan);
        }
    }

    // A text cell that a spreadsheet would take for a formula gets a leading
    // apostrophe, and one that already starts with an apostrophe before such
    // a character another; reading drops it again. Numbers stay as they are.
    void formulaCells_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("field");
        const char *const cases[][2] = { { "=1", "'=1" }, { "+1", "'+1" }, { "-1", "'-1" },
            { "@A", "'@A" }, { "=A1", "'=A1" }, { "\tA", "\"'\tA\"" }, { "\rA", "\"'\rA\"" },
            { "'=1", "''=1" }, { "''", "'''" }, { "'A", "'A" }, { "A=1", "A=1" } };
        for (const auto &[name, field] : cases)
            QTest::newRow(QByteArray(name).replace('\t', "TAB").replace('\r', "CR"))
                << QString::fromLatin1(name) << QByteArray(field);
    }
    void formulaCells()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, field);
        const QList<ChannelValues> rows = { channel(1, name, QStringLiteral("=TV"), -1.5, 6.5) };
        const QByteArray bytes = PlanCsv::format(rows, kEnglishOffset);
        QVERIFY2(bytes.endsWith("\r\n1," + field + ",'=TV,-1.5,6.5\r\n"), bytes.constData());
        PlanFileContent content;
        QVERIFY(PlanCsv::parse(bytes, content, nullptr));
        QCOMPARE(content.rows, rows);
    }

    // What spreadsheets write, one channel each (the header, if any, first).
    void spreadsheetInput_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<ChannelValues>("row");
        const QByteArray header = "ID;Name;Type;Frequency (MHz);Audio/Bandwidth (MHz)\r\n";
        const ChannelValues s12 = channel(1, "S12", "DIGI", 306.5, 8);
        QTest::newRow("semicolons, decimal commas") << header + "1;S12;DIGI;306,5;8\r\n" << s12;
        QTest::newRow("TABs, no header, LF") << QByteArray("1\tS12\tDIGI\t306.5\t8\n") << s12;
        const QByteArray gb = QStringEncoder("GB18030").encode(QStringLiteral("7,中文,TV,5,6"));
        QTest::newRow("GB18030") << gb << channel(7, "中文", "TV", 5, 6);
        QTest::newRow("header words in other case, blanks, blank lines, trailing separators")
            << QByteArray(
                   "\r\n iD , name , type , freq , audio ,,\r\n\r\n 1 , C5 , TV , 5 , 6 ,,\r\n")
            << channel(1, "C5", "TV", 5, 6);
        QTest::newRow("quoted separators, quotes and a line break")
            << QByteArray("1,\"a;\"\"\n\",TV,5,6\r\n") << channel(1, "a;\"\n", "TV", 5, 6);
        QTest::newRow("plan file header")
            << QByteArray("ID\tCHName\tTYPE\tFREQ\tAUDIO\t\r\n1\tC1\tTV\t5\t6\t\r\n")
            << channel(1, "C1", "TV", 5, 6);
    }

    void spreadsheetInput()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(ChannelValues, row);
        PlanFileContent content;
        QString error;
        QVERIFY2(PlanCsv::parse(bytes, content, &error), qPrintable(error));
        QCOMPARE(content.rows, QList<ChannelValues> { row });
    }

    // Refused, with a reason naming the line where there is one.
    void refused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        QTest::newRow("binary") << QByteArray("1,C1,TV,55.25,6.5\r\n\0\x01\x02", 22) << "binary";
        QTest::newRow("control character") << QByteArray("1,C1,TV,55.25,6.5\x1b\r\n") << "binary";
        QTest::newRow("too large") << QByteArray(int(PlanCsv::kMaxBytes) + 1, 'a') << "large";
        QTest::newRow("quote not closed") << QByteArray("ID,Name\r\n1,\"C1,TV,5,6\r\n") << "Line 2";
        QTest::newRow("too few fields") << QByteArray("1,C1,TV,5,6\r\n2,C2,TV,6\r\n") << "Line 2";
        QTest::newRow("a value too many") << QByteArray("1,C1,TV,55.25,6.5,9\r\n") << "Line 1";
        QTest::newRow("counted past a blank line")
            << QByteArray("1,C1,TV,55.25,6.5\n\n2,C2,TV,x,6.5\n") << "Line 3";
        QTest::newRow("an ID below 32 bits")
            << QByteArray("-3000000000,C1,TV,55.25,6.5\r\n") << "Line 1";
        QTest::newRow("a long value, cut") << "1,C1,TV," + QByteArray(99999, '5') + "x,6.5\r\n"
                                           << "(100000 characters)";
        QTest::newRow("thousands and decimals") << QByteArray("1;C1;TV;1.000,5;6\r\n") << "Line 1";
        QTest::newRow("late header") << QByteArray("1,C1,TV,5,6\nID,Name,Type,F,A\n") << "Line 2";
        QTest::newRow("bad UTF-8 after a mark") << QByteArray("\xEF\xBB\xBF\xFF\xFE,x") << "UTF-8";
    }

    void refused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        test::checkRefused(&PlanCsv::parse, bytes, reason);
    }

    // plandor-cli: plan file -> table -> plan file keeps the rows.
    void cliConvertsBothWays()
    {
        QTemporaryDir dir;
        const QString plan = dir.filePath("plan.txt"), table = dir.filePath("plan.CSV");
        const QString back = dir.filePath("back.txt");
        const QList<ChannelValues> rows = { kPlan[0], kPlan[2], kPlan[3] }; // 1252 holds these
        QVERIFY(test::writePlanFile(plan, rows));
        auto convert = [](const QString &in, const QString &out) {
            return test::runCli({ "convert", "--in", in, "--out", out }).code;
        };
        QCOMPARE(convert(plan, table), 0);
        QCOMPARE(convert(table, back), 0);
        PlanFileContent content;
        QVERIFY(PlanFile::read(back, content, nullptr));
        QCOMPARE(content.rows, rows);

        QCOMPARE(convert(dir.filePath("none.csv"), back), 4);
        QCOMPARE(convert(plan, QString()), 2);

        // What send refuses is not converted either: no channel, or more
        // than the instrument holds.
        QByteArray tooMany;
        for (int i = 1; i <= 256; ++i)
            tooMany += QByteArray::number(i) + ",C1,TV," + QByteArray::number(50 + i) + ",6.5\n";
        const std::pair<QByteArray, const char *> refused[] = { { "", "no channel" },
            { "ID,Name,Type,Frequency,Audio\r\n", "no channel" }, { tooMany, "256" } };
        for (const auto &[bytes, reason] : refused) {
            QFile f(table);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate)
                && f.write(bytes) == bytes.size());
            f.close();
            const QString out = dir.filePath("refused.txt");
            const test::CliResult r = test::runCli({ "convert", "--in", table, "--out", out });
            QCOMPARE(r.code, 4);
            QVERIFY2(r.err.contains(QLatin1String(reason)), qPrintable(r.err));
            QVERIFY(!QFileInfo::exists(out));
        }
    }
};

QTEST_GUILESS_MAIN(TestCsv)
#include "tst_csv.moc"
