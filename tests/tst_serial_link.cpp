// The serial device link against the simulated instrument over a real
// pseudo-terminal: round trips, the end-of-transfer rule, versions, ports.

#include "SimProcess.h"
#include "TestTiming.h"

#include "TempStore.h"
#include "transfer/PlanRecords.h"
#include "transfer/PlanTransfer.h"
#include "transfer/serial/PortList.h"
#include "transfer/serial/Protocol.h"
#include "transfer/serial/SerialDeviceLink.h"

#include <QSerialPortInfo>
#include <QtTest>

#include <cmath>

using namespace plandor;

namespace {

using Kept = std::pair<LinkRecordArray, FavoritesRecord>;

LinkRecord rec(int position, const char *type, float freq, float audio, const QString &name)
{
    return { 0, QString::fromLatin1(type), quint8(position), freq, 0, name, audio, 0, {} };
}

// n channels 3.5 MHz apart, named 255, 254, ...
LinkRecordArray planOf(int n)
{
    LinkRecordArray a;
    for (int i = 1; i <= n; ++i)
        a.items.append(rec(i, i % 3 ? "TV" : "DIGI", 45.25f + 3.5f * float(i), i % 3 ? 6.5f : 8.0f,
            QString::number(256 - i)));
    return a;
}

// n channels with random names of capitals and digits (none counted up) at
// random kHz frequencies, in frequency order.
LinkRecordArray irregularPlanOf(int n)
{
    QRandomGenerator rng(11);
    LinkRecordArray a;
    double freq = 47.0;
    for (int i = 1; i <= n; ++i) {
        freq += std::round(rng.bounded(3700.0)) / 1000.0;
        QString name;
        for (int c = int(rng.bounded(3)); c >= 0; --c)
            name.append(QLatin1Char("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"[rng.bounded(36)]));
        const bool digi = rng.bounded(3) == 0;
        a.items.append(rec(i, digi ? "DIGI" : "TV", float(freq), digi ? 8.0f : 6.5f, name));
    }
    return a;
}

// The plan and panel the instrument keeps; none when the read fails.
std::optional<Kept> readBack(SerialDeviceLink &link)
{
    const auto read = link.ReadPlan(0);
    return read ? std::optional(Kept(read->records, read->favorites)) : std::nullopt;
}

} // namespace

class TestSerialLink : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_state; // the instrument's
    std::unique_ptr<test::SimProcess> m_sim;

    std::unique_ptr<SerialDeviceLink> newLink() const
    {
        auto link = std::make_unique<SerialDeviceLink>();
        link->setTiming(LinkTiming { .allowanceMs = 150, .attempts = 2 });
        link->SetOptions({ m_sim->port() });
        return link;
    }

