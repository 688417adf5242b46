// The serial device link against the simulated instrument over a real
// pseudo-terminal: round trips, the end-of-transfer rule, versions, ports.

#include "SimProcess.h"

#include "transfer/serial/Protocol.h"
#include "transfer/serial/SerialDeviceLink.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <cstring>

using namespace plandor;
using plandor::test::SimProcess;

namespace {

LinkRecord rec(int position, const QString &type, float freq, float audio, const QString &name)
{
    LinkRecord r;
    r.Position = quint8(position);
    r.Type = type;
    r.Freq = freq;
    r.Audio1 = audio;
    r.Name = name;
    return r;
}

LinkRecordArray planOf(int n)
{
    LinkRecordArray a;
    for (int i = 1; i <= n; ++i) {
        const bool digi = i % 3 == 0;
        a.items.append(rec(i, digi ? QStringLiteral("DIGI") : QStringLiteral("TV"),
            45.25f + 7.9f * float(i), digi ? 8.0f : 6.5f, QString::number(i)));
    }
    return a;
}

FavoritesRecord favorites(quint8 first, qint16 span, quint8 unit)
{
    FavoritesRecord f;
    f.Favorite1 = first;
    f.Favorite2 = quint8(first + 1);
    f.Favorite3 = 250;
    f.Favorite4 = 0;
    f.Favorite5 = 7;
    f.Favorite6 = 9;
    f.Span = span;
    f.Unit = unit;
    return f;
}

bool sameBits(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// What the instrument gives back: the sent fields, bit for bit.
void compareRecords(const LinkRecordArray &got, const LinkRecordArray &sent)
{
    QCOMPARE(got.lowerBound, 1);
    QCOMPARE(got.items.size(), sent.items.size());
    for (qsizetype i = 0; i < sent.items.size(); ++i) {
        const LinkRecord &g = got.items[i];
        const LinkRecord &s = sent.items[i];
        QCOMPARE(g.Type, s.Type);
        QCOMPARE(g.Name, s.Name);
        QCOMPARE(g.Position, s.Position);
        QVERIFY2(sameBits(g.Freq, s.Freq), qPrintable(QString::number(i)));
        QVERIFY2(sameBits(g.Audio1, s.Audio1), qPrintable(QString::number(i)));
    }
}

} // namespace

class TestSerialLink : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void portNumbersNameDevices();
    void readsTheDefaultPlan();
    void planRoundTrip_data();
    void planRoundTrip();
    void panelAloneLeavesTheChannels();
    void writeWithoutEndChangesNothing();
    void endedWriteSurvivesRestart();
    void endWithoutWriteFails();
    void refusesPlansItCannotCarry_data();
    void refusesPlansItCannotCarry();
    void refusesAnIncompatibleVersion();
    void missingPortFailsAtOnce();

private:
    std::unique_ptr<SerialDeviceLink> newLink() const;

    QTemporaryDir m_dir;
    QString m_state;
    std::unique_ptr<SimProcess> m_sim;
};

void TestSerialLink::initTestCase()
{
    QVERIFY2(QFileInfo(SimProcess::program()).isExecutable(), "PLANDOR_SIM names no program");
    QVERIFY(m_dir.isValid());
}

void TestSerialLink::init()
{
    static int n = 0;
    m_state = m_dir.filePath(QStringLiteral("state-%1.json").arg(++n));
    m_sim = std::make_unique<SimProcess>(m_state, m_dir.filePath(QStringLiteral("ports")));
    QVERIFY2(m_sim->start(), qPrintable(m_sim->output()));
}

void TestSerialLink::cleanup()
{
    m_sim.reset();
}

std::unique_ptr<SerialDeviceLink> TestSerialLink::newLink() const
{
    auto link = std::make_unique<SerialDeviceLink>();
    LinkTiming timing;
    timing.allowanceMs = 150;
    timing.attempts = 2;
    link->setTiming(timing);
    link->SetPortName(m_sim->port());
    return link;
}

void TestSerialLink::portNumbersNameDevices()
{
    QCOMPARE(SerialDeviceLink::deviceForPortNumber(1), QStringLiteral("/dev/ttyS0"));
    QCOMPARE(SerialDeviceLink::deviceForPortNumber(3), QStringLiteral("/dev/ttyS2"));
    QVERIFY(SerialDeviceLink::deviceForPortNumber(0).isEmpty());
    QVERIFY(SerialDeviceLink::deviceForPortNumber(-4).isEmpty());

    SerialDeviceLink link;
    link.SetPort(3);
    QCOMPARE(link.deviceName(), QStringLiteral("/dev/ttyS2"));
    link.SetPortName(QStringLiteral("/dev/pts/7"));
    QCOMPARE(link.deviceName(), QStringLiteral("/dev/pts/7"));
    // The start-up window hands over a number first, then the name.
    link.SetPort(0);
    QVERIFY(link.deviceName().isEmpty());
    QCOMPARE(LinkResult(link.CheckConnection()), qint16(0));
    QVERIFY(!link.lastError().isEmpty());
}

