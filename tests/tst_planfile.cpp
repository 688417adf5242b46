// The plan text file: what is written, what is read back, what is refused.
#include "TempStore.h"

#include "base/Language.h"
#include "base/TextCatalogue.h"
#include "store/PlanCsv.h"
#include "store/PlanFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace plandor;

namespace {

constexpr auto row = &test::TempStore::row;

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
        const char *const cases[][2]
            = { { "8.0", "8" }, { "7.30", "7.3" }, { "4.5.6", "4.5" }, { "", "0" }, { "BW", "0" },
                  { "1e39", "0" }, { "7,5", "7.5" } }; // 1e39: beyond single precision
        for (const auto &[text, number] : cases) {
            PlanFileSource s = source(kEnglishOffset, kRows);
            s.panel.span = QString::fromLatin1(text);
            const QByteArray bytes = PlanFile::format(s, PlanFile::Encoding::Windows1252);
            QCOMPARE(bytes.mid(bytes.lastIndexOf('*')), "*Span\t" + QByteArray(number) + "\r\n");
            QCOMPARE(PlanFile::panelFromSlots({ "1", "2", "3", "4", "5", "6", "dBmV", text }).span,
                QString::fromLatin1(number));
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
        PlanFileContent content; // replaced whole
        content.caption = QStringLiteral("old");
        content.rows = { row(1, "A", "TV", 5, 5) };
        content.panelSlots = QStringList { "old" };
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
        add("decimal comma", "1\tA\tTV\t55,25\t4,5\t", row(1, "A", "TV", 55.25, 4.5));
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
            "Line 3, column Audio Offset");
        // A line reader sees the empty line, and it is a row without an ID.
        add("empty line after the last one", fileWith("1\tA\tTV\t5\t4.5\t\r\n*Span\t8\r\n\r\n"),
            "Line 5, column ID");
        add("two decimal commas", fileWith("1\tA\tTV\t5,5,5\t4.5\t\r\n"), "Line 3, column Freq");
        add("NUL", fileWith(QByteArray("1\tA\tTV\t5\t4.5\t\r\n") + '\0'),
            "Line 4 holds the byte 0x00");
        add("substitute byte", "  CH No\r\n1\tA\x1a\tTV\t5\t4.5\t\r\n",
            "Line 2 holds the byte 0x1a");
        add("nine * lines", fileWith(QByteArray("*F\t1\r\n").repeated(9)), "Line 11: more than 8");
    }
    void refused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        PlanFileContent content;
        content.caption = QStringLiteral("untouched");
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

    // A write that runs out of room fails, for the plan file and the table
    // alike: the old file stays whole and no temporary file is left behind.
    void failedSaveKeepsOldFile_data()
    {
        QTest::addColumn<bool>("table");
        QTest::newRow("plan file") << false;
        QTest::newRow("table") << true;
    }
    void failedSaveKeepsOldFile()
    {
        QFETCH(bool, table);
        QTemporaryDir dir;
        const QString path
            = dir.filePath(table ? QStringLiteral("plan.csv") : QStringLiteral("plan.txt"));
        PlanFileSource s = source(kChineseOffset, kRows);
        const auto save = [&](const QString &to, QString *error) {
            return table ? PlanCsv::write(to, s.rows, kChineseOffset, error)
                         : PlanFile::write(to, s, PlanFile::Encoding::Gb18030, error);
        };
        QVERIFY(save(path, nullptr));
        const QByteArray oldBytes = readAll(path);
        QVERIFY(oldBytes.contains("S1"));
        // A name long enough that the data passes 4 KiB.
        s.rows[1].values[ColumnName] = QString(8192, QLatin1Char('x'));
        s.caption = QString(8192, QLatin1Char('x'));
        // Writes beyond 4 KiB fail (EFBIG), which refuses a save even to root.
        rlimit limit {};
        getrlimit(RLIMIT_FSIZE, &limit);
        const rlimit small = { 4096, limit.rlim_max };
        const auto handler = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &small);
        QString error;
        const bool written = save(path, &error);
        setrlimit(RLIMIT_FSIZE, &limit);
        std::signal(SIGXFSZ, handler);
        QVERIFY(!written && !error.isEmpty());
        QCOMPARE(readAll(path), oldBytes);
        QCOMPARE(
            QDir(dir.path()).entryList(QDir::Files), QStringList { QFileInfo(path).fileName() });

        // A device that is always full is written in place, never replaced.
        if (!QFileInfo::exists(QStringLiteral("/dev/full")))
            QSKIP("no /dev/full here");
        error.clear();
        QVERIFY(!save(QStringLiteral("/dev/full"), &error));
        QVERIFY(!error.isEmpty());
        struct stat info
        {
        };
        QCOMPARE(::stat("/dev/full", &info), 0);
        QVERIFY(S_ISCHR(info.st_mode));
    }

    // Names in both code pages, written by one run and read by the other:
    // every row and the panel come back, or the writer refuses and UTF-8 with
    // a byte-order mark keeps them.
    void codePages_data()
    {
        QTest::addColumn<int>("writer");
        QTest::addColumn<int>("reader");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QList<int>>("lost"); // rows the writer's code page loses
        QTest::addColumn<bool>("captionLost");
        // With a name that must be stored as text, one that begins with a
        // quote and an empty one.
        const QStringList latin = { QStringLiteral("éa"), QStringLiteral("Äß"),
            QStringLiteral("x'); DROP TABLE ChannelPlanUser;--"), QStringLiteral("\"Q"), "" };
        const QString chineseCaption = QStringLiteral("   频道表");
        for (int reader : { int(kChineseOffset), int(kEnglishOffset) }) {
            const QByteArray to = reader == kChineseOffset ? " to Chinese run" : " to English run";
            QTest::newRow("accented names, English run" + to)
                << int(kEnglishOffset) << reader << QStringLiteral("  CH No") << latin
                << QList<int>() << false;
            QTest::newRow("accented names, Chinese run" + to)
                << int(kChineseOffset) << reader << chineseCaption << latin << QList<int>()
                << false;
            QTest::newRow("Chinese plan saved by an English run" + to)
                << int(kEnglishOffset) << reader << chineseCaption
                << QStringList { "A", QStringLiteral("中"), "B" } << QList<int> { 1 } << true;
            // Windows-1252 bytes that are valid UTF-8 would read back as "é".
            QTest::newRow("1252 bytes that read as UTF-8" + to)
                << int(kEnglishOffset) << reader << QStringLiteral("  CH No")
                << QStringList { QStringLiteral("Ã©") } << QList<int> { 0 } << false;
        }
    }
    void codePages()
    {
        QFETCH(int, writer);
        QFETCH(int, reader);
        QFETCH(QString, caption);
        QFETCH(QStringList, names);
        QFETCH(QList<int>, lost);
        QFETCH(bool, captionLost);
        QList<ChannelValues> rows;
        for (const QString &name : names)
            rows.append(row(int(rows.size()) + 1, name, "TV", 55.25 + 8 * rows.size(), 6.5));
        PlanFileSource s = source(qint16(writer), rows);
        s.caption = caption;
        s.panel = { { "1", "2", "", "4", "5", "6" }, "dBuV", "7.5" };
        const PlanFile::Encoding ownPage = PlanFile::encodingForLanguage(qint16(writer));

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("plan.txt"));
        EncodingLoss loss;
        QString error;
        const bool written = PlanFile::write(path, s, ownPage, &error, &loss);
        QCOMPARE(loss.rows, lost);
        QCOMPARE(loss.caption, captionLost);
        QCOMPARE(written, loss.isEmpty());
        PlanFile::Encoding expected = ownPage;
        if (!written) {
            QVERIFY(!QFile::exists(path)); // nothing with 0x1A in it
            QVERIFY(PlanFile::loss(s, PlanFile::Encoding::Utf8Bom).isEmpty());
            QVERIFY(PlanFile::write(path, s, PlanFile::Encoding::Utf8Bom, &error));
            expected = PlanFile::Encoding::Utf8Bom;
        }
        LanguageOffset = qint16(reader);
        PlanFileContent content;
        const bool read = PlanFile::read(path, content, &error);
        LanguageOffset = kEnglishOffset;
        QVERIFY2(read, qPrintable(error));
        QCOMPARE(content.encoding, expected);
        QCOMPARE(content.caption, caption);
        QCOMPARE(content.rows, rows);
        QCOMPARE(PlanFile::panelFromSlots(content.panelSlots), s.panel);
    }

    // Rows the rules refuse are kept and marked with their line; a plan
    // beyond the instrument's size says so.
    void rowsMarked()
    {
        PlanFileContent content;
        QVERIFY(PlanFile::parse(fileWith("1\tABCD\tTV\t55.25\t4.5\t\r\n"
                                         "2\tS1\tDUAL\t100\t8\t\r\n"
                                         "3\tS2\tDIGI\t100\t8\t\r\n"
                                         "4\tS3\tTV\t0\t4.5\t\r\n"
                                         "5\tS4\tTV\t1e39\t4.5\t\r\n"),
            content, nullptr));
        QCOMPARE(content.rows.size(), 5);
        QCOMPARE(content.rowLines, (QList<int> { 3, 4, 5, 6, 7 }));
        QList<std::pair<int, int>> marked; // row, column
        for (const RowRefusal &r : content.refusals)
            marked.append({ r.row, r.refusal.column });
        QCOMPARE(marked, (QList<std::pair<int, int>> { { 0, 1 }, { 1, 2 }, { 3, 3 }, { 4, 3 } }));
        QVERIFY(!content.tooLarge());

        QByteArray many;
        for (int i = 1; i <= 256; ++i)
            many += QByteArray::number(i) + "\tA\tTV\t100\t4.5\t\r\n";
        QVERIFY(PlanFile::parse(fileWith(many), content, nullptr));
        QVERIFY(content.tooLarge());
        QVERIFY(content.refusals.isEmpty());
    }

    // Only regular files of a sane size are read, and nothing blocks.
    void hostileFiles()
    {
        QTemporaryDir dir;
        const QString fifo = dir.filePath(QStringLiteral("fifo"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        const QString big = dir.filePath(QStringLiteral("big.txt"));
        {
            QFile file(big);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.resize(PlanFile::kMaxFileSize + 1)); // sparse
        }
        const std::pair<QString, QString> cases[] = { { fifo, "not a regular file" },
            { dir.path(), "not a regular file" },
            { QStringLiteral("/dev/zero"), "not a regular file" },
            { big, "larger than 4194304 bytes" }, { dir.filePath("missing"), "No such file" } };
        for (const auto &[path, reason] : cases) {
            PlanFileContent content;
            content.caption = QStringLiteral("untouched");
            QString error;
            QVERIFY(!PlanFile::read(path, content, &error));
            QVERIFY2(error.contains(reason), qPrintable(path + ": " + error));
            QCOMPARE(content.caption, QStringLiteral("untouched"));
        }
        // The reason comes after message 21.
        QVERIFY(PlanFile::refusalText("why").startsWith(
            QStringLiteral("The file is not about CH plan !\n")));
    }
};

QTEST_GUILESS_MAIN(PlanFileTest)
#include "tst_planfile.moc"
