// plandor-cli against the simulated instrument: results and exit codes.

#include "SimProcess.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using plandor::test::SimProcess;

namespace {

QString cliProgram()
{
    return qEnvironmentVariable("PLANDOR_CLI");
}

struct CliRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

CliRun runCli(const QStringList &arguments, const QString &portsDir)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PLANDOR_PORTS_DIR"), portsDir);
    p.setProcessEnvironment(env);
    p.start(cliProgram(), arguments);
    CliRun r;
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.exitCode = p.exitCode();
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

// A plan text file with n channels, ID order not frequency order.
QByteArray planText(int n)
{
    QByteArray text = "  CH No\r\nID\tCHName\tTYPE\tFREQ\tAUDIO\t\r\n";
    for (int i = 1; i <= n; ++i) {
        const int freq = 900 - 3 * i;
        text += QByteArray::number(i) + "\tC" + QByteArray::number(i % 100) + "\tTV\t"
            + QByteArray::number(freq) + ".25\t6.5\t\r\n";
    }
    text += "*1st Favorite CH  ID\t4\r\n*2nd Favorite CH  ID\t5\r\n*3rd Favorite CH ID\t6\r\n"
            "*4th Favorite CH  ID\t7\r\n*5th Favorite CH  ID\t8\r\n*6th Favorite CH  ID\t9\r\n"
            "*Unit\tdBuV\r\n*Span\t7\r\n";
    return text;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void portsListsThePublishedInstrument();
    void usageErrors_data();
    void usageErrors();
    void unreachableInstrument();
    void refusedFiles_data();
    void refusedFiles();
    void sendThenReadGivesThePlanInFrequencyOrder();
    void panelFromOptions();
    void refusedWriteIsATransferFailure();

private:
    QTemporaryDir m_dir;
    QString m_ports;
    std::unique_ptr<SimProcess> m_sim;
};

void TestCli::initTestCase()
{
    QVERIFY2(QFileInfo(cliProgram()).isExecutable(), "PLANDOR_CLI names no program");
    QVERIFY2(QFileInfo(SimProcess::program()).isExecutable(), "PLANDOR_SIM names no program");
    m_ports = m_dir.filePath(QStringLiteral("ports"));
}

void TestCli::init()
{
    static int n = 0;
    m_sim = std::make_unique<SimProcess>(
        m_dir.filePath(QStringLiteral("state-%1").arg(++n)), m_ports);
    QVERIFY(m_sim->start());
}

void TestCli::cleanup()
{
    m_sim.reset();
}

void TestCli::portsListsThePublishedInstrument()
{
    const CliRun r = runCli({ QStringLiteral("ports") }, m_ports);
    QCOMPARE(r.exitCode, 0);
    const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QVERIFY(!lines.isEmpty());
    // The newest instrument is listed last.
    QCOMPARE(QFileInfo(lines.last()).symLinkTarget(), m_sim->port());
}

void TestCli::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("no command") << QStringList {};
    QTest::newRow("unknown command") << QStringList { QStringLiteral("fly") };
    QTest::newRow("check without port") << QStringList { QStringLiteral("check") };
    QTest::newRow("read without file")
        << QStringList { QStringLiteral("read"), QStringLiteral("--port"), QStringLiteral("x") };
    QTest::newRow("bad unit") << QStringList { QStringLiteral("send-panel"),
        QStringLiteral("--port"), QStringLiteral("x"), QStringLiteral("--favorites"),
        QStringLiteral("1,2"), QStringLiteral("--unit"), QStringLiteral("dB"),
        QStringLiteral("--span"), QStringLiteral("8") };
    QTest::newRow("seven favourites") << QStringList { QStringLiteral("send-panel"),
        QStringLiteral("--port"), QStringLiteral("x"), QStringLiteral("--favorites"),
        QStringLiteral("1,2,3,4,5,6,7"), QStringLiteral("--unit"), QStringLiteral("dBmV"),
        QStringLiteral("--span"), QStringLiteral("8") };
}

void TestCli::usageErrors()
{
    QFETCH(QStringList, arguments);
    const CliRun r = runCli(arguments, m_ports);
    QCOMPARE(r.exitCode, 2);
    QVERIFY(!r.err.isEmpty());
}

void TestCli::unreachableInstrument()
{
    const QString missing = m_dir.filePath(QStringLiteral("nothing-here"));
    CliRun r = runCli({ QStringLiteral("check"), QStringLiteral("--port"), missing }, m_ports);
    QCOMPARE(r.exitCode, 3);
    QVERIFY(r.err.contains(missing));
    r = runCli({ QStringLiteral("read"), QStringLiteral("--port"), missing, QStringLiteral("--out"),
                   m_dir.filePath(QStringLiteral("never.txt")) },
        m_ports);
    QCOMPARE(r.exitCode, 3);
    QVERIFY(!QFileInfo::exists(m_dir.filePath(QStringLiteral("never.txt"))));
    // A silent instrument is unreachable too.
    QVERIFY(m_sim->start({ QStringLiteral("--silent") }));
    r = runCli({ QStringLiteral("check"), QStringLiteral("--port"), m_sim->port() }, m_ports);
    QCOMPARE(r.exitCode, 3);
}

