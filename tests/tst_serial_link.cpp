// The serial device link against the simulated instrument over a real
// pseudo-terminal: round trips, the end-of-transfer rule, versions, ports.

#include "SimProcess.h"
#include "TestTiming.h"

#include "transfer/serial/PortList.h"
#include "transfer/serial/Protocol.h"
#include "transfer/serial/SerialDeviceLink.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using namespace plandor;
using plandor::test::SimProcess;

namespace {

using Kept = std::pair<LinkRecordArray, FavoritesRecord>;

LinkRecord rec(int position, const char *type, float freq, float audio, const QString &name)
{
    LinkRecord r;
    std::tie(r.Position, r.Type, r.Freq, r.Audio1, r.Name)
        = std::tuple(quint8(position), QString::fromLatin1(type), freq, audio, name);
    return r;
}

LinkRecordArray planOf(int n)
{
    LinkRecordArray a;
    for (int i = 1; i <= n; ++i)
        a.items.append(rec(i, i % 3 ? "TV" : "DIGI", 45.25f + 3.5f * float(i), i % 3 ? 6.5f : 8.0f,
            QString::number(i)));
    return a;
}

// The plan and panel the instrument keeps; none when the read fails.
std::optional<Kept> readBack(SerialDeviceLink &link)
{
    Kept k;
    return qint16(link.ReadPlan(0, k.first, k.second)) ? std::optional(k) : std::nullopt;
}

} // namespace

class TestSerialLink : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<SimProcess> m_sim;

    std::unique_ptr<SerialDeviceLink> newLink() const
    {
        auto link = std::make_unique<SerialDeviceLink>();
        link->setTiming(LinkTiming { .allowanceMs = 150, .attempts = 2 });
        link->SetPortName(m_sim->port());
        return link;
    }

