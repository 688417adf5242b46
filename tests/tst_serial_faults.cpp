// The serial device link against a simulated instrument that damages, loses,
// delays or refuses: every call ends in time with a 0 result, the kept plan
// stays as it was, and the next call succeeds.

#include "SimProcess.h"

#include "transfer/serial/FrameTransport.h"
#include "transfer/serial/Protocol.h"
#include "transfer/serial/SerialDeviceLink.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

using namespace plandor;
using plandor::test::SimProcess;

namespace {

LinkRecordArray planOf(int n, float shift = 0.0f)
{
    LinkRecordArray a;
    for (int i = 1; i <= n; ++i) {
        LinkRecord r;
        r.Position = quint8(i);
        r.Type = i % 2 ? QStringLiteral("TV") : QStringLiteral("DIGI");
        r.Freq = 47.0f + shift + 8.0f * float(i);
        r.Audio1 = i % 2 ? 6.5f : 8.0f;
        r.Name = QStringLiteral("Z%1").arg(i);
        a.items.append(r);
    }
    return a;
}

LinkTiming fastTiming()
{
    LinkTiming t;
    t.allowanceMs = 120;
    t.attempts = 2;
    return t;
}

// The longest a failing call may take here: one exchange of the largest
// frames with every attempt timing out, and a margin for starting up.
int failureBoundMs()
{
    return fastTiming().exchangeBoundMs(protocol::kMaxWireFrame, protocol::kMaxWireFrame) + 400;
}

} // namespace

class TestSerialFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void faultEndsTheCall_data();
    void faultEndsTheCall();
    void occasionalDamageIsRetried_data();
    void occasionalDamageIsRetried();
    void noiseBeforeFramesNeedsNoRetry();
    void lineUnpluggedMidTransfer();
    void instrumentKilledAndReplaced();

private:
    std::unique_ptr<SerialDeviceLink> linkTo(const QString &port) const;
    // Commits a known plan with a clean instrument, so a test can tell
    // whether a failed call changed it.
    void storeKnownPlan();
    void verifyKnownPlan(SerialDeviceLink &link);

    QTemporaryDir m_dir;
    QString m_state;
    QString m_ports;
    LinkRecordArray m_known;
    FavoritesRecord m_knownPanel;
};

void TestSerialFaults::initTestCase()
{
    QVERIFY2(QFileInfo(SimProcess::program()).isExecutable(), "PLANDOR_SIM names no program");
    QVERIFY(m_dir.isValid());
    m_ports = m_dir.filePath(QStringLiteral("ports"));
    m_known = planOf(12);
    m_knownPanel.Favorite1 = 2;
    m_knownPanel.Favorite6 = 11;
    m_knownPanel.Span = 8;
    m_knownPanel.Unit = kUnitDbuV;
}

void TestSerialFaults::init()
{
    static int n = 0;
    m_state = m_dir.filePath(QStringLiteral("state-%1.json").arg(++n));
    storeKnownPlan();
}

std::unique_ptr<SerialDeviceLink> TestSerialFaults::linkTo(const QString &port) const
{
    auto link = std::make_unique<SerialDeviceLink>();
    link->setTiming(fastTiming());
    link->SetPortName(port);
    return link;
}

void TestSerialFaults::storeKnownPlan()
{
    SimProcess sim(m_state, m_ports);
    QVERIFY(sim.start());
    auto link = linkTo(sim.port());
    FavoritesRecord panel = m_knownPanel;
    QVERIFY(LinkResult(link->WritePlan(m_known, 0, panel)) != 0);
    QVERIFY(LinkResult(link->EndTransfer()) != 0);
}

void TestSerialFaults::verifyKnownPlan(SerialDeviceLink &link)
{
    LinkRecordArray got;
    FavoritesRecord panel;
    QVERIFY2(LinkResult(link.ReadPlan(0, got, panel)) != 0, qPrintable(link.lastError()));
    QCOMPARE(got, m_known);
    QCOMPARE(panel, m_knownPanel);
}