void TestSerialLink::readsTheDefaultPlan()
{
    auto link = newLink();
    QCOMPARE(LinkResult(link->CheckConnection()), qint16(1));
    QVERIFY(link->identity().has_value());
    QCOMPARE(link->identity()->version, protocol::kVersionMax);
    LinkRecordArray records;
    FavoritesRecord fav;
    QCOMPARE(LinkResult(link->ReadPlan(0, records, fav)), qint16(1));
    QVERIFY(records.items.size() >= 3);
    QVERIFY(records.items.first().Freq > 0);
    QVERIFY(fav.Unit == kUnitDbmV || fav.Unit == kUnitDbuV);
    QVERIFY(fav.Span > 0);
    QVERIFY(link->lastError().isEmpty());
}

void TestSerialLink::planRoundTrip_data()
{
    QTest::addColumn<LinkRecordArray>("plan");
    QTest::addColumn<FavoritesRecord>("panel");

    LinkRecordArray odd;
    odd.items = { rec(1, QStringLiteral("TV"), 55.25f, 6.5f, QStringLiteral("C1")),
        rec(2, QStringLiteral("DIGI"), 100.1f, 7.999999f, QStringLiteral("Z12")),
        rec(3, QStringLiteral("TV"), 1.0e-7f, -0.0f, QStringLiteral("a")),
        rec(4, QStringLiteral("DIGI"), 862.0f, std::nextafter(8.0f, 9.0f), QStringLiteral("999")) };
    QTest::newRow("awkward floats") << odd << favorites(1, 8, kUnitDbmV);

    LinkRecordArray chinese;
    chinese.items = { rec(1, QStringLiteral("TV"), 49.75f, 6.5f, QStringLiteral("频道一")),
        rec(2, QStringLiteral("DIGI"), 474.0f, 8.0f, QStringLiteral("中")) };
    QTest::newRow("chinese names") << chinese << favorites(2, 10, kUnitDbuV);

    LinkRecordArray empty;
    empty.items = { rec(1, QString(), 52.5f, 0.0f, QString()),
        rec(2, QStringLiteral("TV"), 60.5f, 6.5f, QString()) };
    QTest::newRow("empty texts") << empty << favorites(0, -3, 0);

    QTest::newRow("one channel") << planOf(1) << favorites(250, 4, kUnitDbmV);
    QTest::newRow("255 channels, several batches") << planOf(255) << favorites(5, 9, kUnitDbuV);
}

void TestSerialLink::planRoundTrip()
{
    QFETCH(LinkRecordArray, plan);
    QFETCH(FavoritesRecord, panel);
    auto link = newLink();
    QCOMPARE(LinkResult(link->CheckConnection()), qint16(1));
    FavoritesRecord sentPanel = panel;
    QVERIFY2(LinkResult(link->WritePlan(plan, 0, sentPanel)) != 0, qPrintable(link->lastError()));
    QVERIFY2(LinkResult(link->EndTransfer()) != 0, qPrintable(link->lastError()));

    // Read through a new link, as a new session would.
    auto reader = newLink();
    link.reset();
    LinkRecordArray got;
    FavoritesRecord gotPanel;
    QVERIFY2(LinkResult(reader->ReadPlan(0, got, gotPanel)) != 0, qPrintable(reader->lastError()));
    compareRecords(got, plan);
    QCOMPARE(gotPanel, panel);
}

void TestSerialLink::panelAloneLeavesTheChannels()
{
    auto link = newLink();
    LinkRecordArray before;
    FavoritesRecord panelBefore;
    QVERIFY(LinkResult(link->ReadPlan(0, before, panelBefore)) != 0);
    FavoritesRecord panel = favorites(33, 6, panelBefore.Unit == kUnitDbmV ? kUnitDbuV : kUnitDbmV);
    QVERIFY(LinkResult(link->WriteFavorites(panel)) != 0);
    QVERIFY(LinkResult(link->EndTransfer()) != 0);
    LinkRecordArray after;
    FavoritesRecord panelAfter;
    QVERIFY(LinkResult(link->ReadPlan(0, after, panelAfter)) != 0);
    QCOMPARE(after, before);
    QCOMPARE(panelAfter, panel);
}

void TestSerialLink::writeWithoutEndChangesNothing()
{
    auto link = newLink();
    LinkRecordArray before;
    FavoritesRecord panelBefore;
    QVERIFY(LinkResult(link->ReadPlan(0, before, panelBefore)) != 0);
    FavoritesRecord panel = favorites(3, 7, kUnitDbuV);
    QVERIFY(LinkResult(link->WritePlan(planOf(20), 0, panel)) != 0);

    // Not ended: a new session (handshake) discards the staged plan.
    QVERIFY(LinkResult(link->CheckConnection()) != 0);
    QCOMPARE(LinkResult(link->EndTransfer()), qint16(0));
    LinkRecordArray after;
    FavoritesRecord panelAfter;
    QVERIFY(LinkResult(link->ReadPlan(0, after, panelAfter)) != 0);
    QCOMPARE(after, before);
    QCOMPARE(panelAfter, panelBefore);

    // Nor does a restart of the instrument bring it in.
    QVERIFY(LinkResult(link->WritePlan(planOf(30), 0, panel)) != 0);
    link.reset();
    QVERIFY(m_sim->start());
    link = newLink();
    QVERIFY(LinkResult(link->ReadPlan(0, after, panelAfter)) != 0);
    QCOMPARE(after, before);
    QCOMPARE(panelAfter, panelBefore);
}

