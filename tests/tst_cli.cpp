// plandor-cli against the simulated instrument: results and exit codes, and
// what it refuses before it touches the port.

#include "CliRun.h"
#include "SimProcess.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using plandor::test::SimProcess;

namespace {

const QByteArray kHeader = "  CH No\r\nID\tCHName\tTYPE\tFREQ\tAUDIO\t\r\n";
const QByteArray kPanel
    = "*\t4\r\n*\t5\r\n*\t6\r\n*\t7\r\n*\t8\r\n*\t9\r\n*Unit\tdBuV\r\n*Span\t7\r\n";

// A plan text file with n channels, ID order not frequency order.
QByteArray planText(int n)
{
    QByteArray text = kHeader;
    for (int i = 1; i <= n; ++i)
        text += QByteArray::number(i) + "\tC" + QByteArray::number(i % 100) + "\tTV\t"
            + QByteArray::number(900 - 3 * i) + ".25\t6.5\t\r\n";
    return text + kPanel;
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<SimProcess> m_sim; // sets PLANDOR_PORTS_DIR for plandor-cli too
    mutable QString m_out, m_err;

    // PORT is the instrument's port; @name a file in the test's folder.
    QString path(const QString &word) const
    {
        return word == "PORT"      ? m_sim->port()
            : word.startsWith('@') ? m_dir.filePath(word.mid(1))
                                   : word;
    }

    // Runs plandor-cli, with @in holding in unless that is null; its exit code
    // (negative if it did not finish), m_out and m_err.
    int cli(const QString &arguments, const QByteArray &in = {}) const
    {
        QFile f(path("@in"));
        if (!in.isNull() && !(f.open(QFile::WriteOnly) && f.write(in) == in.size() && f.flush()))
            return -2;
        QStringList list = arguments.split(' ', Qt::SkipEmptyParts);
        std::transform(list.begin(), list.end(), list.begin(), [this](auto &w) { return path(w); });
        const plandor::test::CliResult r = plandor::test::runCli(list);
        m_out = r.out;
        m_err = r.err;
        return r.code;
    }

    // The instrument's plan as "read" writes it (@out, removed again);
    // empty if it fails.
    QByteArray readBack() const
    {
        QFile f(path("@out"));
        const bool read = cli("read --port PORT --out @out") == 0 && f.open(QIODevice::ReadOnly);
        const QByteArray bytes = read ? f.readAll() : QByteArray();
        f.remove();
        return bytes;
    }

private slots:
    void init()
    {
        m_sim.reset(new SimProcess(m_dir.filePath("state"), m_dir.filePath("ports")));
        QVERIFY2(m_sim->start(), "PLANDOR_SIM does not start");
    }

    void portsListsTheNewestInstrumentLast()
    {
        QCOMPARE(cli("ports"), 0);
        QCOMPARE(QFileInfo(m_out.trimmed().section('\n', -1)).symLinkTarget(), m_sim->port());
    }

    // plandor-cli's arguments | the instrument's; what @in holds; the exit
    // code; what the message names (by default the port or file at fault, the
    // last argument).
    void failure_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QByteArray>("in");
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("reasons");
        const QByteArray none;
        const QString panel = QStringLiteral("send-panel --port PORT --favorites ");
        const QString send = QStringLiteral("send --port PORT --in ");
        auto add = [](const char *name, const QString &arguments, const QByteArray &in, int code,
                       const QStringList &reasons = {}) {
            QTest::newRow(name) << arguments << in << code << reasons;
        };
        add("no command", "", none, 2, { "" });
        add("read without file", "read --port PORT", none, 2, { "" });
        add("unit", panel + "1,2 --unit dB --span 8", none, 2, { "unit \"dB\"" });
        add("7 favourites", panel + "1,2,3,4,5,6,7 --unit dBmV --span 8", none, 2, { "up to six" });
        add("span 3.9", panel + "1 --unit dBmV --span 3.9", none, 2, { "--span" });
        add("COM0", "check --port COM0", none, 2, { "COMn" });
        add("blank port", "check --port \t", none, 2, { "--port" });
        add("no such port", "read --out @out --port @none", none, 3);
        add("silent instrument", "check --port PORT | --silent", none, 3);
        add("256 channels", send + "@in", planText(256), 4);
        add("not a number", send + "@in", planText(1).replace("897", "x"), 4);
        add("no file", send + "@none", none, 4);
        add("FIFO", send + "@fifo", none, 4, { "not a regular file" });
        add("refused rows, by line", send + "@in",
            kHeader
                + "1\tA\tTV\t55.25\t6.5\t\r\n2\tABCD\tTV\t63.25\t6.5\t\r\n"
                  "3\tS1\tDUAL\t474\t8\t\r\n4\tS2\tTV\t0\t6.5\t\r\n"
                + kPanel,
            4,
            { "line 4: channel \"ABCD\": Must be from 1 to 3",
                "line 5: channel \"S1\": The 'Type' is error", "line 6: channel \"S2\": 'FREQ'" });
        add("favourite 999 in the file", send + "@in",
            kHeader + "1\tA\tTV\t55.25\t6.5\t\r\n*\t999\r\n", 4, { "favourite 1 \"999\"" });
        add("writes refused", send + "@in | --refuse-writes", planText(5), 5, { "refuse" });
    }