private slots:
    void init()
    {
        static int n = 0;
        m_sim.reset(new SimProcess(
            m_dir.filePath(QStringLiteral("state-%1").arg(++n)), m_dir.filePath("ports")));
        QVERIFY2(m_sim->start(), "PLANDOR_SIM does not start");
    }

    void badPortsFailAtOnce()
    {
        QCOMPARE(SerialDeviceLink::deviceForPortNumber(1), QStringLiteral("/dev/ttyS0"));
        QVERIFY(SerialDeviceLink::deviceForPortNumber(0).isEmpty());
        SerialDeviceLink link;
        link.SetPortName(QStringLiteral("/dev/pts/7"));
        link.SetPort(0); // a number after a name replaces it
        QVERIFY(link.deviceName().isEmpty());
        QCOMPARE(qint16(link.CheckConnection()), qint16(0));
        QVERIFY(!link.lastError().isEmpty());

        link.SetPortName(m_dir.filePath(QStringLiteral("no-such-port")));
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(readBack(link), std::nullopt);
        QVERIFY(link.lastError().contains(QLatin1String("no-such-port")));
        QVERIFY(clock.elapsed() < plandor::test::scaledMs(1000));
    }

    // The machine's ports come from the tty class in sysfs: terminals on a
    // device, less UARTs their driver never found, plus parentless links.
    void portListFromSysfs()
    {
        QTemporaryDir sys;
        const auto add = [&](const char *name, bool device, const char *type = nullptr) {
            QDir(sys.path()).mkpath(QStringLiteral("%1/%2").arg(name, device ? "device" : "power"));
            if (type) {
                QFile file(sys.filePath(QStringLiteral("%1/type").arg(name)));
                QVERIFY(file.open(QIODevice::WriteOnly) && file.write(type) > 0);
            }
        };
        add("ttyS0", true, "4\n");
        add("ttyS1", true, "0\n");
        add("ttyS10", true, "4\n");
        add("ttyS2", true, "4\n");
        add("ttyUSB0", true);
        add("ttyACM0", true);
        add("tty0", false);
        add("ptmx", false);
        add("rfcomm0", false);
        QCOMPARE(PortList::fromSysfs(sys.path()),
            QStringList({ "/dev/rfcomm0", "/dev/ttyACM0", "/dev/ttyS0", "/dev/ttyS2", "/dev/ttyS10",
                "/dev/ttyUSB0" }));
        QCOMPARE(PortList::fromSysfs(sys.filePath("missing")), std::nullopt);

        // On this machine the scan finds what the toolkit finds, less UARTs
        // that no driver found (which some kernels let the toolkit list).
        if (const auto ports = PortList::fromSysfs(QStringLiteral("/sys/class/tty"))) {
            QStringList fromQt;
            for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
                QFile type(QStringLiteral("/sys/class/tty/%1/type").arg(info.portName()));
                if (!type.open(QIODevice::ReadOnly) || type.readAll().trimmed() != "0")
                    fromQt.append(info.systemLocation());
            }
            QStringList found = *ports;
            found.sort();
            fromQt.sort();
            QCOMPARE(found, fromQt);
        }
    }

    void planRoundTrip_data()
    {
        QTest::addColumn<LinkRecordArray>("plan");
        QTest::addColumn<FavoritesRecord>("panel");
        LinkRecordArray odd;
        odd.items = { rec(1, "TV", 55.25f, 6.5f, "C1"), rec(2, "DIGI", 100.1f, 7.999999f, "Z12"),
            rec(3, "TV", 5.0f, -0.0f, "a"),
            rec(4, "DIGI", 862.0f, std::nextafter(8.0f, 9.0f), "999"),
            rec(5, "TV", std::nextafter(1000.0f, 0.0f), 1e-40f, "999") };
        QTest::newRow("awkward floats")
            << odd << FavoritesRecord { 1, 2, 250, 0, 7, 9, 8, kUnitDbmV };
        LinkRecordArray texts;
        texts.items = { rec(1, "TV", 49.75f, 6.5f, QStringLiteral("é þ")),
            rec(2, "DIGI", 474.0f, 8.0f, QStringLiteral("1")),
            rec(3, "TV", 52.5f, 0.0f, QStringLiteral("~")) };
        QTest::newRow("texts") << texts << FavoritesRecord { 0, 0, 0, 0, 0, 0, 0, kUnitDbuV };
        QTest::newRow("255 channels, several batches")
            << planOf(255) << FavoritesRecord { 5, 6, 7, 8, 9, 10, 9, kUnitDbuV };
    }

    // Written, ended, kept over a restart of the instrument, read back bit
    // for bit.
    void planRoundTrip()
    {
        QFETCH(LinkRecordArray, plan);
        QFETCH(FavoritesRecord, panel);
        auto link = newLink();
        FavoritesRecord sent = panel;
        QVERIFY2(qint16(link->WritePlan(plan, 0, sent)) != 0, qPrintable(link->lastError()));
        QVERIFY2(qint16(link->EndTransfer()) != 0, qPrintable(link->lastError()));
        link.reset();
        QVERIFY(m_sim->start());
        link = newLink();
        QCOMPARE(qint16(link->CheckConnection()), qint16(1));
        const auto got = readBack(*link);
        QCOMPARE(got, Kept(plan, panel));
        for (qsizetype i = 0; i < plan.items.size(); ++i) // 0.0 == -0.0
            QCOMPARE(std::signbit(got->first.items[i].Audio1), std::signbit(plan.items[i].Audio1));
    }

    void onlyASoundEndedWriteIsKept()
    {
        auto link = newLink();
        const auto before = readBack(*link);
        QVERIFY(before && before->first.items.size() >= 3);
        QCOMPARE(qint16(link->EndTransfer()), qint16(0)); // nothing written
        QVERIFY(!link->lastError().isEmpty());
        // Plans it cannot carry are refused and leave nothing to end.
        LinkRecordArray longName = planOf(3);
        longName.items[1].Name = QString(85, QChar(0x4E2D)) + QLatin1Char('x'); // 256 bytes
        for (const LinkRecordArray &plan : { LinkRecordArray {}, planOf(256), longName }) {
            FavoritesRecord panel;
            QCOMPARE(qint16(link->WritePlan(plan, 0, panel)), qint16(0));
            QVERIFY(!link->lastError().isEmpty());
            QCOMPARE(qint16(link->EndTransfer()), qint16(0));
        }
        QCOMPARE(readBack(*link), before);

        // A restart discards a staged plan.
        FavoritesRecord panel { 3, 4, 250, 0, 7, 9, 7, kUnitDbuV };
        QVERIFY(qint16(link->WritePlan(planOf(30), 0, panel)) != 0);
        QVERIFY(m_sim->start());
        link = newLink();
        QCOMPARE(readBack(*link), before);

        // The panel alone leaves the channels; an ended write cannot be
        // ended twice.
        panel.Unit = before->second.Unit == kUnitDbmV ? kUnitDbuV : kUnitDbmV;
        QVERIFY(qint16(link->WriteFavorites(panel)) != 0);
        QVERIFY(qint16(link->EndTransfer()) != 0);
        QCOMPARE(qint16(link->EndTransfer()), qint16(0));
        QCOMPARE(readBack(*link), Kept(before->first, panel));
    }

    // A 1.0 instrument (records in the 1.0 layout, a panel that waits for
    // its end) and a 1.1 one serve the same calls.
    void bothVersions_data()
    {
        QTest::addColumn<int>("version");
        QTest::newRow("1.0") << 1;
        QTest::newRow("1.1") << 2;
    }

    void bothVersions()
    {
        QFETCH(int, version);
        QVERIFY(m_sim->start({ QStringLiteral("--protocol-version"), QString::number(version) }));
        auto link = newLink();
        FavoritesRecord panel { 3, 4, 250, 0, 7, 9, 7, kUnitDbuV };
        QVERIFY(qint16(link->WritePlan(planOf(40), 0, panel)) != 0);
        QVERIFY(qint16(link->EndTransfer()) != 0);
        QCOMPARE(link->identity()->version, version);
        QCOMPARE(link->ConfirmLastWrite(), DeviceLink::WriteCheck::Stored);
        panel.Favorite1 = 9;
        QVERIFY(qint16(link->WriteFavorites(panel)) != 0);
        QVERIFY(qint16(link->EndTransfer()) != 0);
        QCOMPARE(readBack(*link), Kept(planOf(40), panel));
    }

    // An instrument without channels reads as an empty plan with its panel.
    void emptyInstrument()
    {
        QVERIFY(m_sim->start({ QStringLiteral("--blank") }));
        auto link = newLink();
        const auto got = readBack(*link);
        QVERIFY2(got, qPrintable(link->lastError()));
        QVERIFY(got->first.isEmpty());
        QCOMPARE(got->second.Unit, kUnitDbmV);
    }

    // A plan the instrument could not have taken (a state file edited by
    // hand: a 2 MHz channel) is refused, not handed on.
    void refusesAPlanThatBreaksTheRules()
    {
        QFile state(m_dir.filePath(QStringLiteral("hand-made.state")));
        QVERIFY(state.open(QIODevice::WriteOnly));
        state.write(R"({"generation": 3, "favorites": [1, 0, 0, 0, 0, 0], "span": 8, "unit": 2,
            "channels": [{"position": 1, "type": "TV", "freqBits": 1073741824,
                          "audioBits": 1087373312, "name": "A"}]})");
        state.close();
        SimProcess sim(state.fileName(), m_dir.filePath("ports"));
        QVERIFY(sim.start());
        SerialDeviceLink link;
        link.SetPortName(sim.port());
        QCOMPARE(readBack(link), std::nullopt);
        QVERIFY2(link.lastError().contains(QLatin1String("channel 1: frequency")),
            qPrintable(link.lastError()));
    }

    // The instrument's own channel limit is the plan's; a rate that differs
    // from the instrument's is named; a port held under another name is in
    // use.
    void limitsRateAndLock()
    {
        QVERIFY(m_sim->start({ QStringLiteral("--max-channels"), QStringLiteral("10"),
            QStringLiteral("--baud"), QStringLiteral("9600") }));
        auto link = newLink();
        QCOMPARE(qint16(link->CheckConnection()), qint16(0));
        QVERIFY2(link->lastError().contains(QLatin1String("115200 baud")),
            qPrintable(link->lastError()));
        link->SetBaudRate(9600);
        QVERIFY2(qint16(link->CheckConnection()) != 0, qPrintable(link->lastError()));
        QCOMPARE(link->InstrumentMaxChannels(), 10);
        FavoritesRecord panel { 0, 0, 0, 0, 0, 0, 8, kUnitDbuV };
        QCOMPARE(qint16(link->WritePlan(planOf(11), 0, panel)), qint16(0));
        QVERIFY(link->lastError().contains(QLatin1String("10")));

        const QString alias = m_dir.filePath(QStringLiteral("alias"));
        QFile::remove(alias);
        QVERIFY(QFile::link(m_sim->port(), alias));
        SerialDeviceLink other;
        other.SetPortName(alias);
        other.SetBaudRate(9600);
        QCOMPARE(qint16(other.CheckConnection()), qint16(0));
        QVERIFY2(
            other.lastError().contains(QLatin1String("in use")), qPrintable(other.lastError()));
    }

    // Refused at once: a refusal is an answer, not a time-out.
    void refusesAnIncompatibleVersion()
    {
        for (int version : { protocol::kVersionMin - 1, protocol::kVersionMax + 1 }) {
            QVERIFY(
                m_sim->start({ QStringLiteral("--protocol-version"), QString::number(version) }));
            auto link = newLink();
            QElapsedTimer clock;
            clock.start();
            QCOMPARE(qint16(link->CheckConnection()), qint16(0));
            QVERIFY(link->lastError().contains(QLatin1String("version")));
            QCOMPARE(readBack(*link), std::nullopt);
            QVERIFY2(clock.elapsed() < plandor::test::scaledMs(1000),
                qPrintable(QString::number(clock.elapsed())));
        }
    }
};

QTEST_MAIN(TestSerialLink)
#include "tst_serial_link.moc"
