// plandor-cli against the simulated instrument: results and exit codes, and
// what it refuses before it touches the port.

#include "CliRun.h"
#include "SimProcess.h"
#include "SmallDisk.h"

#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace plandor::test;

namespace {

// The eight panel lines with these values, labelled as an English run writes them.
QByteArray panelLines(const QList<QByteArray> &values)
{
    const char *const labels[]
        = { "1st Favorite CH  ID", "2nd Favorite CH  ID", "3rd Favorite CH ID",
              "4th Favorite CH  ID", "5th Favorite CH  ID", "6th Favorite CH  ID", "Unit", "Span" };
    QByteArray lines;
    for (int i = 0; i < 8; ++i)
        lines += '*' + QByteArray(labels[i]) + '\t' + values.value(i) + "\r\n";
    return lines;
}

const QByteArray kPanel = panelLines({ "4", "5", "6", "7", "8", "9", "dBuV", "7" });

// A plan text file with n channels, ID order not frequency order.
QByteArray planText(int n)
{
    QByteArray text = "  CH No\r\nID\tCHName\tTYPE\tFREQ\tAUDIO\t\r\n";
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
    // Its ports folder is plandor-cli's too (PLANDOR_PORTS_DIR).
    SimProcess m_sim { m_dir.filePath("state"), m_dir.filePath("ports") };
    mutable CliResult m_last;

    // PORT is the instrument's port; @name a file in the test's folder.
    QString path(const QString &word) const
    {
        return word == "PORT"      ? m_sim.port()
            : word.startsWith('@') ? m_dir.filePath(word.mid(1))
                                   : word;
    }

    // Runs plandor-cli (into m_last), with @in holding in unless that is
    // null; its exit code (negative if it did not finish).
    int cli(const QString &arguments, const QByteArray &in = {},
        const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment()) const
    {
        QFile f(path("@in"));
        if (!in.isNull() && !(f.open(QFile::WriteOnly) && f.write(in) == in.size() && f.flush()))
            return -2;
        QStringList words;
        for (const QString &word : arguments.split(' ', Qt::SkipEmptyParts))
            words << path(word);
        return (m_last = runCli(words, env)).code;
    }

    // The one JSON document m_last's standard output holds; empty if it
    // holds anything else.
    QJsonObject json() const
    {
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(m_last.out.toUtf8(), &error);
        return error.error == QJsonParseError::NoError ? document.object() : QJsonObject();
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
    // plandor-cli's arguments | the instrument's; what @in holds; the exit
    // code; what the message names (by default the port or file at fault, the
    // last argument). The rules themselves are tst_rules', the file format
    // tst_planfile's: here each way into them once.
    void failure_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QByteArray>("in");
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("reasons");
        const QString panel = QStringLiteral("send-panel --port PORT --favorites ");
        const QString send = QStringLiteral("send --port PORT --in ");
        auto add = [](const char *name, const QString &arguments, const QByteArray &in, int code,
                       const QStringList &reasons = {}) {
            QTest::newRow(name) << arguments << in << code << reasons;
        };
        add("no command", "", {}, 2, { "one command" });
        add("read without file", "read --port PORT", {}, 2, { "--out" });
        add("unit", panel + "1,2 --unit dB --span 8", {}, 2, { "unit \"dB\"" });
        add("7 favourites", panel + "1,2,3,4,5,6,7 --unit dBmV --span 8", {}, 2, { "up to six" });
        // The instrument keeps whole MHz: what it would not keep as given is refused.
        add("span 8.5", panel + "1,2 --unit dBmV --span 8.5", {}, 2, { "bandwidth \"8.5\"" });
        add("span 9.9", panel + "1,2 --unit dBmV --span 9.9", {}, 2, { "whole number of MHz" });
        add("baud not listed", "check --port PORT --baud 99999999", {}, 2,
            { "\"99999999\"", "4800, 9600, 14400, 19200, 38400, 56000, 115200, 128000, 256000" });
        add("COM0", "check --port COM0", {}, 2, { "COMn" });
        add("blank port", "check --port \t", {}, 2, { "--port" });
        add("no such port", "read --out @out --port @none", {}, 3);
        // What a rename cannot replace is refused before anything is written.
        QVERIFY(QDir(m_dir.path()).mkpath("folder"));
        QVERIFY(QFileInfo::exists(m_dir.filePath("fifo"))
            || ::mkfifo(QFile::encodeName(m_dir.filePath("fifo")).constData(), 0600) == 0);
        for (const char *target : { "/dev/full", "@fifo", "@folder" })
            add(target, QStringLiteral("read --port PORT --out ") + target, {}, 4,
                { "not a regular file" });
        add("256 channels", send + "@in", planText(256), 4);
        add("no file", send + "@none", {}, 4);
        add("refused rows, by line", send + "@in",
            planText(3).replace("\tC2\t", "\tABCD\t").replace("\tC3\tTV", "\tC3\tDUAL"), 4,
            { "line 4: channel \"ABCD\": Must be from 1 to 3",
                "line 5: channel \"C3\": The 'Type'" });
        add("a name of a megabyte, quoted cut", send + "@in",
            planText(1).replace("\tC1\t", '\t' + QByteArray(1 << 20, 'N') + '\t'), 4,
            { "channel \"" + QString(40, 'N') + "\u2026 (1048576 characters)\"" });
        add("favourite 999 in the file", send + "@in",
            planText(1).replace("CH  ID\t4\r", "CH  ID\t999\r"), 4, { "favourite 1 \"999\"" });
        add("panel lines but the unit and span", send + "@in",
            planText(1).replace(kPanel, "*Unit\tdBmV\r\n*Span\t8\r\n"), 4,
            { "\"*1st Favorite CH  ID\" is missing" });
        add("panel of a file without one", "send-panel --port PORT --in @in",
            planText(1).replace(kPanel, ""), 4, { "no settings panel" });
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
        QVERIFY(m_sim.start(arguments.section(" | ", 1).split(' ', Qt::SkipEmptyParts)));
        arguments = arguments.section(" | ", 0, 0);
        const QByteArray before = readBack();
        QVERIFY(!before.isEmpty());
        QCOMPARE(cli(arguments, in), code);
        for (const QString &reason :
            reasons.isEmpty() ? QStringList { path(arguments.section(' ', -1)) } : reasons)
            QVERIFY2(m_last.err.contains(reason), qPrintable(m_last.err));
        QVERIFY(!QFileInfo::exists(path("@out")));
        QCOMPARE(readBack(), before);
    }

    // A write onto a full disk fails with exit 4 and leaves the old file
    // whole, with no temporary file beside it.
    void fullDisk_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::newRow("read") << "read --port PORT --out @disk/keep.txt";
        QTest::newRow("convert") << "convert --in @in --out @disk/keep.csv";
    }
    void fullDisk()
    {
        QFETCH(QString, arguments);
        QVERIFY(m_sim.start());
        QVERIFY(QDir(m_dir.path()).mkpath("disk"));
        const SmallDisk disk(m_dir.filePath("disk"));
        if (!disk.mounted())
            QSKIP(qPrintable(disk.why()));
        const QString kept = path(arguments.section(' ', -1));
        QFile old(kept);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        old.close();
        QVERIFY(disk.fill());
        QCOMPARE(cli(arguments, planText(3)), 4);
        QVERIFY2(m_last.err.contains(kept), qPrintable(m_last.err));
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("old"));
        QCOMPARE(QDir(m_dir.filePath("disk")).entryList(QDir::Files),
            QStringList({ "filler", QFileInfo(kept).fileName() }));
    }

    // The ports folder without $XDG_RUNTIME_DIR lies in the temporary folder
    // ($TMPDIR here), where another user may have made it first: the
    // simulator publishes into it, and "ports" lists from it, only when it is
    // a folder of this user's that no one else may write to, and never a link
    // that another user planted. What is refused is named.
    void portsFolder_data()
    {
        QTest::addColumn<QString>("made"); // what lies at the folder's path first
        QTest::addColumn<bool>("listed"); // the simulator's link
        QTest::addColumn<QString>("refusal");
        QTest::newRow("nothing: made 0700") << "" << true << "";
        QTest::newRow("a folder of mode 0777") << "0777" << false << "written to by other users";
        QTest::newRow("a link to a folder") << "link" << false << "is a link";
        QTest::newRow("another user's folder") << "other" << false << "belongs to another user";
        QTest::newRow("another user's link in it") << "other link" << true << "";
    }
    void portsFolder()
    {
        QFETCH(QString, made);
        QFETCH(bool, listed);
        QFETCH(QString, refusal);
        if (made.startsWith("other") && ::geteuid() != 0)
            QSKIP("only root makes files that belong to another user");
        QTemporaryDir temp;
        const QString folder = temp.filePath("plandor-ports-" + QString::number(::getuid()));
        const QByteArray native = QFile::encodeName(folder);
        // Planted by someone else: a port that must never be offered.
        const QString planted = folder + "/0000000000001-planted-"
            + QString::number(QCoreApplication::applicationPid());
        if (!made.isEmpty()) {
            const QString real = made == "link" ? temp.filePath("real") : folder;
            QCOMPARE(::mkdir(QFile::encodeName(real).constData(), 0700), 0);
            if (made == "link")
                QVERIFY(QFile::link(real, folder));
            QVERIFY(QFile::link("/dev/null", planted));
            if (made.startsWith("other"))
                QCOMPARE(::lchown(QFile::encodeName(planted).constData(), 65534, 65534), 0);
            if (made == "0777")
                QCOMPARE(::chmod(native.constData(), 0777), 0);
            if (made == "other")
                QCOMPARE(::chown(native.constData(), 65534, 65534), 0);
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("PLANDOR_PORTS_DIR");
        env.remove("XDG_RUNTIME_DIR");
        env.insert("TMPDIR", temp.path());
        QProcess sim;
        sim.setProcessEnvironment(env);
        sim.setProcessChannelMode(QProcess::MergedChannels);
        sim.start(qEnvironmentVariable("PLANDOR_SIM"), { "--state", temp.filePath("state") });
        QString said;
        while (!said.contains("port: ") && sim.waitForReadyRead(scaledMs(5000)))
            said += QString::fromLocal8Bit(sim.readAll());
        const QString port = said.section("port: ", 1).section('\n', 0, 0).trimmed();
        QVERIFY2(!port.isEmpty(), qPrintable(said));
        const CliResult ports = runCli({ "ports" }, env);
        sim.terminate();
        sim.waitForFinished();
        QCOMPARE(ports.code, 0);
        QCOMPARE(ports.out.contains("simulated-instrument"), listed);
        QVERIFY2(!ports.out.contains("planted"), qPrintable(ports.out));
        if (refusal.isEmpty()) {
            QVERIFY2(ports.err.isEmpty(), qPrintable(ports.err));
            struct stat info
            {
            };
            QCOMPARE(::lstat(native.constData(), &info), 0);
            QCOMPARE(info.st_mode & 07777, mode_t(0700));
        } else {
            for (const QString &told : { said, ports.err })
                QVERIFY2(told.contains(folder) && told.contains(refusal), qPrintable(told));
        }
    }

    // check-plan lists what send refuses, at most 50 lines and then how many
    // more there are; refused files on stderr.
    void checkPlan_data()
    {
        QTest::addColumn<QByteArray>("in");
        QTest::addColumn<int>("lines"); // on stdout
        QTest::addColumn<QString>("reason"); // in the last line of stdout, or in stderr
        QByteArray refused = planText(0);
        for (int i = 1; i <= 80; ++i)
            refused += QByteArray::number(i) + "\tX" + QByteArray::number(i) + "\tXX\t"
                + QByteArray::number(100 + 10 * i) + ".25\t6.5\t\r\n";
        QTest::newRow("80 channels of no type") << refused << 51 << "and 30 more";
        QTest::newRow("favourite 999")
            << planText(1).replace("CH  ID\t4\r", "CH  ID\t999\r") << 1 << "favourite 1 \"999\"";
        QTest::newRow("no channel") << planText(0) << 1 << "no channel";
        QTest::newRow("panel lines but the unit and span")
            << planText(1).replace(kPanel, "*Unit\tdBmV\r\n*Span\t8\r\n") << 0 << "is missing";
    }
    void checkPlan()
    {
        QFETCH(QByteArray, in);
        QFETCH(int, lines);
        QFETCH(QString, reason);
        QCOMPARE(cli("check-plan --in @in", in), 4);
        const QStringList out = m_last.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(out.size(), lines);
        const QString said = lines ? out.last() : m_last.err;
        QVERIFY2(said.contains(reason), qPrintable(m_last.out + m_last.err));
    }

    // Listed by "ports"; sent, read back in frequency order and renumbered;
    // then the panel alone, from options, leaves the channels.
    // "-" is standard input and output: a plan goes through a pipe as it
    // would through a file, and a full disk behind the redirection fails.
    void standardStreams()
    {
        QCOMPARE(cli("convert --in @in --out @plan.txt", planText(3)), 0);
        const auto convert = [](const QStringList &arguments, const QByteArray &input,
                                 const QString &outputFile = {}) {
            QProcess p;
            if (!outputFile.isEmpty())
                p.setStandardOutputFile(outputFile);
            p.start(qEnvironmentVariable("PLANDOR_CLI"), arguments);
            p.write(input);
            p.closeWriteChannel();
            p.waitForFinished(60000);
            return std::pair(p.exitCode(), p.readAllStandardOutput());
        };
        QFile file(path("@plan.txt"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QCOMPARE(convert({ "convert", "--in", "-", "--out", "-" }, bytes), std::pair(0, bytes));
        QVERIFY(convert({ "check-plan", "--in", "-" }, planText(3).replace("\tC2\t", "\tC1\t"))
                    .second.contains("Name \"C1\" is used more than once"));
        QCOMPARE(
            convert({ "convert", "--in", path("@plan.txt"), "--out", "-" }, {}, "/dev/full").first,
            4);
    }

    // --json: one document on standard output, errors beside it. Against an
    // instrument on a 9600 baud line, the default rate, which garbles any other.
    void jsonOutput()
    {
        QVERIFY(m_sim.start({ "--baud", "9600" }));
        QCOMPARE(cli("send --port PORT --in @in", planText(3)), 0);
        QCOMPARE(cli("ports --json"), 0);
        const QJsonArray ports = json().value("ports").toArray();
        QVERIFY2(!ports.isEmpty(), qPrintable(m_last.out));
        QCOMPARE(QFileInfo(ports.last().toString()).symLinkTarget(), m_sim.port());
        // The probe finds the instrument on its port, at its rate, by name.
        QCOMPARE(cli("ports --probe --baud 4800 --json"), 0);
        const QJsonObject found = json().value("probed").toArray().last().toObject();
        QVERIFY2(found.value("answered").toBool() && found.value("rate").toInt() == 9600
                && found.value("identity").toString() == "Simulated meter SIM-0001",
            qPrintable(m_last.out));

        QCOMPARE(cli("read --port PORT --json"), 0);
        const QJsonObject plan = json();
        const QJsonArray channels = plan.value("channels").toArray();
        QCOMPARE(channels.size(), 3);
        QCOMPARE(channels.first().toObject(),
            QJsonObject({ { "number", 1 }, { "name", "C3" }, { "type", "TV" },
                { "frequencyMHz", 891.25 }, { "audioMHz", 6.5 } }));
        QCOMPARE(plan.value("panel").toObject(),
            QJsonObject({ { "favorites", QJsonArray { 4, 5, 6, 7, 8, 9 } }, { "unit", "dBuV" },
                { "bandwidthMHz", 7 } }));
        QVERIFY2(m_last.err.isEmpty(), qPrintable(m_last.err));

        QCOMPARE(
            cli("diff --port PORT --in @in --json", planText(3).replace("894.25", "880.25")), 1);
        const QJsonArray changes = json().value("channels").toArray();
        QCOMPARE(changes.size(), 1);
        const QJsonObject change = changes.first().toObject();
        QCOMPARE(change.value("fields").toArray(), QJsonArray { "frequency" });
        QCOMPARE(change.value("before")["frequencyMHz"].toDouble(), 894.25);
        QCOMPARE(change.value("after")["frequencyMHz"].toDouble(), 880.25);
        QCOMPARE(json().value("from")["port"].toString(), m_sim.port());

        QCOMPARE(cli("check-plan --in @in --json", planText(3).replace("\tC2\t", "\tC1\t")), 4);
        const QJsonObject finding = json().value("findings")[0].toObject();
        QCOMPARE(finding.value("kind").toString(), "duplicateName");
        QCOMPARE(finding.value("rows").toArray(), QJsonArray({ 1, 2 }));
        QCOMPARE(cli("convert --in @in --out @x.csv --json"), 2);

        // --quiet: the plan alone, no report of it.
        QCOMPARE(cli("read --port PORT --out -"), 0);
        QVERIFY(m_last.err.contains("read 3 channels into standard output"));
        QCOMPARE(cli("read --port PORT --out - --quiet"), 0);
        QVERIFY(m_last.out.contains("C3\tTV\t891.25"));
        QVERIFY2(m_last.err.isEmpty(), qPrintable(m_last.err));
    }

    // A Chinese run speaks Chinese, its own words and the core's; the shell
    // completes commands and ports from what plandor-cli says.
    void languageAndCompletion()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("LC_ALL");
        env.remove("LC_MESSAGES");
        env.insert("LANG", "zh_CN.UTF-8");
        QCOMPARE(cli("check --port COM0", {}, env), 2);
        QVERIFY2(
            m_last.err.contains("--port COMn 中的 n 须在 1 到 256 之间"), qPrintable(m_last.err));
        QVERIFY(m_sim.start());
        QCOMPARE(cli("send --port PORT --in @in", planText(256), env), 4);
        QVERIFY2(m_last.err.contains("被拒绝：\n  频道表有 256 个频道"), qPrintable(m_last.err));

        const QString script = QFINDTESTDATA("../packaging/completion/plandor-cli");
        QVERIFY(!script.isEmpty());
        QProcess bash;
        bash.start("bash",
            { "-c",
                "source \"$0\"; complete() { COMP_WORDS=(\"$PLANDOR_CLI\" \"$@\"); "
                "COMP_CWORD=$#; _plandor_cli; printf '%s\\n' \"${COMPREPLY[@]}\"; }; "
                "complete se; complete check --port ''",
                script });
        QVERIFY(bash.waitForFinished(60000));
        const QStringList offered
            = QString::fromLocal8Bit(bash.readAllStandardOutput()).split('\n');
        QCOMPARE(offered.mid(0, 2), QStringList({ "send", "send-panel" }));
        QVERIFY2(QFileInfo(offered.value(offered.size() - 2)).symLinkTarget() == m_sim.port(),
            qPrintable(offered.join(' ')));
    }

    // For support: --trace keeps every frame both ways, decoded and in hex.
    void trace()
    {
        QVERIFY(m_sim.start());
        QCOMPARE(cli("check --port PORT --trace @trace.log"), 0);
        QFile file(path("@trace.log"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray log = file.readAll();
        QVERIFY2(log.contains("plandor.link: sent Hello seq ") && log.contains(" wire 00 09 01 ")
                && log.contains("plandor.link: received HelloReply seq "),
            log.constData());
        QCOMPARE(cli("check --port PORT --trace @folder/none/trace.log"), 2);
    }

    // Each program says its version without a window, a port or a display.
    void versions()
    {
        const QString folder = QFileInfo(qEnvironmentVariable("PLANDOR_CLI")).path();
        for (const QString name : { "plandor", "plandor-cli", "plandor-sim" }) {
            QProcess p;
            p.start(folder + QLatin1Char('/') + name, { QStringLiteral("--version") });
            QVERIFY(p.waitForFinished(60000) && p.exitCode() == 0);
            const QString said = QString::fromLatin1(p.readAllStandardOutput());
            QVERIFY2(QRegularExpression(
                         QStringLiteral("^%1 \\d+\\.\\d+ \\(Qt 6\\.\\d+\\.\\d+\\)\n$").arg(name))
                         .match(said)
                         .hasMatch(),
                qPrintable(said));
        }
    }

    void sendThenRead()
    {
        QVERIFY2(m_sim.start(), "PLANDOR_SIM does not start");
        QCOMPARE(cli("ports"), 0); // the newest instrument last
        QCOMPARE(QFileInfo(m_last.out.trimmed().section('\n', -1)).symLinkTarget(), m_sim.port());
        // The last fields of the eight panel lines from the first one on.
        const auto panelAt = [](const QList<QByteArray> &lines, int first) {
            QList<QByteArray> fields;
            for (const QByteArray &line : lines.mid(first, 8))
                fields.append(line.trimmed().split('\t').last());
            return fields;
        };
        QCOMPARE(cli("send --port PORT --in @in", planText(255)), 0);
        QVERIFY(m_last.out.contains("255"));
        const QList<QByteArray> lines = readBack().split('\n');
        QCOMPARE(lines.value(2).trimmed(), QByteArray("1\tC55\tTV\t135.25\t6.5"));
        QCOMPARE(lines.value(256).trimmed(), QByteArray("255\tC1\tTV\t897.25\t6.5"));
        QCOMPARE(
            panelAt(lines, 257), (QList<QByteArray> { "4", "5", "6", "7", "8", "9", "dBuV", "7" }));

        QCOMPARE(
            cli("send-panel --port PORT --favorites 11,12,13,14,15,16 --unit dBmV --span 10"), 0);
        const QByteArray readPlan = readBack();
        QList<QByteArray> after = readPlan.split('\n');
        QCOMPARE(after.mid(0, 257), lines.mid(0, 257));
        // 10 MHz, what the window's 9.9 goes out as, is sent back as it was read.
        const QList<QByteArray> panel { "11", "12", "13", "14", "15", "16", "dBmV", "10" };
        QCOMPARE(panelAt(after, 257), panel);
        QCOMPARE(cli("send-panel --port PORT --in @in", readPlan), 0);
        QCOMPARE(cli("send --port PORT --in @in", readPlan), 0);
        QCOMPARE(readBack(), readPlan);
        cli("check-plan --in @in", readPlan); // the plan's own overlaps are listed
        QVERIFY2(
            !(m_last.out + m_last.err).contains("bandwidth"), qPrintable(m_last.out + m_last.err));

        // A file with a blank panel, as a converted table gives, leaves the
        // instrument's panel as it was.
        QCOMPARE(cli("send --port PORT --in @in",
                     planText(3).replace(kPanel, panelLines({ {}, {}, {}, {}, {}, {}, {}, "0" }))),
            0);
        QVERIFY(m_last.out.contains("kept its own"));
        after = readBack().split('\n');
        QCOMPARE(after.value(4).trimmed(), QByteArray("3\tC1\tTV\t897.25\t6.5"));
        QCOMPARE(panelAt(after, 5), panel);
    }
};

QTEST_MAIN(TestCli)
#include "tst_cli.moc"