    // The exit code and the message; nothing written, the instrument's plan
    // kept.
    void failure()
    {
        QFETCH(QString, arguments);
        QFETCH(QByteArray, in);
        QFETCH(int, code);
        QFETCH(QStringList, reasons);
        ::mkfifo(QFile::encodeName(path("@fifo")).constData(), 0600);
        const QStringList instrument = arguments.section(" | ", 1).split(' ', Qt::SkipEmptyParts);
        QVERIFY(m_sim->start(instrument));
        arguments = arguments.section(" | ", 0, 0);
        const QByteArray before = readBack();
        QVERIFY(!before.isEmpty() || instrument.contains("--silent"));
        QCOMPARE(cli(arguments, in), code);
        if (reasons.isEmpty())
            reasons = QStringList { path(arguments.section(' ', -1)) };
        QVERIFY(!m_err.isEmpty());
        for (const QString &reason : reasons)
            QVERIFY2(m_err.contains(reason), qPrintable(m_err));
        QVERIFY(!QFileInfo::exists(path("@out")));
        QCOMPARE(readBack(), before);
    }

    // Sent, read back in frequency order and renumbered; then the panel
    // alone, from options, leaves the channels.
    void sendThenRead()
    {
        QCOMPARE(cli("send --port PORT --in @in", planText(255)), 0);
        QVERIFY(m_out.contains("255"));
        const QList<QByteArray> lines = readBack().split('\n');
        QVERIFY(lines.size() > 264);
        QCOMPARE(lines[2].trimmed(), QByteArray("1\tC55\tTV\t135.25\t6.5"));
        QCOMPARE(lines[256].trimmed(), QByteArray("255\tC1\tTV\t897.25\t6.5"));
        QVERIFY(lines[257].startsWith('*') && lines[257].trimmed().endsWith("\t4"));
        QVERIFY(lines[263].trimmed().endsWith("\tdBuV") && lines[264].trimmed().endsWith("\t7"));

        QCOMPARE(
            cli("send-panel --port PORT --favorites 11,12,13,14,15,16 --unit dBmV --span 5.5"), 0);
        QList<QByteArray> after = readBack().split('\n');
        QCOMPARE(after.first(257), lines.first(257));
        for (QByteArray &l : after)
            l = l.trimmed().split('\t').last();
        // 5.5 MHz goes to the even neighbour, 6.
        const QList<QByteArray> panel { "11", "12", "13", "14", "15", "16", "dBmV", "6" };
        QCOMPARE(after.mid(257, 8), panel);

        // A file with a blank panel, as a converted table gives, leaves the
        // instrument's panel as it was.
        QCOMPARE(cli("send --port PORT --in @in",
                     planText(3).replace(kPanel,
                         "*\t\r\n*\t\r\n*\t\r\n*\t\r\n*\t\r\n*\t\r\n"
                         "*Unit\t\r\n*Span\t0\r\n")),
            0);
        QVERIFY(m_out.contains("kept its own"));
        after = readBack().split('\n');
        QCOMPARE(after[4].trimmed(), QByteArray("3\tC1\tTV\t897.25\t6.5"));
        for (QByteArray &l : after)
            l = l.trimmed().split('\t').last();
        QCOMPARE(after.mid(5, 8), panel);
    }
};

QTEST_MAIN(TestCli)
#include "tst_cli.moc"
