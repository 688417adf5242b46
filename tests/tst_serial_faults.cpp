// The serial device link against a simulated instrument that damages, loses,
// delays or refuses: every call ends in time with a 0 result, the kept plan
// stays as it was, and the next call succeeds.

#include "SimProcess.h"
#include "TestTiming.h"

#include "transfer/PlanRecords.h"
#include "transfer/PlanTransfer.h"
#include "transfer/serial/FrameTransport.h"
#include "transfer/serial/Protocol.h"
#include "transfer/serial/SerialDeviceLink.h"

#include <QtTest>

using namespace plandor;

namespace {

// n TV channels 4 MHz apart from 47 MHz + shift.
LinkRecordArray planOf(int n, float shift)
{
    LinkRecordArray a;
    for (int i = 0; i < n; ++i)
        a.items.append({ 0, "TV", quint8(i + 1), 47.0f + shift + 4.0f * float(i), 0,
            QString::number(i), 6.5f, 0, {} });
    return a;
}

constexpr LinkTiming kTiming { .allowanceMs = 120, .attempts = 3 };

// The longest a failing call may take: one exchange of the largest frames
// with every attempt timing out, and a margin for starting up.
// The margin grows with PLANDOR_TIME_FACTOR on a slow or busy machine.
const int kFailureBoundMs
    = kTiming.exchangeBoundMs(protocol::kMaxWireFrame, protocol::kMaxWireFrame)
    + plandor::test::scaledMs(400);

} // namespace

class TestSerialFaults : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    // What each test starts with, and what it tries to send.
    const LinkRecordArray m_known = planOf(12, 0.0f), m_sent = planOf(200, 0.5f);
    const FavoritesRecord m_knownPanel { 2, 0, 0, 0, 0, 11, 8, kUnitDbuV };
    const FavoritesRecord m_sentPanel { 1, 2, 3, 4, 5, 6, 7, kUnitDbmV };
    std::unique_ptr<test::SimProcess> m_sim;
    SerialDeviceLink m_link;

    // (Re)starts the instrument with the arguments and points the link at it.
    bool start(const QStringList &arguments)
    {
        m_link.SetOptions({ m_sim->start(arguments) ? m_sim->port() : QString() });
        return !m_sim->port().isEmpty();
    }

    // The next calls succeed and find the plan.
    void verifyKept(const LinkRecordArray &plan, const FavoritesRecord &panel)
    {
        const auto connected = m_link.CheckConnection();
        QVERIFY2(connected, qPrintable(connected.errorText()));
        const auto got = m_link.ReadPlan(0);
        QVERIFY(got);
        QCOMPARE(std::pair(got->records, got->favorites), std::pair(plan, panel));
    }

