// How well the serial link uses its line: a 250-channel write (ended) and
// read against plandor-sim imitating a 9600 and a 115200 baud line, once with
// the 1.0 record layout and once with the compact one. Prints the bytes on
// the wire (both directions), the round trips, the time, the compact/1.0
// ratios, and the share of line capacity: bits on the wire / (rate x time),
// 10 bits a byte. The 500 ms pause a caller makes before ending a write is
// not included.
//
// Usage: bench_link [path of plandor-sim]  (default: beside this program)

#include "transfer/serial/FrameTransport.h"
#include "transfer/serial/RecordCodec.h"
#include "transfer/serial/SerialDeviceLink.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <cstdio>
#include <optional>
#include <tuple>

using namespace plandor;

namespace {

constexpr int kChannels = 250;

LinkRecordArray benchPlan()
{
    LinkRecordArray plan;
    for (int i = 1; i <= kChannels; ++i) {
        LinkRecord r;
        r.Position = quint8(i);
        const bool digi = i > 60;
        r.Type = digi ? QStringLiteral("DIGI") : QStringLiteral("TV");
        r.Freq = 49.75f + 3.5f * float(i);
        r.Audio1 = digi ? 8.0f : 6.5f;
        r.Name = QString::number(i);
        plan.items.append(r);
    }
    return plan;
}

struct Traffic
{
    qint64 bytes = 0;
    int roundTrips = 0;
    int retries = 0;
};

Traffic trafficOf(const FrameTransport *t)
{
    return t ? Traffic { t->bytesSent() + t->bytesReceived(), t->roundTrips(), t->retries() }
             : Traffic {};
}

// One operation's cost on the line.
struct Measure
{
    qint64 wireBytes = 0;
    int roundTrips = 0;
    int retries = 0;
    qint64 ms = 0;

    // The share of the time the line carried bits: both directions take
    // turns (one request, then its reply), so the bytes of both count
    // against one direction's rate.
    double lineShare(qint32 baud) const
    {
        const double bits = double(wireBytes) * protocol::kBitsPerByte;
        return bits / (double(baud) * double(qMax<qint64>(1, ms)) / 1000.0);
    }
};

Measure measureOf(const Traffic &before, const Traffic &after, qint64 ms)
{
    return { after.bytes - before.bytes, after.roundTrips - before.roundTrips,
        after.retries - before.retries, ms };
}

struct Run
{
    Measure write;
    Measure read;
};

// A write (ended) and a read of the plan against plandor-sim at this rate,
// the simulator speaking up to this protocol version (1: 1.0 layout, 2: compact).
std::optional<Run> runAt(
    const QString &simProgram, qint32 baud, int version, const QTemporaryDir &dir)
{
    QProcess sim;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PLANDOR_PORTS_DIR"), dir.filePath(QStringLiteral("ports")));
    sim.setProcessEnvironment(env);
    sim.start(simProgram,
        { QStringLiteral("--state"),
            dir.filePath(QStringLiteral("state-%1-%2").arg(baud).arg(version)),
            QStringLiteral("--baud"), QString::number(baud), QStringLiteral("--protocol-version"),
            QString::number(version) });
    QString port;
    QDeadlineTimer deadline(5000);
    while (port.isEmpty() && !deadline.hasExpired() && sim.waitForReadyRead(500)) {
        const QString line = QString::fromLocal8Bit(sim.readLine()).trimmed();
        if (line.startsWith(QLatin1String("port: ")))
            port = line.mid(6);
    }
    if (port.isEmpty()) {
        std::fprintf(stderr, "bench_link: %s did not start\n", qPrintable(simProgram));
        return std::nullopt;
    }

    SerialDeviceLink link;
    LinkTiming timing;
    timing.baud = baud;
    link.setTiming(timing);
    link.SetPortName(port);
    bool ok = qint16(link.CheckConnection()) != 0 && link.identity()
        && link.identity()->version == version;

    const LinkRecordArray plan = benchPlan();
    FavoritesRecord panel;
    panel.Span = 8;
    panel.Unit = kUnitDbmV;
    Run run;
    Traffic before = trafficOf(link.transport());
    QElapsedTimer clock;
    clock.start();
    ok = ok && qint16(link.WritePlan(plan, 0, panel)) != 0 && qint16(link.EndTransfer()) != 0;
    run.write = measureOf(before, trafficOf(link.transport()), clock.elapsed());

    LinkRecordArray got;
    FavoritesRecord gotPanel;
    before = trafficOf(link.transport());
    clock.restart();
    ok = ok && qint16(link.ReadPlan(0, got, gotPanel)) != 0;
    run.read = measureOf(before, trafficOf(link.transport()), clock.elapsed());
    if (ok && got.items.size() != plan.items.size())
        ok = false;
    if (!ok)
        std::fprintf(stderr, "bench_link: transfer at %d baud, version %d failed: %s\n", baud,
            version, qPrintable(link.lastError()));
    sim.terminate();
    sim.waitForFinished(3000);
    return ok ? std::optional<Run>(run) : std::nullopt;
}

void printRow(const char *what, qint32 baud, const char *layout, const Measure &m)
{
    std::printf("%-5s %6d  %-7s %6lld %6d %7d %8lld %8.1f%%\n", what, baud, layout, m.wireBytes,
        m.roundTrips, m.retries, m.ms, 100.0 * m.lineShare(baud));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString simProgram = app.arguments().size() > 1
        ? app.arguments().at(1)
        : QCoreApplication::applicationDirPath() + QStringLiteral("/../plandor-sim");
    QTemporaryDir dir;
    qint64 planBytes = 0;
    for (const LinkRecord &r : benchPlan().items)
        planBytes += RecordCodec::encodeRecord(r).size();
    std::printf("%d channels, %lld bytes of records in the 1.0 layout; bytes both ways, 10 bits "
                "a byte (8N1)\n",
        kChannels, planBytes);
    std::printf("%-5s %6s  %-7s %6s %6s %7s %8s %9s\n", "op", "baud", "layout", "bytes", "trips",
        "retries", "ms", "of line");
    bool ok = true;
    for (qint32 baud : { 9600, 115200 }) {
        const std::optional<Run> plain = runAt(simProgram, baud, 1, dir);
        const std::optional<Run> compact = runAt(simProgram, baud, 2, dir);
        if (!plain || !compact) {
            ok = false;
            continue;
        }
        for (const auto &[what, p, c] : { std::tuple { "write", plain->write, compact->write },
                 std::tuple { "read", plain->read, compact->read } }) {
            printRow(what, baud, "1.0", p);
            printRow(what, baud, "compact", c);
            std::printf("%-5s %6d  compact/1.0: bytes %.3f, time %.3f\n", what, baud,
                double(c.wireBytes) / double(qMax<qint64>(1, p.wireBytes)),
                double(c.ms) / double(qMax<qint64>(1, p.ms)));
        }
        std::fflush(stdout);
    }
    return ok ? 0 : 1;
}
