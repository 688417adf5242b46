// The plan text file: what is written, what is read back, what is refused.
#include "app/Language.h"
#include "app/TextCatalogue.h"
#include "store/PlanFile.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

using namespace plandor;

namespace {

ChannelValues row(qint32 id, const QString &name, const QString &type, double freq, double audio1)
{
    ChannelValues values;
    values.values[ColumnId] = id;
    values.values[ColumnName] = name;
    values.values[ColumnType] = type;
    values.values[ColumnFreq] = freq;
    values.values[ColumnAudio1] = audio1;
    return values;
}

// The labels and caption as a run in the given language shows them.
PlanFileSource source(qint16 languageOffset, const QList<ChannelValues> &rows)
{
    const qint16 favoriteIds[6] = { 61, 62, 63, 64, 69, 70 };
    PlanFileSource s;
    s.caption = TextCatalogue::entry(15 + languageOffset);
    s.rows = rows;
    for (int i = 0; i < 6; ++i) {
        s.favoriteLabels[i] = TextCatalogue::entry(favoriteIds[i] + languageOffset);
        s.panel.favorites[i] = QString::number(i + 1);
    }
    s.unitLabel = TextCatalogue::entry(1 + languageOffset);
    s.panel.unit = QStringLiteral("dBmV");
    s.panel.span = QStringLiteral("8");
    return s;
}

QList<ChannelValues> exampleRows()
{
    return { row(1, "2", "TV", 55.25, 4.5), row(2, "S1", "DIGI", 100, 8) };
}

// A file of the given lines after the usual caption and header.
QByteArray fileWith(const QByteArray &lines)
{
    return "  CH No\r\nID\tCHName\tTYPE\tFREQ\tAUDIO\t\r\n" + lines;
}

// Makes writes beyond a size fail (EFBIG) for as long as it lives, which
// refuses a save even to root.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        m_ok = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;
    bool ok() const { return m_ok; }

private:
    rlimit m_old {};
    void (*m_oldHandler)(int) = nullptr;
    bool m_ok = false;
};

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
        QCOMPARE(PlanFile::format(
                     source(kEnglishOffset, exampleRows()), PlanFile::Encoding::Windows1252),
            expected);
    }

    void lineCount_data()
    {
        QTest::addColumn<int>("rows");
        QTest::newRow("no row") << 0;
        QTest::newRow("one row") << 1;
        QTest::newRow("255 rows") << 255;
    }
    void lineCount()
    {
        QFETCH(int, rows);
        QList<ChannelValues> plan;
        for (int i = 1; i <= rows; ++i)
            plan.append(row(i, "C", "TV", 40 + i, 6.5));
        const QByteArray bytes
            = PlanFile::format(source(kEnglishOffset, plan), PlanFile::Encoding::Windows1252);
        QVERIFY(bytes.endsWith("\r\n"));
        QCOMPARE(bytes.count("\r\n"), rows + 10);
        QCOMPARE(bytes.count('\n'), rows + 10); // no LF without its CR
    }

    void spanIsWrittenAsItsNumber_data()
    {
        QTest::addColumn<QString>("span");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("trailing zero") << "8.0" << QByteArray("*Span\t8\r\n");
        QTest::newRow("single precision") << "7.3" << QByteArray("*Span\t7.3\r\n");
        QTest::newRow("empty") << "" << QByteArray("*Span\t0\r\n");
        QTest::newRow("beyond single precision") << "1e39" << QByteArray("*Span\t0\r\n");
    }
    void spanIsWrittenAsItsNumber()
    {
        QFETCH(QString, span);
        QFETCH(QByteArray, line);
        PlanFileSource s = source(kEnglishOffset, exampleRows());
        s.panel.span = span;
        QVERIFY(PlanFile::format(s, PlanFile::Encoding::Windows1252).endsWith(line));
    }

    void roundTrip_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("encoding");
        QTest::addColumn<QByteArray>("encoded"); // how "Sé" or the caption is written
        QTest::newRow("Chinese in GB18030")
            << int(kChineseOffset) << int(PlanFile::Encoding::Gb18030)
            << QByteArray("   \xC6\xB5\xB5\xC0\xB1\xED\r\n");
        QTest::newRow("English in Windows-1252")
            << int(kEnglishOffset) << int(PlanFile::Encoding::Windows1252)
            << QByteArray("\tS\xE9\t");
    }
    void roundTrip()
    {
        QFETCH(int, language);
        QFETCH(int, encoding);
        QFETCH(QByteArray, encoded);
        const QList<ChannelValues> rows = { row(5, "2", "TV", 55.25, 4.5),
            row(3, "x'); DROP TABLE ChannelPlanUser;--", "DIGI", 100.1, 8),
            row(9, "\"Q", "TV", 863.25, 6.5), // begins with a quote
            row(1, "", "", 471.25, 0.1), row(4, "Sé", "TV", 48.25, 6.5) };
        PlanFileSource s = source(qint16(language), rows);
        s.panel.favorites[2] = QString();
        s.panel.unit = QStringLiteral("dBuV");
        s.panel.span = QStringLiteral("7.5");
        const QByteArray bytes = PlanFile::format(s, PlanFile::Encoding(encoding));
        QVERIFY(bytes.contains(encoded));

        PlanFileContent content;
        QString error;
        QVERIFY2(PlanFile::parse(bytes, content, &error), qPrintable(error));
        QCOMPARE(content.caption, s.caption);
        QCOMPARE(content.rows, rows);
        QCOMPARE(content.panelSlots.size(), 8);
        QCOMPARE(PlanFile::panelFromSlots(content.panelSlots), s.panel);
    }

    // The reader goes by position: a file in either language reads the same.
    void languagesReadAlike()
    {
        PlanFileContent chinese, english;
        QVERIFY(PlanFile::parse(
            PlanFile::format(source(kChineseOffset, exampleRows()), PlanFile::Encoding::Gb18030),
            chinese, nullptr));
        QVERIFY(PlanFile::parse(PlanFile::format(source(kEnglishOffset, exampleRows()),
                                    PlanFile::Encoding::Windows1252),
            english, nullptr));
        QCOMPARE(chinese.caption, QStringLiteral("   频道表"));
        QCOMPARE(chinese.rows, english.rows);
        QCOMPARE(chinese.panelSlots, english.panelSlots);
    }

    void decoding_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("name");
        const QString chinese = QStringLiteral("频道表");
        QTest::newRow("UTF-8") << QByteArray("频道表\r\n1\t中\tTV\t5\t5\t\r\n") << chinese
                               << QStringLiteral("中");
        QTest::newRow("UTF-8 with byte-order mark")
            << QByteArray("\xEF\xBB\xBF频道表\r\n1\t中\tTV\t5\t5\t\r\n") << chinese
            << QStringLiteral("中");
        QTest::newRow("GB18030") << QByteArray(
            QStringEncoder("GB18030").encode(chinese + QStringLiteral("\r\n1\t中\tTV\t5\t5\t\r\n")))
                                 << chinese << QStringLiteral("中");
        QTest::newRow("Windows-1252") << QByteArray("Caf\xE9 \xA3\r\n1\t\xE9\t\x80\t5\t5\t\r\n")
                                      << QStringLiteral("Café £") << QStringLiteral("é");
    }
    void decoding()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, caption);
        QFETCH(QString, name);
        PlanFileContent content;
        QString error;
        QVERIFY2(PlanFile::parse(bytes, content, &error), qPrintable(error));
        QCOMPARE(content.caption, caption);
        QCOMPARE(content.rows.size(), 1);
        QCOMPARE(content.rows[0].values[ColumnName].toString(), name);
    }

    // Bytes that end inside a UTF-8 sequence are not UTF-8: nothing is dropped.
    void cutOffUtf8()
    {
        PlanFileContent content;
        QVERIFY(PlanFile::parse("A\xE4\xB8", content, nullptr));
        QCOMPARE(content.caption,
            "A" + QString(QStringDecoder("GB18030").decode(QByteArray("\xE4\xB8"))));
    }

    // Every line with "ID" and no "*" is taken for the header, wherever it is.
    void headerLines()
    {
        PlanFileContent content;
        QVERIFY(PlanFile::parse(
            fileWith("1\tA\tTV\t5\t6\t\r\nID\r\n2\tID\tTV\t5\t6\t\r\n"), content, nullptr));
        QCOMPARE(content.rows, QList<ChannelValues> { row(1, "A", "TV", 5, 6) });
    }

    void rowLines_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QVariantList>("values");
        auto values
            = [](qint32 id, const QString &name, const QString &type, double freq, double audio1) {
                  return QVariantList { id, name, type, freq, audio1 };
              };
        QTest::newRow("as written")
            << QByteArray("1\t2\tTV\t55.25\t4.5\t") << values(1, "2", "TV", 55.25, 4.5);
        QTest::newRow("no trailing TAB")
            << QByteArray("1\t2\tTV\t55.25\t4.5") << values(1, "2", "TV", 55.25, 4.5);
        QTest::newRow("short line repeats its last value")
            << QByteArray("2\tS1\tDIGI\t100") << values(2, "S1", "DIGI", 100, 100);
        QTest::newRow("one value for all columns") << QByteArray("7") << values(7, "7", "7", 7, 7);
        QTest::newRow("quoted values") << QByteArray("\"3\"\t\"ABC\"\tTV\t\"55.25\"\t4.5\t")
                                       << values(3, "ABC", "TV", 55.25, 4.5);
        QTest::newRow("lone quote") << QByteArray("1\t\"\tTV\t5\t5\t") << values(1, "", "TV", 5, 5);
        QTest::newRow("SQL in a name")
            << QByteArray("1\tx'); DROP TABLE ChannelPlanUser;--\tTV\t5\t5\t")
            << values(1, "x'); DROP TABLE ChannelPlanUser;--", "TV", 5, 5);
        QTest::newRow("values past the fifth ignored")
            << QByteArray("1\tA\tTV\t5\t6\t7\tjunk") << values(1, "A", "TV", 5, 6);
        QTest::newRow("ID halves to even")
            << QByteArray("2.5\tA\tTV\t5\t6\t") << values(2, "A", "TV", 5, 6);
        QTest::newRow("lowercase id is a row")
            << QByteArray("1\tid\tTV\t5\t6\t") << values(1, "id", "TV", 5, 6);
    }
    void rowLines()
    {
        QFETCH(QByteArray, line);
        QFETCH(QVariantList, values);
        for (const char *end : { "\r\n", "\n" }) {
            PlanFileContent content;
            QString error;
            QVERIFY2(PlanFile::parse(fileWith(line + end + "*a\tb" + end), content, &error),
                qPrintable(error));
            QCOMPARE(content.rows.size(), 1);
            for (int column = 0; column < kChannelColumnCount; ++column)
                QCOMPARE(content.rows[0].values[column], values[column]);
            QCOMPARE(content.panelSlots, QStringList { "b" });
        }
    }

    void refused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        QTest::newRow("empty file") << QByteArray() << "no first line";
        QTest::newRow("byte-order mark only") << QByteArray("\xEF\xBB\xBF") << "no first line";
        QTest::newRow("non-numeric FREQ")
            << fileWith("1\tA\tTV\t55.25\t4.5\t\r\n2\tB\tTV\tabc\t4.5\t\r\n")
            << "Line 4, column Freq";
        QTest::newRow("empty ID") << fileWith("\tA\tTV\t55.25\t4.5\t\r\n") << "Line 3, column ID";
        QTest::newRow("trailing TAB after four values")
            << fileWith("1\tA\tTV\t55.25\t\r\n") << "Line 3, column Audio1";
        // A line reader sees the empty line, and it is a row without an ID.
        QTest::newRow("empty line after the last one")
            << fileWith("1\tA\tTV\t55.25\t4.5\t\r\n*Span\t8\r\n\r\n") << "Line 5, column ID";
        QByteArray nine;
        for (int i = 1; i <= 9; ++i)
            nine += "*F" + QByteArray::number(i) + "\t" + QByteArray::number(i) + "\r\n";
        QTest::newRow("nine * lines") << fileWith(nine) << "Line 11: more than 8";
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
        QVERIFY(PlanFile::parse(fileWith("*1st ID\t12\r\n"
                                         "*no tab\r\n"
                                         "*3rd\t4\t5\r\n"
                                         "*\t\r\n"
                                         "*5\t5\r\n*6\t6\r\n*Unit\tdBuV\r\n*Span\t7.5\r\n"),
            content, nullptr));
        QCOMPARE(content.panelSlots,
            (QStringList { "12", "*no tab", "4\t5", "", "5", "6", "dBuV", "7.5" }));
    }

    void onlyFirstLine_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("caption");
        QTest::newRow("with CRLF") << QByteArray("  CH No\r\n") << "  CH No";
        QTest::newRow("without line end") << QByteArray("  CH No") << "  CH No";
        QTest::newRow("empty first line") << QByteArray("\r\n") << "";
    }
    void onlyFirstLine()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, caption);
        PlanFileContent content;
        content.rows.append(row(1, "A", "TV", 5, 5));
        content.panelSlots.append(QStringLiteral("old"));
        QVERIFY(PlanFile::parse(bytes, content, nullptr));
        QCOMPARE(content.caption, caption);
        QVERIFY(content.rows.isEmpty());
        QVERIFY(content.panelSlots.isEmpty());
        const PanelTexts panel = PlanFile::panelFromSlots(content.panelSlots);
        for (const QString &favorite : panel.favorites)
            QVERIFY(favorite.isEmpty());
        QVERIFY(panel.unit.isEmpty());
        QCOMPARE(panel.span, QStringLiteral("0"));
    }

    void panelFromSlots_data()
    {
        QTest::addColumn<QStringList>("panelSlots");
        QTest::addColumn<QString>("favorite1");
        QTest::addColumn<QString>("favorite6");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("span");
        QTest::newRow("all eight")
            << QStringList { "1", "2", "3", "4", "5", "6", "dBmV", "8" } << "1"
            << "6"
            << "dBmV"
            << "8";
        QTest::newRow("span as single precision")
            << QStringList { "1", "2", "3", "4", "5", "6", "dBmV", "7.30" } << "1"
            << "6"
            << "dBmV"
            << "7.3";
        QTest::newRow("span leading number")
            << QStringList { "", "", "", "", "", "", "", "4.5.6" } << ""
            << ""
            << ""
            << "4.5";
        QTest::newRow("span not a number") << QStringList { "", "", "", "", "", "", "", "BW" } << ""
                                           << ""
                                           << ""
                                           << "0";
        QTest::newRow("span too big for the window")
            << QStringList { "", "", "", "", "", "", "", "1e39" } << ""
            << ""
            << ""
            << "0";
        QTest::newRow("three slots") << QStringList { "9", "8", "7" } << "9"
                                     << ""
                                     << ""
                                     << "0";
    }
    void panelFromSlots()
    {
        QFETCH(QStringList, panelSlots);
        QFETCH(QString, favorite1);
        QFETCH(QString, favorite6);
        QFETCH(QString, unit);
        QFETCH(QString, span);
        const PanelTexts panel = PlanFile::panelFromSlots(panelSlots);
        QCOMPARE(panel.favorites[0], favorite1);
        QCOMPARE(panel.favorites[5], favorite6);
        QCOMPARE(panel.unit, unit);
        QCOMPARE(panel.span, span);
    }

    void writeAndRead()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("plan.txt"));
        const PlanFileSource s = source(kChineseOffset, exampleRows());
        QString error;
        QVERIFY2(PlanFile::write(path, s, PlanFile::Encoding::Gb18030, &error), qPrintable(error));
        QCOMPARE(readAll(path), PlanFile::format(s, PlanFile::Encoding::Gb18030));
        PlanFileContent content;
        QVERIFY2(PlanFile::read(path, content, &error), qPrintable(error));
        QCOMPARE(content.caption, s.caption);
        QCOMPARE(content.rows, s.rows);

        QVERIFY(!PlanFile::read(dir.filePath(QStringLiteral("missing.txt")), content, &error));
        QVERIFY(!error.isEmpty());
    }

    void failedSaveKeepsOldFile_data()
    {
        QTest::addColumn<bool>("readOnlyFolder");
        QTest::newRow("file size limit") << false;
        QTest::newRow("read-only folder") << true;
    }
    void failedSaveKeepsOldFile()
    {
        QFETCH(bool, readOnlyFolder);
        if (readOnlyFolder && geteuid() == 0)
            QSKIP("root writes into a read-only folder");
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("plan.txt"));
        const PlanFileSource old = source(kEnglishOffset, exampleRows());
        QVERIFY(PlanFile::write(path, old, PlanFile::Encoding::Windows1252, nullptr));
        const QByteArray oldBytes = readAll(path);

        QList<ChannelValues> big;
        for (int i = 1; i <= 500; ++i)
            big.append(row(i, "S" + QString::number(i), "DIGI", 100 + i, 8));
        const PlanFileSource replacement = source(kEnglishOffset, big);
        QString error;
        bool written = false;
        if (readOnlyFolder) {
            QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
            written = PlanFile::write(path, replacement, PlanFile::Encoding::Windows1252, &error);
            QFile::setPermissions(
                dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        } else {
            FileSizeLimit limit(4096);
            QVERIFY(limit.ok());
            written = PlanFile::write(path, replacement, PlanFile::Encoding::Windows1252, &error);
        }
        QVERIFY(!written);
        QVERIFY(!error.isEmpty());
        QCOMPARE(readAll(path), oldBytes);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList { "plan.txt" });
    }
};

QTEST_GUILESS_MAIN(PlanFileTest)
#include "tst_planfile.moc"
