// The plan text file: what is written, what is read back, what is refused.
#include "base/Language.h"
#include "base/TextCatalogue.h"
#include "store/PlanFile.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using namespace plandor;

namespace {

ChannelValues row(qint32 id, const QString &name, const QString &type, double freq, double audio1)
{
    return ChannelValues { { id, name, type, freq, audio1 } };
}

// The labels and caption as a run in the given language shows them.
PlanFileSource source(qint16 languageOffset, const QList<ChannelValues> &rows)
{
    const qint16 favoriteIds[6] = { 61, 62, 63, 64, 69, 70 };
    PlanFileSource s;
    s.caption = TextCatalogue::entry(15 + languageOffset);
    s.rows = rows;
    for (int i = 0; i < 6; ++i)
        s.favoriteLabels[i] = TextCatalogue::entry(favoriteIds[i] + languageOffset);
    s.unitLabel = TextCatalogue::entry(1 + languageOffset);
    s.panel = { { "1", "2", "3", "4", "5", "6" }, "dBmV", "8" };
    return s;
}

const QList<ChannelValues> kRows = { row(1, "2", "TV", 55.25, 4.5), row(2, "S1", "DIGI", 100, 8) };

// A file of the given lines after the usual caption and header.
QByteArray fileWith(const QByteArray &lines)
{
    return "  CH No\r\nID\tCHName\tTYPE\tFREQ\tAUDIO\t\r\n" + lines;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class PlanFileTest : public QObject
{
    Q_OBJECT

private slots:
    void exampleBytes()
    {
        const QByteArray expected = "  CH No\r\n"
                                    "ID\tCHName\tTYPE\tFREQ\tAUDIO\t\r\n"
                                    "1\t2\tTV\t55.25\t4.5\t\r\n"
                                    "2\tS1\tDIGI\t100\t8\t\r\n"
                                    "*1st Favorite CH  ID\t1\r\n"
                                    "*2nd Favorite CH  ID\t2\r\n"
                                    "*3rd Favorite CH ID\t3\r\n"
                                    "*4th Favorite CH  ID\t4\r\n"
                                    "*5th Favorite CH  ID\t5\r\n"
                                    "*6th Favorite CH  ID\t6\r\n"
                                    "*Unit\tdBmV\r\n"
                                    "*Span\t8\r\n";
        QCOMPARE(PlanFile::format(source(kEnglishOffset, kRows), PlanFile::Encoding::Windows1252),
            expected);
    }

    // The span is written and read back as its single-precision number.
    void span()
    {
        const char *const cases[][2] = { { "8.0", "8" }, { "7.30", "7.3" }, { "4.5.6", "4.5" },
            { "", "0" }, { "BW", "0" }, { "1e39", "0" } }; // 1e39: beyond single precision
        for (const auto &[text, number] : cases) {
            PlanFileSource s = source(kEnglishOffset, kRows);
            s.panel.span = QString::fromLatin1(text);
            const QByteArray bytes = PlanFile::format(s, PlanFile::Encoding::Windows1252);
            QCOMPARE(bytes.mid(bytes.lastIndexOf('*')), "*Span\t" + QByteArray(number) + "\r\n");
            QCOMPARE(PlanFile::panelFromSlots({ "1", "2", "3", "4", "5", "6", "dBmV", text }).span,
                QString::fromLatin1(number));
        }
    }

    void roundTrip()
    {
        const QList<ChannelValues> rows = { row(5, "2", "TV", 55.25, 4.5),
            row(3, "x'); DROP TABLE ChannelPlanUser;--", "DIGI", 100.1, 8),
            row(9, "\"Q", "TV", 863.25, 6.5), // begins with a quote
            row(1, "", "", 471.25, 0.1), row(4, "Sé", "TV", 48.25, 6.5) };
        // Each language's code page, seen in how the caption or "Sé" is written.
        const std::tuple<qint16, PlanFile::Encoding, QByteArray> cases[]
            = { { kChineseOffset, PlanFile::Encoding::Gb18030, "   \xC6\xB5\xB5\xC0\xB1\xED\r\n" },
                  { kEnglishOffset, PlanFile::Encoding::Windows1252, "\tS\xE9\t" } };
        for (const auto &[language, encoding, encoded] : cases) {
            PlanFileSource s = source(language, rows);
            s.panel = { { "1", "2", "", "4", "5", "6" }, "dBuV", "7.5" };
            const QByteArray bytes = PlanFile::format(s, encoding);
            QVERIFY(bytes.contains(encoded));
            PlanFileContent content;
            QVERIFY(PlanFile::parse(bytes, content, nullptr));
            QCOMPARE(content.caption, s.caption);
            QCOMPARE(content.rows, rows);
            QCOMPARE(PlanFile::panelFromSlots(content.panelSlots), s.panel);
        }
    }

    // The caption and the rows (here at most one) in every code page read.
    void decoding_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("name"); // of the one row, if any
        auto add
            = [](const char *name, const QByteArray &bytes, const QString &caption,
                  const QString &rowName) { QTest::newRow(name) << bytes << caption << rowName; };
        const QString chinese = QStringLiteral("频道表");
        const QByteArray chineseRow = "\r\n1\t中\tTV\t5\t5\t\r\n";
        add("UTF-8", "频道表" + chineseRow, chinese, "中");
        add("UTF-8 with byte-order mark", "\xEF\xBB\xBF频道表" + chineseRow, chinese, "中");
        add("GB18030", QStringEncoder("GB18030").encode(chinese + QString::fromUtf8(chineseRow)),
            chinese, "中");
        add("Windows-1252", "Caf\xE9 \xA3\r\n1\t\xE9\t\x80\t5\t5\t\r\n", "Café £", "é");
        // Bytes that end inside a UTF-8 sequence are not UTF-8: nothing is dropped.
        add("cut-off UTF-8", "A\xE4\xB8",
            "A" + QString(QStringDecoder("GB18030").decode(QByteArray("\xE4\xB8"))), "");
        add("only a first line", "  CH No\r\n", "  CH No", "");
        add("empty first line", "\r\n", "", "");
    }
    void decoding()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, caption);
        QFETCH(QString, name);
        PlanFileContent content { "old", { row(1, "A", "TV", 5, 5) }, { "old" } }; // replaced
        QVERIFY(PlanFile::parse(bytes, content, nullptr));
        QCOMPARE(content.caption, caption);
        QCOMPARE(content.rows.size(), name.isEmpty() ? 0 : 1);
        QCOMPARE(content.rows.value(0).values[ColumnName].toString(), name);
        QVERIFY(content.panelSlots.isEmpty());
    }

    void rowLines_data()
    {
        QTest::addColumn<QByteArray>("lines");
        QTest::addColumn<QVariantList>("values");
        auto add = [](const char *name, const QByteArray &lines, const ChannelValues &values) {
            QTest::newRow(name) << lines << QVariantList(values.values, values.values + 5);
        };
        add("short line repeats its last value", "2\tS1\tDIGI\t100",
            row(2, "S1", "DIGI", 100, 100));
        add("one value for all columns", "7", row(7, "7", "7", 7, 7));
        add("quoted values", "\"3\"\t\"ABC\"\tTV\t\"55.25\"\t4.5\t",
            row(3, "ABC", "TV", 55.25, 4.5));
        add("lone quote", "1\t\"\tTV\t5\t5\t", row(1, "", "TV", 5, 5));
        add("values past the fifth ignored", "1\tA\tTV\t5\t6\t7\tjunk", row(1, "A", "TV", 5, 6));
        add("ID halves to even", "2.5\tA\tTV\t5\t6\t", row(2, "A", "TV", 5, 6));
        add("lowercase id is a row", "1\tid\tTV\t5\t6\t", row(1, "id", "TV", 5, 6));
        // Every line with "ID" and no "*" is taken for a header, wherever it is.
        add("header lines anywhere", "1\tA\tTV\t5\t6\t\nID\r\n2\tID\tTV\t5\t6\t",
            row(1, "A", "TV", 5, 6));
    }
    void rowLines()
    {
        QFETCH(QByteArray, lines);
        QFETCH(QVariantList, values);
        for (const char *end : { "\r\n", "\n" }) {
            PlanFileContent content;
            QVERIFY(PlanFile::parse(fileWith(lines + end + "*a\tb" + end), content, nullptr));
            QCOMPARE(content.rows.size(), 1);
            QCOMPARE(QVariantList(content.rows[0].values, content.rows[0].values + 5), values);
            QCOMPARE(content.panelSlots, QStringList { "b" });
        }
    }

    void refused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        auto add = [](const char *name, const QByteArray &bytes, const char *reason) {
            QTest::newRow(name) << bytes << QString::fromLatin1(reason);
        };
        add("empty file", "", "no first line");
        add("byte-order mark only", "\xEF\xBB\xBF", "no first line");
        add("non-numeric FREQ", fileWith("1\tA\tTV\t55.25\t4.5\t\r\n2\tB\tTV\tabc\t4.5\t\r\n"),
            "Line 4, column Freq");
        add("empty ID", fileWith("\tA\tTV\t55.25\t4.5\t\r\n"), "Line 3, column ID");
        add("trailing TAB after four values", fileWith("1\tA\tTV\t55.25\t\r\n"),
            "Line 3, column Audio1");
        // A line reader sees the empty line, and it is a row without an ID.
        add("empty line after the last one", fileWith("1\tA\tTV\t5\t4.5\t\r\n*Span\t8\r\n\r\n"),
            "Line 5, column ID");
        add("nine * lines", fileWith(QByteArray("*F\t1\r\n").repeated(9)), "Line 11: more than 8");
    }
    void refused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        PlanFileContent content { "untouched", {}, {} };
        QString error;
        QVERIFY(!PlanFile::parse(bytes, content, &error));
        QVERIFY2(error.contains(reason), qPrintable(error));
        QCOMPARE(content.caption, QStringLiteral("untouched"));
    }

    void panelLines()
    {
        PlanFileContent content;
        QVERIFY(PlanFile::parse(
            fileWith("*1st ID\t12\r\n*no tab\r\n*3rd\t4\t5\r\n*\t\r\n*5\t5\r\n*6\t6\r\n"), content,
            nullptr));
        QCOMPARE(content.panelSlots, (QStringList { "12", "*no tab", "4\t5", "", "5", "6" }));
        // Slots the file lacks leave their boxes empty.
        QVERIFY(PlanFile::panelFromSlots(content.panelSlots.mid(0, 3))
            == (PanelTexts { { "12", "*no tab", "4\t5" }, "", "0" }));
    }

    // The old file stays whole and no temporary file is left behind.
    void failedSaveKeepsOldFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("plan.txt"));
        PlanFileSource s = source(kChineseOffset, kRows);
        QVERIFY(PlanFile::write(path, s, PlanFile::Encoding::Gb18030, nullptr));
        const QByteArray oldBytes = readAll(path);
        QVERIFY(oldBytes.endsWith("*Span\t8\r\n"));
        s.caption = QString(8192, QLatin1Char('x'));
        // Writes beyond 4 KiB fail (EFBIG), which refuses a save even to root.
        rlimit limit {};
        getrlimit(RLIMIT_FSIZE, &limit);
        const rlimit small = { 4096, limit.rlim_max };
        const auto handler = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &small);
        QString error;
        const bool written = PlanFile::write(path, s, PlanFile::Encoding::Gb18030, &error);
        setrlimit(RLIMIT_FSIZE, &limit);
        std::signal(SIGXFSZ, handler);
        QVERIFY(!written && !error.isEmpty());
        QCOMPARE(readAll(path), oldBytes);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList { "plan.txt" });
    }
};

QTEST_GUILESS_MAIN(PlanFileTest)
#include "tst_planfile.moc"
