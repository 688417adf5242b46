// How well the serial link uses its line: a 250-channel write (ended) and
// read against plandor-sim imitating a 9600 and a 115200 baud line. Prints
// the bytes on the wire, the round trips, and the transfer time against the
// time the plan's own record bytes need on that line (10 bits per byte).
// The 500 ms pause a caller makes before ending a write is not included.
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

void report(const char *what, qint32 baud, qint64 payloadBytes, const Traffic &before,
    const Traffic &after, qint64 elapsedMs)
{
    const double idealMs = double(payloadBytes) * 10.0 * 1000.0 / double(baud);
    std::printf("%-6s %7d baud: %5lld payload bytes, %5lld bytes on the wire, %2d round trips, "
                "%d retries, %6lld ms (payload alone %6.0f ms): %5.1f%% of line capacity\n",
        what, baud, payloadBytes, after.bytes - before.bytes, after.roundTrips - before.roundTrips,
        after.retries - before.retries, elapsedMs, idealMs,
        100.0 * idealMs / double(qMax<qint64>(1, elapsedMs)));
    std::fflush(stdout);
}

bool runAt(const QString &simProgram, qint32 baud, const QTemporaryDir &dir)
{
    QProcess sim;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PLANDOR_PORTS_DIR"), dir.filePath(QStringLiteral("ports")));
    sim.setProcessEnvironment(env);
    sim.start(simProgram,
        { QStringLiteral("--state"), dir.filePath(QStringLiteral("state-%1").arg(baud)),
            QStringLiteral("--baud"), QString::number(baud) });
    QString port;
    QDeadlineTimer deadline(5000);
    while (port.isEmpty() && !deadline.hasExpired() && sim.waitForReadyRead(500)) {
        const QString line = QString::fromLocal8Bit(sim.readLine()).trimmed();
        if (line.startsWith(QLatin1String("port: ")))
            port = line.mid(6);
    }
    if (port.isEmpty()) {
        std::fprintf(stderr, "bench_link: %s did not start\n", qPrintable(simProgram));
        return false;
    }

    SerialDeviceLink link;
    LinkTiming timing;
    timing.baud = baud;
    link.setTiming(timing);
    link.SetPortName(port);
    bool ok = qint16(link.CheckConnection()) != 0;

    const LinkRecordArray plan = benchPlan();
    qint64 payloadBytes = 0;
    for (const LinkRecord &r : plan.items)
        payloadBytes += RecordCodec::encodeRecord(r).size();

    FavoritesRecord panel;
    panel.Span = 8;
    panel.Unit = kUnitDbmV;
    Traffic before = trafficOf(link.transport());
    QElapsedTimer clock;
    clock.start();
    ok = ok && qint16(link.WritePlan(plan, 0, panel)) != 0 && qint16(link.EndTransfer()) != 0;
    if (ok)
        report("write", baud, payloadBytes, before, trafficOf(link.transport()), clock.elapsed());

    LinkRecordArray got;
    FavoritesRecord gotPanel;
    before = trafficOf(link.transport());
    clock.restart();
    ok = ok && qint16(link.ReadPlan(0, got, gotPanel)) != 0;
    if (ok)
        report("read", baud, payloadBytes, before, trafficOf(link.transport()), clock.elapsed());
    if (ok && got.items.size() != plan.items.size())
        ok = false;
    if (!ok)
        std::fprintf(stderr, "bench_link: transfer at %d baud failed: %s\n", baud,
            qPrintable(link.lastError()));
    sim.terminate();
    sim.waitForFinished(3000);
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString simProgram = app.arguments().size() > 1
        ? app.arguments().at(1)
        : QCoreApplication::applicationDirPath() + QStringLiteral("/../plandor-sim");
    QTemporaryDir dir;
    bool ok = true;
    for (qint32 baud : { 9600, 115200 })
        ok = runAt(simProgram, baud, dir) && ok;
    return ok ? 0 : 1;
}
