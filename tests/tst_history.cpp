// The history of transferred plans: one entry per transfer, with what went
// over the link, the newest 200 kept.

#include "CliRun.h" // with the plan file and the history
#include "SimProcess.h"
#include "SmallDisk.h"
#include "TempStore.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace plandor;
using namespace plandor::test;

namespace {

ChannelValues channel(int id, const QString &name, double freq)
{
    return TempStore::row(id, name, QStringLiteral("TV"), freq, 6.5);
}

const PanelTexts kSentPanel { { "1", "2", "3", "4", "5", "6" }, "dBmV", "8" };

} // namespace

class TestHistory : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        PlanHistory::setFolder(m_dir->filePath(QStringLiteral("history")));
    }
    void cleanup() { PlanHistory::setFolder(QString()); }

    // Each entry names its direction and instrument (any characters), counts
    // its channels and loads as the plan that travelled, numbered 1..n in
    // the order it travelled.
    void entriesHoldWhatTravelled()
    {
        const QList<ChannelValues> sent = { channel(7, "B", 63.25), channel(3, "A", 55.25) };
        const QString odd = QStringLiteral("Meter/2 \"中\" 50%");
        QVERIFY(PlanHistory::record(PlanHistory::Direction::Sent, odd, sent, kSentPanel));
        QVERIFY(PlanHistory::record(
            PlanHistory::Direction::Received, QString(), { channel(1, "X", 800) }, {}));

        const QList<PlanHistory::Entry> entries = PlanHistory::entries();
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries[0].direction, PlanHistory::Direction::Received); // newest first
        QCOMPARE(entries[0].channelCount, 1);
        QCOMPARE(entries[1].direction, PlanHistory::Direction::Sent);
        QCOMPARE(entries[1].instrument, odd);
        QCOMPARE(entries[1].channelCount, 2);
        QVERIFY(qAbs(entries[0].time.secsTo(QDateTime::currentDateTimeUtc())) < 60);

        PlanFileContent content;
        QVERIFY(PlanHistory::load(entries[1], content, nullptr));
        QCOMPARE(
            content.rows, QList<ChannelValues>({ channel(1, "B", 63.25), channel(2, "A", 55.25) }));
        QCOMPARE(content.panel, std::optional(kSentPanel));
    }

    // The 201st entry drops the oldest; files that are not entries stay.
    void keepsTheNewest200()
    {
        const QString notes = PlanHistory::folder() + "/notes.txt";
        QVERIFY(QDir().mkpath(PlanHistory::folder()) && QFile(notes).open(QIODevice::WriteOnly));
        const int total = PlanHistory::kKeptEntries + 5;
        for (int n = 1; n <= total; ++n)
            QVERIFY(PlanHistory::record(PlanHistory::Direction::Received, "M",
                QList<ChannelValues>(n % 50 + 1, channel(1, "C", 55.25)), {}));
        const QList<PlanHistory::Entry> entries = PlanHistory::entries();
        QCOMPARE(entries.size(), PlanHistory::kKeptEntries);
        // Newest first: the last recorded had total % 50 + 1 channels.
        for (int k = 0; k < entries.size(); ++k)
            QCOMPARE(entries[k].channelCount, (total - k) % 50 + 1);
        QVERIFY(QFile::exists(notes));
    }

    // On a full disk an entry is not written, and nothing else changes: the
    // entries stay whole, no temporary file is left, and plandor-cli's read
    // still succeeds and says the plan was not kept.
    void fullDiskKeepsEntries()
    {
        QVERIFY(QDir().mkpath(PlanHistory::folder()));
        const SmallDisk disk(PlanHistory::folder());
        if (!disk.mounted())
            QSKIP(qPrintable(disk.why()));
        QVERIFY(
            PlanHistory::record(PlanHistory::Direction::Sent, "M", { channel(1, "A", 55.25) }, {}));
        const QStringList files = QDir(PlanHistory::folder()).entryList(QDir::Files);
        QVERIFY(disk.fill());
        QString error;
        QVERIFY(!PlanHistory::record(
            PlanHistory::Direction::Sent, "M", { channel(1, "B", 63.25) }, {}, &error));
        QVERIFY2(!error.isEmpty(), "a reason");
        SimProcess sim(m_dir->filePath("state"), m_dir->filePath("ports"));
        QVERIFY2(sim.start(), "PLANDOR_SIM does not start");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PLANDOR_HISTORY_DIR", PlanHistory::folder());
        const CliResult read
            = runCli({ "read", "--port", sim.port(), "--out", m_dir->filePath("back") }, env);
        QCOMPARE(read.code, 0);
        QVERIFY2(read.err.contains("not kept in the history"), qPrintable(read.err));

        QCOMPARE(
            QDir(PlanHistory::folder()).entryList(QDir::Files), files + QStringList { "filler" });
        PlanFileContent content;
        QVERIFY(PlanHistory::load(PlanHistory::entries().value(0), content, nullptr));
        QCOMPARE(content.rows, QList { channel(1, "A", 55.25) });
    }

    // plandor-cli send and read against the simulated instrument leave one
    // entry each, holding the plan as the instrument has it.
    void cliTransfersAreKept()
    {
        SimProcess sim(m_dir->filePath("state"), m_dir->filePath("ports"));
        QVERIFY2(sim.start(), "PLANDOR_SIM does not start");
        const QString plan = m_dir->filePath("plan.txt");
        QVERIFY(writePlanFile(plan, { channel(1, "HI", 300), channel(2, "LO", 100) }));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PLANDOR_HISTORY_DIR", PlanHistory::folder());
        const auto cli = [&env](const QStringList &args) { return runCli(args, env).code; };
        QCOMPARE(cli({ "send", "--port", sim.port(), "--in", plan }), 0);
        QCOMPARE(cli({ "read", "--port", sim.port(), "--out", m_dir->filePath("back") }), 0);
        // A transfer that fails leaves no entry.
        QCOMPARE(cli({ "send", "--port", m_dir->filePath("nothing"), "--in", plan }), 3);

        const QList<PlanHistory::Entry> entries = PlanHistory::entries();
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries[1].direction, PlanHistory::Direction::Sent);
        QCOMPARE(entries[0].direction, PlanHistory::Direction::Received);
        QVERIFY2(!entries[0].instrument.isEmpty(), "the handshake names the instrument");
        // Sent in frequency order, and read back so.
        const QList<ChannelValues> expected = { channel(1, "LO", 100), channel(2, "HI", 300) };
        for (const PlanHistory::Entry &entry : entries) {
            PlanFileContent content;
            QVERIFY(PlanHistory::load(entry, content, nullptr));
            QCOMPARE(content.rows, expected);
            QCOMPARE(content.panelOrBlank().unit, QStringLiteral("dBmV"));
        }
    }
};

QTEST_GUILESS_MAIN(TestHistory)
#include "tst_history.moc"