private slots:
    // Each test starts with a known plan committed by a sound instrument.
    void init()
    {
        static int n = 0;
        m_sim.reset(
            new test::SimProcess(m_dir.filePath(QString::number(++n)), m_dir.filePath("ports")));
        m_link.setTiming(kTiming);
        QVERIFY2(start({}), "PLANDOR_SIM does not start");
        QVERIFY(m_link.WritePlan(m_known, 0, m_knownPanel));
        QVERIFY(m_link.EndTransfer());
    }

    // The call, the instrument's faults and the seed of its randomness: each
    // failure the link tells apart once (no answer, garbled, malformed or
    // late answers, a refusal). On every frame a fault hits the first
    // exchange of any call alike; refused writes reach the later ones.
    // Occasional damage (with seeds that bring it into the write) is retried
    // unseen.
    void faultyInstrument_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<bool>("occasional");
        QTest::newRow("silent") << "check --silent --seed 1" << false;
        QTest::newRow("all bytes damaged") << "write --corrupt 1 --seed 1" << false;
        QTest::newRow("all replies malformed") << "panel --malformed 1 --seed 1" << false;
        QTest::newRow("all replies late") << "read --delay 1 --delay-ms 4000 --seed 1" << false;
        QTest::newRow("writes refused, write") << "write --refuse-writes --seed 1" << false;
        QTest::newRow("some bytes damaged") << "write --corrupt 0.0005 --seed 3" << true;
        QTest::newRow("some replies malformed") << "write --malformed 0.1 --seed 6" << true;
        QTest::newRow("some replies late") << "write --delay 0.15 --delay-ms 400 --seed 8" << true;
        QTest::newRow("noise before frames") << "write --preamble 300 --seed 1" << true;
    }

    void faultyInstrument()
    {
        QFETCH(QString, arguments);
        QFETCH(bool, occasional);
        QStringList faults = arguments.split(QLatin1Char(' '));
        const QString call = faults.takeFirst();
        QVERIFY(start(faults));
        QElapsedTimer clock;
        clock.start();
        LinkResult<> done = call == "check" ? m_link.CheckConnection()
            : call == "panel"               ? m_link.WriteFavorites(m_sentPanel)
                                            : m_link.WritePlan(m_sent, 0, m_sentPanel);
        if (call == "read") {
            const auto read = m_link.ReadPlan(0);
            done = read ? LinkResult<>() : read.failure();
        } else if (done && call == "write") {
            done = m_link.EndTransfer();
        }
        QVERIFY2(done.ok() == occasional, qPrintable(done.errorText()));
        QVERIFY(occasional || clock.elapsed() <= kFailureBoundMs);
        QVERIFY(occasional || !done.errorText().isEmpty());
        if (occasional) // noise between frames alone needs no retry
            QCOMPARE(m_link.transport()->retries() > 0, faults.first() != "--preamble");
        // Neither a failed write nor an ended one leaves anything to end.
        QVERIFY(!m_link.EndTransfer());
        QVERIFY(m_sim->clearFaults());
        verifyKept(occasional ? m_sent : m_known, occasional ? m_sentPanel : m_knownPanel);
    }

    // An acknowledgement lost after the instrument acted, or the request
    // itself lost: the PC asks the instrument and reports what it holds,
    // which is what was sent unless the send failed.
    // Requests (1.2): 1 hello, 2 begin with the records, 3 end; for the
    // panel 1 hello, 2 the panel; each repeat counts as one more.
    void outcomeSettled_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("panelAlone");
        QTest::addColumn<int>("outcome");
        using O = PlanTransfer::SendOutcome;
        QTest::newRow("end's ack lost") << "--lose-reply 3" << false << int(O::Sent);
        QTest::newRow("end lost") << "--lose-request 3" << false << int(O::Failed);
        QTest::newRow("end's ack lost, then no answer")
            << "--unplug-after 4 --lose-reply 3" << false << int(O::NotConfirmed);
        QTest::newRow("panel's ack lost") << "--lose-reply 2" << true << int(O::Sent);
        QTest::newRow("panel lost") << "--lose-request 2" << true << int(O::Failed);
        QTest::newRow("panel's ack lost, then no answer")
            << "--unplug-after 3 --lose-reply 2" << true << int(O::NotConfirmed);
    }

    void outcomeSettled()
    {
        QFETCH(QString, fault);
        QFETCH(bool, panelAlone);
        QFETCH(int, outcome);
        const bool stored = outcome != int(PlanTransfer::SendOutcome::Failed);
        QVERIFY(start(fault.split(QLatin1Char(' '))));
        PlanTransfer transfer(m_link);
        transfer.setPause([](std::chrono::milliseconds) {});
        QVERIFY(transfer.checkConnection());
        const PanelTexts panel = PlanRecords::fromFavorites(m_sentPanel);
        const auto got = panelAlone ? transfer.sendPanel(panel)
                                    : transfer.send(PlanRecords::fromReceived(m_sent), panel);
        QCOMPARE(int(got.outcome), outcome);
        QCOMPARE(got.text.isEmpty(), got.sent());
        QVERIFY(start({}));
        verifyKept(stored && !panelAlone ? m_sent : m_known, stored ? m_sentPanel : m_knownPanel);
    }

    // The line goes away in the middle of a write (after its Hello): the
    // write fails in time, as unplugged, and a new instrument on the same
    // path is found again.
    void instrumentLostAndReplaced()
    {
        const QString fixed = m_dir.filePath(QStringLiteral("meter-port"));
        QVERIFY(start({ "--link", fixed, "--unplug-after", "1" }));
        QElapsedTimer clock;
        clock.start();
        const auto written = m_link.WritePlan(planOf(200, 2.0f), 0, m_sentPanel);
        QVERIFY2(written.fault() == LinkFault::Unplugged, qPrintable(written.errorText()));
        QVERIFY(clock.elapsed() <= kFailureBoundMs);
        QVERIFY(!m_link.EndTransfer());
        QVERIFY(start({ "--link", fixed }));
        verifyKept(m_known, m_knownPanel);
    }
};

QTEST_MAIN(TestSerialFaults)
#include "tst_serial_faults.moc"
