// The plan text file: what is written, what is read back, what is refused.
#include "RefusalCheck.h"
#include "TempStore.h"

#include "base/Language.h"
#include "store/PlanCsv.h"
#include "store/PlanFile.h"
#include "store/PlanHistory.h"

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
#include <utility>

using namespace plandor;
using plandor::test::checkRefused;

namespace {

constexpr auto row = &test::TempStore::row;

// The labels and caption as a run in the given language shows them.
PlanFileSource source(qint16 languageOffset, const QList<ChannelValues> &rows)
{
    const qint16 run = std::exchange(LanguageOffset, languageOffset);
    const PlanFileSource s
        = PlanHistory::fileSource(rows, { { "1", "2", "3", "4", "5", "6" }, "dBmV", "8" });
    LanguageOffset = run;
    return s;
}

const QList<ChannelValues> kRows = { row(1, "2", "TV", 55.25, 4.5), row(2, "S1", "DIGI", 100, 8) };

// A file of the given lines after the usual caption and header.
QByteArray fileWith(const QByteArray &lines)
{
    return "  CH No\r\nID\tCHName\tTYPE\tFREQ\tAUDIO\t\r\n" + lines;
}

// A panel as its eight texts; none for no panel.
QStringList panelTexts(const std::optional<PanelTexts> &panel)
{
    if (!panel)
        return {};
    QStringList texts(std::begin(panel->favorites), std::end(panel->favorites));
    return texts << panel->unit << panel->span;
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

    QTemporaryDir m_dir;

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

    // Panel lines are read by their labels, in either language and any
    // order, each value what follows the first TAB; no panel lines, or only
    // blank ones (as a plan made from a table has), are no panel.
    void panel_data()
    {
        QTest::addColumn<QByteArray>("lines");
        QTest::addColumn<QStringList>("panel"); // favourites, unit, span; empty: none
        const QByteArray english
            = PlanFile::format(source(kEnglishOffset, kRows), PlanFile::Encoding::Windows1252);
        const QByteArray blank
            = PlanFile::format(PlanHistory::fileSource(kRows, {}), PlanFile::Encoding::Utf8Bom);
        QTest::newRow("English labels") << english.mid(
            english.indexOf('*')) << QStringList { "1", "2", "3", "4", "5", "6", "dBmV", "8" };
        QTest::newRow("Chinese labels, another order, other spacing and case")
            << QByteArray("*span\t7,5\r\n*单位\tdBuV\r\n*第6个喜好频道序号\t6\r\n"
                          "*第 5 个喜好频道序号\t5\r\n*第4个喜好频道序号\t\r\n"
                          "*3RD FAVORITE CH ID\t3\t4\r\n*第2个喜好频道序号\t2\r\n"
                          "*第1个喜好频道序号\t1\r\n")
            << QStringList { "1", "2", "3\t4", "", "5", "6", "dBuV", "7.5" };
        QTest::newRow("no panel lines") << QByteArray() << QStringList();
        QTest::newRow("blank panel lines") << blank.mid(blank.indexOf('*')) << QStringList();
    }
    void panel()
    {
        QFETCH(QByteArray, lines);
        QFETCH(QStringList, panel);
        PlanFileContent content;
        QString error;
        QVERIFY2(PlanFile::parse(fileWith("1\tA\tTV\t5\t6\t\r\n" + lines), content, &error),
            qPrintable(error));
        QCOMPARE(panelTexts(content.panel), panel);
        QCOMPARE(content.rows.size(), 1);
    }

    // The span is written and read back as its single-precision number.
    void span()
    {
        const char *const cases[][2] = { { "8.0", "8" }, { "4.5.6", "4.5" }, { "BW", "0" },
            { "1e39", "0" }, { "7,5", "7.5" } }; // 1e39: beyond single precision
        for (const auto &[text, number] : cases) {
            PlanFileSource s = source(kEnglishOffset, kRows);
            s.panel.span = QString::fromLatin1(text);
            const QByteArray bytes = PlanFile::format(s, PlanFile::Encoding::Windows1252);
            QCOMPARE(bytes.mid(bytes.lastIndexOf('*')), "*Span\t" + QByteArray(number) + "\r\n");
            PlanFileContent content;
            QVERIFY(PlanFile::parse(bytes, content, nullptr) && content.panel);
            QCOMPARE(content.panel->span, QString::fromLatin1(number));
        }
    }

    // The caption and the rows, in every code page read and however the row
    // lines are written.
    void reading_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QList<ChannelValues>>("rows");
        auto add = [](const char *name, const QByteArray &bytes, const QString &caption,
                       const QList<ChannelValues> &rows) {
            QTest::newRow(name) << bytes << caption << rows;
        };
        // One row line after the usual caption and header.
        auto addLine = [&add](const char *name, const QByteArray &line, const ChannelValues &row) {
            add(name, fileWith(line + "\r\n"), "  CH No", { row });
        };
        const QString chinese = QStringLiteral("频道表");
        const QByteArray chineseRow = "\r\n1\t中\tTV\t5\t5\t\r\n";
        add("UTF-8", "频道表" + chineseRow, chinese, { row(1, "中", "TV", 5, 5) });
        add("GB18030", QStringEncoder("GB18030").encode(chinese + QString::fromUtf8(chineseRow)),
            chinese, { row(1, "中", "TV", 5, 5) });
        add("Windows-1252", "Caf\xE9 \xA3\r\n1\t\xE9\t\x80\t5\t5\t\r\n", "Café £",
            { row(1, "é", "€", 5, 5) });
        // Bytes that end inside a UTF-8 sequence are not UTF-8: nothing is dropped.
        add("cut-off UTF-8", "A\xE4\xB8",
            "A" + QString(QStringDecoder("GB18030").decode(QByteArray("\xE4\xB8"))), {});
        add("empty first line", "\r\n", "", {});
        addLine("short line repeats its last value", "2\tS1\tDIGI\t100",
            row(2, "S1", "DIGI", 100, 100));
        addLine("quoted values", "\"3\"\t\"ABC\"\tTV\t\"55.25\"\t4.5\t",
            row(3, "ABC", "TV", 55.25, 4.5));
        addLine("lone quote", "1\t\"\tTV\t5\t5\t", row(1, "", "TV", 5, 5));
        addLine(
            "values past the fifth ignored", "1\tA\tTV\t5\t6\t7\tjunk", row(1, "A", "TV", 5, 6));
        addLine("ID halves to even", "2.5\tA\tTV\t5\t6\t", row(2, "A", "TV", 5, 6));
        addLine("lowercase id is a row", "1\tid\tTV\t5\t6\t", row(1, "id", "TV", 5, 6));
        addLine("decimal comma", "1\tA\tTV\t55,25\t4,5\t", row(1, "A", "TV", 55.25, 4.5));
        // Every line with "ID" and no "*" is taken for a header, wherever it
        // is; a line may end in LF alone.
        addLine("header lines anywhere", "1\tA\tTV\t5\t6\t\nID\r\n2\tID\tTV\t5\t6\t",
            row(1, "A", "TV", 5, 6));
    }
    void reading()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, caption);
        QFETCH(QList<ChannelValues>, rows);
        PlanFileContent content;
        QVERIFY(PlanFile::parse(bytes, content, nullptr));
        QCOMPARE(content.caption, caption);
        QCOMPARE(content.rows, rows);
    }

    // Refused with the reason, the content untouched; only regular files of
    // a sane size are read, and nothing blocks.
    void refused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("path"); // read instead of the bytes
        QTest::addColumn<QString>("reason");
        auto add = [](const char *name, const QByteArray &bytes, const char *reason) {
            QTest::newRow(name) << bytes << QString() << QString::fromUtf8(reason);
        };
        add("byte-order mark only", "\xEF\xBB\xBF", "no first line");
        add("trailing TAB after four values", fileWith("1\tA\tTV\t55.25\t\r\n"),
            "Line 3, column Audio Offset");
        // A line reader sees the empty line, and it is a row without an ID.
        add("empty line after the last one", fileWith("1\tA\tTV\t5\t4.5\t\r\n*Span\t8\r\n\r\n"),
            "Line 5, column ID");
        add("two decimal commas", fileWith("1\tA\tTV\t5,5,5\t4.5\t\r\n"), "Line 3, column Freq");
        add("NUL", fileWith(QByteArray("1\tA\tTV\t5\t4.5\t\r\n") + '\0'),
            "Line 4 holds the byte 0x00");
        // Panel lines: all eight or none, each known by its label once.
        const QByteArray panel = "*1st Favorite CH  ID\t1\r\n*2nd Favorite CH  ID\t2\r\n"
                                 "*3rd Favorite CH ID\t3\r\n*4th Favorite CH  ID\t4\r\n"
                                 "*5th Favorite CH  ID\t5\r\n*6th Favorite CH  ID\t6\r\n"
                                 "*Unit\tdBmV\r\n*Span\t8\r\n";
        add("only the unit and span lines",
            fileWith("1\tA\tTV\t5\t4.5\t\r\n*Unit\tdBmV\r\n*Span\t8\r\n"),
            "\"*1st Favorite CH  ID\" is missing");
        add("a Chinese panel without its unit",
            fileWith(QByteArray(panel)
                         .replace("*Unit\tdBmV\r\n", "")
                         .replace("*1st Favorite CH  ID", "*第1个喜好频道序号")),
            "\"*单位\" is missing");
        add("unknown label", fileWith("*Favourite\t1\r\n" + panel), "Line 3: \"*Favourite\"");
        add("a long label, cut", fileWith("*" + QByteArray(99999, 'F') + "\t1\r\n"),
            "(100000 characters)");
        add("a ninth line, the unit again", fileWith(panel + "*Unit\tdBuV\r\n"),
            "Line 11: a second \"*Unit\"");
        add("no TAB", fileWith(QByteArray(panel).replace("*Unit\t", "*Unit ")),
            "Line 9: the panel line");
        auto addFile = [](const char *name, const QString &path, const char *reason) {
            QTest::newRow(name) << QByteArray() << path << QString::fromLatin1(reason);
        };
        // A FIFO and a file too large to be a plan.
        QCOMPARE(::mkfifo(QFile::encodeName(m_dir.filePath("fifo")).constData(), 0600), 0);
        QFile big(m_dir.filePath(QStringLiteral("big.txt")));
        QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(PlanFile::kMaxFileSize + 1)); // sparse
        addFile("FIFO", m_dir.filePath("fifo"), "not a regular file");
        addFile("too large", m_dir.filePath("big.txt"), "larger than 4194304 bytes");
        addFile("missing", m_dir.filePath("missing"), "No such file");
    }
    void refused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, path);
        QFETCH(QString, reason);
        if (path.isEmpty())
            checkRefused(&PlanFile::parse, bytes, reason);
        else
            checkRefused(&PlanFile::read, path, reason);
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
        s.rows[1].setValue(ColumnName, QString(8192, QLatin1Char('x')));
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

        // A device that is always full is refused, and stays a device.
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

    // Names in both scripts, written in the run's code page and read by a run
    // of the other language: every row and the panel come back, or the
    // writer refuses and UTF-8 with a byte-order mark keeps them.
    // Accented names in Windows-1252 also pair up into valid GB18030: the
    // labels and the caption tell the code page.
    void codePages_data()
    {
        QTest::addColumn<int>("writer");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("lost"); // what the writer's code page loses
        auto add = [](const char *name, qint16 writer, const QString &caption,
                       const QStringList &names, const QString &lost = {}) {
            QTest::newRow(name) << int(writer) << caption << names << lost;
        };
        const QStringList latin = { "éa", "Äß", "\"Q", "" }; // a quote first, and an empty name
        const QString chinese = QStringLiteral("   频道表");
        add("accented names, English run", kEnglishOffset, "  CH No", latin);
        add("both scripts, Chinese run", kChineseOffset, chinese, latin + QStringList { "中" });
        add("Chinese plan saved by an English run", kEnglishOffset, chinese, { "A", "中", "B" },
            "channels 2 (中); the caption");
        // Windows-1252 bytes that are valid UTF-8 would read back as "é".
        add("1252 bytes that read as UTF-8", kEnglishOffset, "  CH No", { "Ã©" },
            "channels 1 (Ã©)");
    }
    void codePages()
    {
        QFETCH(int, writer);
        QFETCH(QString, caption);
        QFETCH(QStringList, names);
        QFETCH(QString, lost);
        QList<ChannelValues> rows;
        for (const QString &name : names)
            rows.append(row(int(rows.size()) + 1, name, "TV", 55.25 + 8 * rows.size(), 6.5));
        PlanFileSource s = source(qint16(writer), rows);
        s.caption = caption;
        s.panel = { { "1", "2", "", "4", "5", "6" }, "dBuV", "7.5" };
        PlanFile::Encoding expected = PlanFile::encodingForLanguage(qint16(writer));

        const QString path = m_dir.filePath(QTest::currentDataTag());
        EncodingLoss loss;
        QString error;
        const bool written = PlanFile::write(path, s, expected, &error, &loss);
        QCOMPARE(loss.describe(s), lost);
        QCOMPARE(written, lost.isEmpty());
        if (!written) {
            QVERIFY(!QFile::exists(path)); // nothing with 0x1A in it
            expected = PlanFile::Encoding::Utf8Bom;
            QVERIFY(PlanFile::write(path, s, expected, &error, &loss) && loss.isEmpty());
        }
        LanguageOffset = writer == kChineseOffset ? kEnglishOffset : kChineseOffset;
        PlanFileContent content;
        const bool read = PlanFile::read(path, content, &error);
        LanguageOffset = kEnglishOffset;
        QVERIFY2(read, qPrintable(error));
        QCOMPARE(content.encoding, expected);
        QCOMPARE(content.caption, caption);
        QCOMPARE(content.rows, rows);
        QCOMPARE(content.panel, std::optional(s.panel));
    }
};

QTEST_GUILESS_MAIN(PlanFileTest)
#include "tst_planfile.moc"