void TestSerialFaults::faultEndsTheCall_data()
{
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<QString>("call");

    const QList<std::pair<const char *, QStringList>> faults = {
        { "silent", { QStringLiteral("--silent") } },
        { "all bytes lost", { QStringLiteral("--drop"), QStringLiteral("1") } },
        { "all bytes damaged", { QStringLiteral("--corrupt"), QStringLiteral("1") } },
        { "malformed replies", { QStringLiteral("--malformed"), QStringLiteral("1") } },
        { "late replies",
            { QStringLiteral("--delay"), QStringLiteral("1"), QStringLiteral("--delay-ms"),
                QStringLiteral("4000") } },
        { "noise inside frames", { QStringLiteral("--noise"), QStringLiteral("0.5") } },
    };
    const QStringList calls = { QStringLiteral("check"), QStringLiteral("read"),
        QStringLiteral("write"), QStringLiteral("panel") };
    for (const auto &[name, args] : faults) {
        for (const QString &call : calls)
            QTest::addRow("%s, %s", name, qPrintable(call)) << args << call;
    }
    QTest::newRow("writes refused, write")
        << QStringList { QStringLiteral("--refuse-writes") } << QStringLiteral("write");
    QTest::newRow("writes refused, panel")
        << QStringList { QStringLiteral("--refuse-writes") } << QStringLiteral("panel");
}

void TestSerialFaults::faultEndsTheCall()
{
    QFETCH(QStringList, faults);
    QFETCH(QString, call);
    SimProcess sim(m_state, m_ports);
    QVERIFY(sim.start(faults + QStringList { QStringLiteral("--seed"), QStringLiteral("7") }));
    auto link = linkTo(sim.port());

    QElapsedTimer clock;
    clock.start();
    qint16 result = -1;
    if (call == QLatin1String("check")) {
        result = LinkResult(link->CheckConnection());
    } else if (call == QLatin1String("read")) {
        LinkRecordArray records;
        FavoritesRecord panel;
        result = LinkResult(link->ReadPlan(0, records, panel));
        QVERIFY(records.isEmpty());
    } else {
        FavoritesRecord panel;
        panel.Span = 5;
        result = call == QLatin1String("write")
            ? LinkResult(link->WritePlan(planOf(60, 1.0f), 0, panel))
            : LinkResult(link->WriteFavorites(panel));
        // Nothing may be ended after a failed write, whatever the instrument holds.
        if (result == 0)
            QCOMPARE(LinkResult(link->EndTransfer()), qint16(0));
    }
    const qint64 elapsed = clock.elapsed();
    QCOMPARE(result, qint16(0));
    QVERIFY(!link->lastError().isEmpty());
    QVERIFY2(elapsed <= failureBoundMs(),
        qPrintable(QStringLiteral("%1 ms > %2 ms").arg(elapsed).arg(failureBoundMs())));

    QVERIFY(sim.clearFaults());
    QVERIFY2(LinkResult(link->CheckConnection()) != 0, qPrintable(link->lastError()));
    verifyKnownPlan(*link);
}

void TestSerialFaults::occasionalDamageIsRetried_data()
{
    QTest::addColumn<QStringList>("faults");
    QTest::newRow("lost bytes") << QStringList { QStringLiteral("--drop"),
        QStringLiteral("0.0005") };
    QTest::newRow("damaged bytes")
        << QStringList { QStringLiteral("--corrupt"), QStringLiteral("0.0005") };
    QTest::newRow("noise") << QStringList { QStringLiteral("--noise"), QStringLiteral("0.001") };
    QTest::newRow("malformed replies")
        << QStringList { QStringLiteral("--malformed"), QStringLiteral("0.1") };
    QTest::newRow("late replies") << QStringList { QStringLiteral("--delay"),
        QStringLiteral("0.15"), QStringLiteral("--delay-ms"), QStringLiteral("400") };
}