void TestCli::refusedFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("256 channels") << planText(256);
    QTest::newRow("no channel") << planText(0);
    QTest::newRow("not a number") << QByteArray(
        "cap\r\nID\tCHName\tTYPE\tFREQ\tAUDIO\t\r\n1\tA\tTV\tabc\t6.5\t\r\n");
}

void TestCli::refusedFiles()
{
    QFETCH(QByteArray, content);
    const QString in = m_dir.filePath(QStringLiteral("refused.txt"));
    QVERIFY(writeFile(in, content));
    const QString before = m_dir.filePath(QStringLiteral("before.txt"));
    QCOMPARE(runCli({ QStringLiteral("read"), QStringLiteral("--port"), m_sim->port(),
                        QStringLiteral("--out"), before },
                 m_ports)
                 .exitCode,
        0);
    const CliRun r = runCli({ QStringLiteral("send"), QStringLiteral("--port"), m_sim->port(),
                                QStringLiteral("--in"), in },
        m_ports);
    QCOMPARE(r.exitCode, 4);
    QVERIFY(!r.err.isEmpty());
    const QString after = m_dir.filePath(QStringLiteral("after.txt"));
    QCOMPARE(runCli({ QStringLiteral("read"), QStringLiteral("--port"), m_sim->port(),
                        QStringLiteral("--out"), after },
                 m_ports)
                 .exitCode,
        0);
    QFile a(before), b(after);
    QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    QCOMPARE(b.readAll(), a.readAll());
    // A missing file is refused the same way.
    QCOMPARE(runCli({ QStringLiteral("send"), QStringLiteral("--port"), m_sim->port(),
                        QStringLiteral("--in"), m_dir.filePath(QStringLiteral("missing.txt")) },
                 m_ports)
                 .exitCode,
        4);
}

void TestCli::sendThenReadGivesThePlanInFrequencyOrder()
{
    const QString in = m_dir.filePath(QStringLiteral("plan.txt"));
    QVERIFY(writeFile(in, planText(255)));
    CliRun r = runCli({ QStringLiteral("send"), QStringLiteral("--port"), m_sim->port(),
                          QStringLiteral("--in"), in },
        m_ports);
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.contains(QLatin1String("255")));
    const QString out = m_dir.filePath(QStringLiteral("read.txt"));
    r = runCli({ QStringLiteral("read"), QStringLiteral("--port"), m_sim->port(),
                   QStringLiteral("--out"), out },
        m_ports);
    QCOMPARE(r.exitCode, 0);
    QFile f(out);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    // Caption, header, then the rows renumbered in frequency order: the
    // file's last row (lowest frequency) comes first.
    QVERIFY(lines.size() > 257);
    QCOMPARE(lines[2].trimmed(), QByteArray("1\tC55\tTV\t135.25\t6.5"));
    QCOMPARE(lines[256].trimmed(), QByteArray("255\tC1\tTV\t897.25\t6.5"));
    QVERIFY(lines[257].startsWith('*') && lines[257].trimmed().endsWith("\t4"));
    QVERIFY(lines[263].trimmed().endsWith("\tdBuV"));
    QVERIFY(lines[264].trimmed().endsWith("\t7"));
}

void TestCli::panelFromOptions()
{
    CliRun r = runCli({ QStringLiteral("send-panel"), QStringLiteral("--port"), m_sim->port(),
                          QStringLiteral("--favorites"), QStringLiteral("11,12,13,14,15,16"),
                          QStringLiteral("--unit"), QStringLiteral("dBuV"),
                          QStringLiteral("--span"), QStringLiteral("5.5") },
        m_ports);
    QCOMPARE(r.exitCode, 0);
    const QString out = m_dir.filePath(QStringLiteral("panel.txt"));
    QCOMPARE(runCli({ QStringLiteral("read"), QStringLiteral("--port"), m_sim->port(),
                        QStringLiteral("--out"), out },
                 m_ports)
                 .exitCode,
        0);
    QFile f(out);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QList<QByteArray> stars;
    for (const QByteArray &l : f.readAll().split('\n')) {
        if (l.startsWith('*'))
            stars.append(l.trimmed().split('\t').last());
    }
    // 5.5 goes to the even neighbour, 6.
    QCOMPARE(stars, (QList<QByteArray> { "11", "12", "13", "14", "15", "16", "dBuV", "6" }));
}

void TestCli::refusedWriteIsATransferFailure()
{
    QVERIFY(m_sim->start({ QStringLiteral("--refuse-writes") }));
    const QString in = m_dir.filePath(QStringLiteral("plan5.txt"));
    QVERIFY(writeFile(in, planText(5)));
    const CliRun r = runCli({ QStringLiteral("send"), QStringLiteral("--port"), m_sim->port(),
                                QStringLiteral("--in"), in },
        m_ports);
    QCOMPARE(r.exitCode, 5);
    QVERIFY(r.err.contains(QLatin1String("refuse")));
}

QTEST_MAIN(TestCli)
#include "tst_cli.moc"