void TestSerialLink::endedWriteSurvivesRestart()
{
    auto link = newLink();
    FavoritesRecord panel = favorites(4, 5, kUnitDbuV);
    const LinkRecordArray plan = planOf(40);
    QVERIFY(LinkResult(link->WritePlan(plan, 0, panel)) != 0);
    QVERIFY(LinkResult(link->EndTransfer()) != 0);
    link.reset();
    QVERIFY(m_sim->start());
    link = newLink();
    LinkRecordArray got;
    FavoritesRecord gotPanel;
    QVERIFY(LinkResult(link->ReadPlan(0, got, gotPanel)) != 0);
    compareRecords(got, plan);
    QCOMPARE(gotPanel, panel);
}

void TestSerialLink::endWithoutWriteFails()
{
    auto link = newLink();
    QCOMPARE(LinkResult(link->EndTransfer()), qint16(0));
    QVERIFY(!link->lastError().isEmpty());
    // A failed write leaves nothing to end either.
    FavoritesRecord panel;
    QCOMPARE(LinkResult(link->WritePlan(LinkRecordArray {}, 0, panel)), qint16(0));
    QCOMPARE(LinkResult(link->EndTransfer()), qint16(0));
    // And an ended write cannot be ended twice.
    QVERIFY(LinkResult(link->WriteFavorites(panel)) != 0);
    QVERIFY(LinkResult(link->EndTransfer()) != 0);
    QCOMPARE(LinkResult(link->EndTransfer()), qint16(0));
}

void TestSerialLink::refusesPlansItCannotCarry_data()
{
    QTest::addColumn<LinkRecordArray>("plan");
    QTest::newRow("no channel") << LinkRecordArray {};
    QTest::newRow("256 channels") << planOf(256);
    LinkRecordArray longName = planOf(3);
    longName.items[1].Name = QString(86, QChar(0x4E2D)); // 258 UTF-8 bytes
    QTest::newRow("name over 255 bytes") << longName;
}

void TestSerialLink::refusesPlansItCannotCarry()
{
    QFETCH(LinkRecordArray, plan);
    auto link = newLink();
    LinkRecordArray before;
    FavoritesRecord panelBefore;
    QVERIFY(LinkResult(link->ReadPlan(0, before, panelBefore)) != 0);
    FavoritesRecord panel = favorites(1, 8, kUnitDbmV);
    QCOMPARE(LinkResult(link->WritePlan(plan, 0, panel)), qint16(0));
    QVERIFY(!link->lastError().isEmpty());
    QCOMPARE(LinkResult(link->EndTransfer()), qint16(0));
    LinkRecordArray after;
    FavoritesRecord panelAfter;
    QVERIFY(LinkResult(link->ReadPlan(0, after, panelAfter)) != 0);
    QCOMPARE(after, before);
}

void TestSerialLink::refusesAnIncompatibleVersion()
{
    QVERIFY(m_sim->start({ QStringLiteral("--protocol-version"), QStringLiteral("2") }));
    auto link = newLink();
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(LinkResult(link->CheckConnection()), qint16(0));
    QVERIFY2(link->lastError().contains(QLatin1String("version")), qPrintable(link->lastError()));
    LinkRecordArray records;
    FavoritesRecord fav;
    QCOMPARE(LinkResult(link->ReadPlan(0, records, fav)), qint16(0));
    QVERIFY(records.isEmpty());
    // A refusal is an answer: no waiting for time-outs.
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));

    QVERIFY(m_sim->start({ QStringLiteral("--protocol-version"), QStringLiteral("0") }));
    link = newLink();
    QCOMPARE(LinkResult(link->CheckConnection()), qint16(0));
}

void TestSerialLink::missingPortFailsAtOnce()
{
    SerialDeviceLink link;
    link.SetPortName(m_dir.filePath(QStringLiteral("no-such-port")));
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(LinkResult(link.CheckConnection()), qint16(0));
    LinkRecordArray records;
    FavoritesRecord fav;
    QCOMPARE(LinkResult(link.ReadPlan(0, records, fav)), qint16(0));
    QVERIFY(link.lastError().contains(QLatin1String("no-such-port")));
    QVERIFY(clock.elapsed() < 1000);
}

QTEST_MAIN(TestSerialLink)
#include "tst_serial_link.moc"