private slots:
    void init()
    {
        static int n = 0;
        m_state = m_dir.filePath(QStringLiteral("state-%1").arg(++n));
        m_sim.reset(new test::SimProcess(m_state, m_dir.filePath("ports")));
        QVERIFY2(m_sim->start(), "PLANDOR_SIM does not start");
    }

    // The machine's ports come from the tty class in sysfs: terminals on a
    // device, less UARTs their driver never found, plus parentless links.
    void ports()
    {
        QTemporaryDir sys;
        // Each entry: on a device or not, and what its type file says ("-": none).
        for (const char *entry :
            { "ttyS0 device 4", "ttyS1 device 0", "ttyS10 device 4", "ttyS2 device 4",
                "ttyUSB0 device -", "tty0 power -", "ptmx power -", "rfcomm0 power -" }) {
            const QStringList e = QString::fromLatin1(entry).split(QLatin1Char(' '));
            QVERIFY(QDir(sys.path()).mkpath(e[0] + QLatin1Char('/') + e[1]));
            QFile type(sys.filePath(e[0] + QStringLiteral("/type")));
            QVERIFY(
                e[2] == "-" || (type.open(QIODevice::WriteOnly) && type.write(e[2].toLatin1())));
        }
        QCOMPARE(PortList::fromSysfs(sys.path()),
            QStringList(
                { "/dev/rfcomm0", "/dev/ttyS0", "/dev/ttyS2", "/dev/ttyS10", "/dev/ttyUSB0" }));
        QCOMPARE(PortList::fromSysfs(sys.filePath("missing")), std::nullopt);

        // On this machine the scan finds what the toolkit finds, less UARTs
        // that no driver found (which some kernels let the toolkit list).
        if (const auto found = PortList::fromSysfs(QStringLiteral("/sys/class/tty"))) {
            QStringList fromQt;
            for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
                QFile type(QStringLiteral("/sys/class/tty/%1/type").arg(info.portName()));
                if (!type.open(QIODevice::ReadOnly) || type.readAll().trimmed() != "0")
                    fromQt.append(info.systemLocation());
            }
            QCOMPARE(QSet(found->begin(), found->end()), QSet(fromQt.begin(), fromQt.end()));
        }

        // A port number names a ttyS device; a port that is not there fails
        // at once, by name.
        QCOMPARE(SerialDeviceLink::deviceForPortNumber(1), QStringLiteral("/dev/ttyS0"));
        SerialDeviceLink link;
        link.SetOptions({ m_dir.filePath(QStringLiteral("no-such-port")) });
        QElapsedTimer clock;
        clock.start();
        const auto missing = link.CheckConnection();
        QCOMPARE(missing.fault(), LinkFault::PortUnavailable);
        QVERIFY(missing.errorText().contains(QLatin1String("no-such-port")));
        QVERIFY(clock.elapsed() < plandor::test::scaledMs(1000));
    }

    // Written, ended, confirmed and read back (the float bits are the
    // codec's: tst_serial_codec); then the panel alone, which a 1.0
    // instrument keeps only at its end. A 1.0 instrument takes records in the
    // 1.0 layout, a 1.1 one in the compact one; one of a version the PC does
    // not speak is refused at once: a refusal is an answer, not a time-out.
    void roundTrip_data()
    {
        QTest::addColumn<int>("version");
        QTest::addColumn<LinkRecordArray>("plan");
        QTest::addColumn<FavoritesRecord>("panel");
        LinkRecordArray odd;
        odd.items = { rec(1, "DIGI", 100.1f, 7.999999f, "Z12"), rec(2, "TV", 5.0f, -0.0f, "a~"),
            rec(3, "DIGI", 862.0f, std::nextafter(8.0f, 9.0f), QStringLiteral("é þ")),
            rec(4, "TV", std::nextafter(1000.0f, 0.0f), 1e-40f, "999") };
        QTest::newRow("1.2, 250 irregular names and off-raster frequencies")
            << 3 << irregularPlanOf(250) << FavoritesRecord { 0, 0, 0, 0, 0, 0, 0, kUnitDbmV };
        QTest::newRow("1.1, awkward floats and texts")
            << 2 << odd << FavoritesRecord { 1, 2, 250, 0, 7, 9, 8, kUnitDbmV };
        QTest::newRow("1.0, 255 channels in several batches")
            << 1 << planOf(255) << FavoritesRecord { 5, 6, 7, 8, 9, 10, 0, kUnitDbuV };
        QTest::newRow("too new") << protocol::kVersionMax + 1 << planOf(1) << FavoritesRecord {};
    }

    void roundTrip()
    {
        QFETCH(int, version);
        QFETCH(LinkRecordArray, plan);
        QFETCH(FavoritesRecord, panel);
        QVERIFY(m_sim->start({ QStringLiteral("--protocol-version"), QString::number(version) }));
        auto link = newLink();
        QElapsedTimer clock;
        clock.start();
        const bool speaks = version <= protocol::kVersionMax;
        const auto connected = link->CheckConnection();
        QCOMPARE(connected.ok(), speaks);
        if (!speaks) {
            QCOMPARE(connected.fault(), LinkFault::Refused);
            QVERIFY(connected.errorText().contains(QLatin1String("version")));
            QCOMPARE(readBack(*link), std::nullopt);
            QVERIFY(clock.elapsed() < plandor::test::scaledMs(1000));
            return;
        }
        const auto written = link->WritePlan(plan, 0, panel);
        QVERIFY2(written, qPrintable(written.errorText()));
        QVERIFY(link->EndTransfer());
        QCOMPARE(link->identity()->version, version);
        QCOMPARE(link->ConfirmLastWrite(), DeviceLink::WriteCheck::Stored);
        QCOMPARE(readBack(*link), Kept(plan, panel));
        panel.Favorite1 = 9;
        QVERIFY(link->WriteFavorites(panel));
        QVERIFY(link->EndTransfer());
        QCOMPARE(readBack(*link), Kept(plan, panel));
    }

    // A send is one session: the connection check's Hello serves the write,
    // a file without a panel costs one ReadBegin, and after the end's
    // acknowledgement nothing is asked; from 1.2 on no WriteCheck either, and
    // the records come with the WriteBegin.
    void oneSessionPerSend_data()
    {
        QTest::addColumn<int>("version");
        QTest::addColumn<bool>("keepPanel");
        QTest::addColumn<QString>("requests");
        QTest::newRow("1.2") << 3 << false << "Hello WriteBegin EndTransfer";
        QTest::newRow("1.2, keeping the instrument's panel")
            << 3 << true << "Hello ReadBegin WriteBegin EndTransfer";
        QTest::newRow("1.1") << 2 << false
                             << "Hello WriteBegin WriteRecords WriteCheck EndTransfer";
    }

    void oneSessionPerSend()
    {
        QFETCH(int, version);
        QFETCH(bool, keepPanel);
        QFETCH(QString, requests);
        const QString trace
            = m_dir.filePath(QStringLiteral("trace-%1").arg(QTest::currentDataTag()));
        // The simulator's first plan: channels and a panel of its own.
        QVERIFY(m_sim->start({ "--protocol-version", QString::number(version), "--trace", trace }));
        auto link = newLink();
        PlanTransfer transfer(*link);
        transfer.setPause([](std::chrono::milliseconds) {});
        QVERIFY(transfer.checkConnection());
        FavoritesRecord panel { 9, 9, 9, 9, 9, 9, 6, kUnitDbuV };
        if (keepPanel) {
            const auto held = transfer.readPanel();
            QVERIFY2(held, qPrintable(held.errorText()));
            panel = PlanRecords::toFavorites(*held);
        }
        QVERIFY(transfer.send(
            PlanRecords::fromReceived(planOf(30)), PlanRecords::fromFavorites(panel)));
        const auto seen = [&trace] {
            QFile file(trace);
            QStringList names;
            if (file.open(QIODevice::ReadOnly))
                for (const QByteArray &line : file.readAll().split('\n'))
                    if (line.startsWith("request: "))
                        names.append(QString::fromLatin1(line.split(' ').value(1)));
            return names;
        };
        QCOMPARE(seen().join(QLatin1Char(' ')), requests);
        // The name the history gives the instrument: from 1.2 on asked once
        // in a run (here at most once), not by each link.
        QCOMPARE(link->Identify()->identity, QStringLiteral("Simulated meter SIM-0001"));
        link->ReleasePort();
        auto other = newLink();
        QVERIFY(other->CheckConnection());
        QCOMPARE(other->Identify()->identity, link->Instrument().identity);
        other.reset();
        QVERIFY(seen().count(QStringLiteral("Identify")) <= (version >= 3 ? 1 : 0));
        const auto kept = readBack(*link);
        QVERIFY(kept && kept->first == planOf(30) && kept->second == panel);
        QCOMPARE(panel.Favorite1 != 9, keepPanel); // the instrument's own panel was kept
    }

    // A plan the instrument could not have taken (a state file edited by
    // hand: a 2 MHz channel) is refused, not handed on. A rate that differs
    // from the instrument's is named. An instrument without channels reads
    // as an empty plan; plans the link cannot carry (none, past the
    // instrument's own limit or the protocol's, a name past 255 bytes) are
    // refused and leave nothing to end; a port held under another name is in
    // use.
    void whatTheLinkRefuses()
    {
        m_sim->stop();
        QFile state(m_state);
        QVERIFY(state.open(QIODevice::WriteOnly | QIODevice::Truncate));
        state.write(R"({"generation": 3, "favorites": [1, 0, 0, 0, 0, 0], "span": 8, "unit": 2,
            "channels": [{"position": 1, "type": "TV", "freqBits": 1073741824,
                          "audioBits": 1087373312, "name": "A"}]})");
        state.close();
        QVERIFY(m_sim->start());
        auto link = newLink();
        const auto edited = link->ReadPlan(0);
        QVERIFY2(!edited && edited.errorText().contains(QLatin1String("channel 1: frequency")),
            qPrintable(edited.errorText()));

        QVERIFY(m_sim->start({ QStringLiteral("--blank"), QStringLiteral("--max-channels"),
            QStringLiteral("10"), QStringLiteral("--baud"), QStringLiteral("9600") }));
        link = newLink();
        const auto otherRate = link->CheckConnection();
        QCOMPARE(otherRate.fault(), LinkFault::NoAnswer);
        QVERIFY2(otherRate.errorText().contains(QLatin1String("115200 baud")),
            qPrintable(otherRate.errorText()));
        link->SetOptions({ {}, 9600 });
        const auto blank = readBack(*link);
        QVERIFY(blank && blank->first.isEmpty());
        LinkRecordArray longName = planOf(3);
        longName.items[1].Name = QString(85, QChar(0x4E2D)) + QLatin1Char('x'); // 256 bytes
        const std::pair<LinkRecordArray, const char *> refused[]
            = { { {}, "no channels" }, { planOf(11), "at most 10" }, { planOf(256), "at most 255" },
                  { longName, "too long" } };
        for (const auto &[plan, reason] : refused) {
            const auto written = link->WritePlan(plan, 0, {});
            QVERIFY2(written.errorText().contains(QLatin1String(reason)), reason);
            QVERIFY(!link->EndTransfer());
        }

        const QString alias = m_dir.filePath(QStringLiteral("alias"));
        QVERIFY(QFile::link(m_sim->port(), alias));
        SerialDeviceLink other;
        other.SetOptions({ alias });
        const auto inUse = other.CheckConnection();
        QVERIFY2(inUse.fault() == LinkFault::PortUnavailable
                && inUse.errorText().contains(QLatin1String("in use")),
            qPrintable(inUse.errorText()));

        // The window says the instrument's own limit before anything is sent.
        QList<ChannelValues> rows;
        for (int i = 1; i <= 11; ++i)
            rows << test::TempStore::row(i, QString::number(i), "TV", 40.0 + 7 * i, 6.5);
        PlanTransfer transfer(*link);
        const auto tooLarge = transfer.send(rows, {});
        QCOMPARE(tooLarge.outcome, PlanTransfer::SendOutcome::TooLarge);
        QCOMPARE(tooLarge.text,
            QStringLiteral("The plan has 11 channels; the instrument takes at most 10."));
        // The history names the instrument after the port is let go.
        const QString identity = link->Identify()->identity;
        QVERIFY(!identity.isEmpty());
        link->ReleasePort();
        QCOMPARE(link->Instrument().identity, identity);
    }
};

QTEST_MAIN(TestSerialLink)
#include "tst_serial_link.moc"