void TestSerialFaults::occasionalDamageIsRetried()
{
    QFETCH(QStringList, faults);
    SimProcess sim(m_state, m_ports);
    auto link = linkTo(QString());
    LinkTiming timing = fastTiming();
    timing.attempts = 4;
    link->setTiming(timing);
    const LinkRecordArray plan = planOf(200, 0.5f);
    FavoritesRecord panel = m_knownPanel;
    panel.Span = 7;
    // A malformed reply is an answer, so the call fails without a retry:
    // try again as a caller would. Seeds keep the runs repeatable.
    bool written = false;
    for (int seed = 1; seed <= 5 && !written; ++seed) {
        QVERIFY(
            sim.start(faults + QStringList { QStringLiteral("--seed"), QString::number(seed) }));
        link->SetPortName(sim.port());
        written = LinkResult(link->WritePlan(plan, 0, panel)) != 0
            && LinkResult(link->EndTransfer()) != 0;
    }
    QVERIFY2(written, qPrintable(link->lastError()));
    QVERIFY(sim.clearFaults());
    LinkRecordArray got;
    FavoritesRecord gotPanel;
    QVERIFY2(LinkResult(link->ReadPlan(0, got, gotPanel)) != 0, qPrintable(link->lastError()));
    QCOMPARE(got, plan);
    QCOMPARE(gotPanel, panel);
}

void TestSerialFaults::noiseBeforeFramesNeedsNoRetry()
{
    SimProcess sim(m_state, m_ports);
    QVERIFY(sim.start({ QStringLiteral("--preamble"), QStringLiteral("300") }));
    auto link = linkTo(sim.port());
    QVERIFY(LinkResult(link->CheckConnection()) != 0);
    verifyKnownPlan(*link);
    QVERIFY(link->transport());
    QCOMPARE(link->transport()->retries(), 0);
}

void TestSerialFaults::lineUnpluggedMidTransfer()
{
    const QString fixed = m_dir.filePath(QStringLiteral("meter-port"));
    SimProcess sim(m_state, m_ports);
    // hello, begin, two batches: the line goes away in the middle.
    QVERIFY(sim.start({ QStringLiteral("--link"), fixed, QStringLiteral("--unplug-after"),
        QStringLiteral("4") }));
    QCOMPARE(sim.port(), fixed);
    auto link = linkTo(fixed);
    FavoritesRecord panel;
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(LinkResult(link->WritePlan(planOf(200, 2.0f), 0, panel)), qint16(0));
    QVERIFY(clock.elapsed() <= failureBoundMs());
    QVERIFY(sim.waitForLine(QStringLiteral("unplugged"), 3000));
    QCOMPARE(LinkResult(link->EndTransfer()), qint16(0));
    QCOMPARE(LinkResult(link->CheckConnection()), qint16(0));

    // Plugged back: the same path, a new instrument process.
    QVERIFY(sim.start({ QStringLiteral("--link"), fixed }));
    QVERIFY2(LinkResult(link->CheckConnection()) != 0, qPrintable(link->lastError()));
    verifyKnownPlan(*link);
}

void TestSerialFaults::instrumentKilledAndReplaced()
{
    const QString fixed = m_dir.filePath(QStringLiteral("meter-port-2"));
    SimProcess sim(m_state, m_ports);
    QVERIFY(sim.start({ QStringLiteral("--link"), fixed }));
    auto link = linkTo(fixed);
    QVERIFY(LinkResult(link->CheckConnection()) != 0);
    sim.kill();
    // Let the link see the vanished peer while idle, as a window would.
    QTest::qWait(200);
    QElapsedTimer clock;
    clock.start();
    LinkRecordArray records;
    FavoritesRecord panel;
    QCOMPARE(LinkResult(link->ReadPlan(0, records, panel)), qint16(0));
    QVERIFY(clock.elapsed() <= failureBoundMs());

    QVERIFY(sim.start({ QStringLiteral("--link"), fixed }));
    QVERIFY2(LinkResult(link->CheckConnection()) != 0, qPrintable(link->lastError()));
    verifyKnownPlan(*link);
}

QTEST_MAIN(TestSerialFaults)
#include "tst_serial_faults.moc"
