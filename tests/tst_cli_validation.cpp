// plandor-cli refuses what the editor would refuse, before it touches the
// port: plans with channels the rules refuse (listed by line), files that are
// not plans or not regular files, and panel and port values out of range.
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {

const QByteArray kPanel
    = "*\t1\r\n*\t2\r\n*\t3\r\n*\t4\r\n*\t5\r\n*\t6\r\n*Unit\tdBuV\r\n*Span\t8\r\n";

QByteArray plan(const QByteArray &rows)
{
    return "  CH No\r\nID\tCHName\tTYPE\tFREQ\tAUDIO\t\r\n" + rows + kPanel;
}

} // namespace

class CliValidationTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    // Runs plandor-cli; the port is never opened in these cases.
    std::pair<int, QString> run(const QStringList &arguments)
    {
        QProcess cli;
        cli.start(qEnvironmentVariable("PLANDOR_CLI"), arguments);
        if (!cli.waitForFinished(60000))
            cli.kill();
        return { cli.exitCode(), QString::fromUtf8(cli.readAllStandardError()) };
    }

    QString file(const char *name, const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(QString::fromLatin1(name));
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
        return path;
    }

private slots:
    void sendRefuses_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<QStringList>("reasons");
        QTest::newRow("invalid rows, by line")
            << file("bad.txt",
                   plan("1\tA\tTV\t55.25\t6.5\t\r\n2\tABCD\tTV\t63.25\t6.5\t\r\n"
                        "3\tS1\tDUAL\t474\t8\t\r\n4\tS2\tTV\t0\t6.5\t\r\n5\tS3\tTV\t1e39\t6."
                        "5\t\r\n"))
            << QStringList { "line 4: channel \"ABCD\": Must be from 1 to 3",
                   "line 5: channel \"S1\": The 'Type' is error", "line 6: channel \"S2\": 'FREQ'",
                   "line 7: channel \"S3\": 'FREQ'" };
        QTest::newRow("favourite 999")
            << file("fav.txt", "  CH No\r\n1\tA\tTV\t55.25\t6.5\t\r\n*\t999\r\n")
            << QStringList { "favourite 1 \"999\"" };
        QByteArray binary;
        for (int i = 0; i < 1024; ++i)
            binary.append(char(i));
        QTest::newRow("binary") << file("bin.txt", binary) << QStringList { "not text" };
        QTest::newRow("/dev/zero") << "/dev/zero" << QStringList { "not a regular file" };
        const QString fifo = m_dir.filePath("fifo");
        ::mkfifo(QFile::encodeName(fifo).constData(), 0600);
        QTest::newRow("FIFO") << fifo << QStringList { "not a regular file" };
        const QString big = file("big.txt", {});
        QFile(big).resize(100 * 1024 * 1024);
        QTest::newRow("100 MB") << big << QStringList { "larger than" };
    }
    void sendRefuses()
    {
        QFETCH(QString, in);
        QFETCH(QStringList, reasons);
        const auto [code, err] = run({ "send", "--port", "/nonexistent/port", "--in", in });
        QCOMPARE(code, 4);
        for (const QString &reason : reasons)
            QVERIFY2(err.contains(reason), qPrintable(err));
    }

    void argumentValues_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("reason");
        const QStringList panel = { "send-panel", "--port", "/nonexistent/port" };
        QTest::newRow("favourite 251")
            << panel + QStringList { "--favorites", "1,251", "--unit", "dBmV", "--span", "8" }
            << "favourite 2 \"251\"";
        QTest::newRow("seven favourites") << panel
                + QStringList { "--favorites", "1,2,3,4,5,6,7", "--unit", "dBmV", "--span", "8" }
                                          << "up to six";
        QTest::newRow("span 3.9") << panel
                + QStringList { "--favorites", "1", "--unit", "dBmV", "--span", "3.9" }
                                  << "--span";
        QTest::newRow("span inf") << panel
                + QStringList { "--favorites", "1", "--unit", "dBmV", "--span", "inf" }
                                  << "--span";
        QTest::newRow("unit") << panel
                + QStringList { "--favorites", "1", "--unit", "dB", "--span", "8" }
                              << "unit \"dB\"";
        QTest::newRow("COM0") << QStringList { "check", "--port", "COM0" } << "COMn";
        QTest::newRow("COM99999") << QStringList { "check", "--port", "COM99999" } << "COMn";
        QTest::newRow("empty port") << QStringList { "check", "--port", " " } << "--port";
    }
    void argumentValues()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, reason);
        const auto [code, err] = run(arguments);
        QCOMPARE(code, 2);
        QVERIFY2(err.contains(reason), qPrintable(err));
    }
};

QTEST_GUILESS_MAIN(CliValidationTest)
#include "tst_cli_validation.moc"
