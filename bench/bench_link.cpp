// How long the serial link takes to send and to read a 250-channel plan
// against plandor-sim imitating a 9600 and a 115200 baud line, in each record
// layout (protocol 1.0, 1.1 compact, 1.2 packed), for three plans:
//   regular    names counted up, one raster step, the audio of each type;
//   irregular  random names of 1 to 3 capitals and digits, random
//              frequencies to the kHz (off the 10 kHz raster), audio by type;
//   hard       random 3-character names, random frequencies to 100 Hz,
//              random audio from three values of each type.
// From 1.2 on the first records go with the WriteBegin, so "before" is the
// check alone.
// A send is what Download and plandor-cli send do: the connection check
// (Hello), the write, the 500 ms pause, the end and whatever the PC asks
// afterwards; a read is the connection check and the read. Each starts on a
// port just opened. Prints per operation the bytes on the wire (both
// directions, 10 bits a byte), the round trips, the time, and for a send the
// time of the connection check, the time before the first record batch
// leaves (the check included), the time of the batches and the rest (the
// fixed cost: the check and the 500 ms pause included).
//
// Usage: bench_link [path of plandor-sim]  (default: beside this program)

#include "transfer/PlanRecords.h"
#include "transfer/PlanTransfer.h"
#include "transfer/serial/FrameTransport.h"
#include "transfer/serial/Protocol.h"
#include "transfer/serial/SerialDeviceLink.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

using namespace plandor;

namespace {

constexpr int kChannels = 250;

LinkRecord channel(int position, bool digi, double freq, double audio, const QString &name)
{
    LinkRecord r;
    r.Position = quint8(position);
    r.Type = digi ? QStringLiteral("DIGI") : QStringLiteral("TV");
    r.Freq = float(freq);
    r.Audio1 = float(audio);
    r.Name = name;
    return r;
}

LinkRecordArray regularPlan()
{
    LinkRecordArray plan;
    for (int i = 1; i <= kChannels; ++i)
        plan.items.append(
            channel(i, i > 60, 49.75 + 3.5 * i, i > 60 ? 8.0 : 6.5, QString::number(i)));
    return plan;
}

// Random names (none counted up from the one before, none twice) and
// frequencies rounded to 10^-decimals MHz, in frequency order.
LinkRecordArray randomPlan(quint32 seed, int decimals, bool randomAudio)
{
    QRandomGenerator rng(seed);
    const double unit = std::pow(10.0, decimals);
    QList<double> freqs;
    for (int i = 0; i < kChannels; ++i)
        freqs.append(std::round((52.0 + 942.0 * rng.generateDouble()) * unit) / unit);
    std::sort(freqs.begin(), freqs.end());
    static const char symbols[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QSet<QString> used;
    LinkRecordArray plan;
    for (int i = 0; i < kChannels; ++i) {
        QString name;
        while (name.isEmpty() || used.contains(name)) {
            const int length = randomAudio ? 3 : 1 + int(rng.bounded(3));
            name.clear();
            for (int c = 0; c < length; ++c)
                name.append(QLatin1Char(symbols[rng.bounded(36)]));
        }
        used.insert(name);
        const bool digi = rng.bounded(3) == 0;
        const double tvAudio[] = { 4.5, 6.0, 6.5 }, digiWidth[] = { 6.0, 7.0, 8.0 };
        const double audio = !randomAudio ? (digi ? 8.0 : 6.5)
            : digi                        ? digiWidth[rng.bounded(3)]
                                          : tvAudio[rng.bounded(3)];
        plan.items.append(channel(i + 1, digi, freqs[i], audio, name));
    }
    return plan;
}

struct Traffic
{
    qint64 bytes = 0;
    int roundTrips = 0;
};

Traffic trafficOf(const FrameTransport *t)
{
    return t ? Traffic { t->bytesSent() + t->bytesReceived(), t->roundTrips() } : Traffic {};
}

// One operation's cost on the line.
struct Measure
{
    qint64 wireBytes = 0;
    int roundTrips = 0;
    qint64 ms = 0;
    qint64 checkMs = -1; // a send: the connection check
    qint64 beforeRecordsMs = -1; // a send: until the first batch leaves
    qint64 recordsMs = -1; // a send: from the first batch to the last one's answer
};

// The simulated instrument, speaking up to one protocol version at one rate.
class Instrument
{
public:
    Instrument(const QString &program, const QTemporaryDir &dir, qint32 baud, int version)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PLANDOR_PORTS_DIR"), dir.filePath(QStringLiteral("ports")));
        m_process.setProcessEnvironment(env);
        static int n = 0;
        m_process.start(program,
            { QStringLiteral("--state"), dir.filePath(QStringLiteral("state-%1").arg(++n)),
                QStringLiteral("--baud"), QString::number(baud),
                QStringLiteral("--protocol-version"), QString::number(version) });
        QDeadlineTimer deadline(5000);
        while (m_port.isEmpty() && !deadline.hasExpired() && m_process.waitForReadyRead(500)) {
            const QString line = QString::fromLocal8Bit(m_process.readLine()).trimmed();
            if (line.startsWith(QLatin1String("port: ")))
                m_port = line.mid(6);
        }
    }
    ~Instrument()
    {
        m_process.terminate();
        m_process.waitForFinished(3000);
    }
    const QString &port() const { return m_port; }

private:
    QProcess m_process;
    QString m_port;
};

// A link on a port opened afresh, as plandor-cli has it.
std::unique_ptr<SerialDeviceLink> newLink(const Instrument &instrument, qint32 baud)
{
    auto link = std::make_unique<SerialDeviceLink>();
    LinkTiming timing;
    timing.baud = baud;
    link->setTiming(timing);
    link->SetOptions({ instrument.port() });
    return link;
}

std::optional<Measure> send(const Instrument &instrument, qint32 baud, int version,
    const LinkRecordArray &plan, QString *error)
{
    auto link = newLink(instrument, baud);
    QElapsedTimer clock;
    Measure m;
    link->setProgress([&](int done, int total) {
        if (done == 0)
            m.beforeRecordsMs = clock.elapsed();
        else if (done == total)
            m.recordsMs = clock.elapsed() - m.beforeRecordsMs;
    });
    FavoritesRecord favorites;
    favorites.Span = 8;
    favorites.Unit = kUnitDbmV;
    const QList<ChannelValues> rows = PlanRecords::fromReceived(plan);
    const PanelTexts panel = PlanRecords::fromFavorites(favorites);
    PlanTransfer transfer(*link);
    clock.start();
    const auto connected = transfer.checkConnection();
    const bool checked = connected && link->identity()->version == version;
    m.checkMs = clock.elapsed();
    const auto result = checked ? transfer.send(rows, panel) : PlanTransfer::SendResult {};
    const bool sent = result.sent();
    m.ms = clock.elapsed();
    const Traffic t = trafficOf(link->transport());
    m.wireBytes = t.bytes;
    m.roundTrips = t.roundTrips;
    if (!sent)
        *error = connected ? result.text : connected.errorText();
    return sent ? std::optional(m) : std::nullopt;
}

std::optional<Measure> read(
    const Instrument &instrument, qint32 baud, const LinkRecordArray &expected, QString *error)
{
    auto link = newLink(instrument, baud);
    QElapsedTimer clock;
    clock.start();
    const auto connected = link->CheckConnection();
    const auto received = connected ? link->ReadPlan(0) : LinkResult<LinkPlan>(connected.failure());
    const bool ok = received.ok();
    const LinkRecordArray got = ok ? received->records : LinkRecordArray {};
    Measure m;
    m.ms = clock.elapsed();
    const Traffic t = trafficOf(link->transport());
    m.wireBytes = t.bytes;
    m.roundTrips = t.roundTrips;
    if (!ok)
        *error = received.errorText();
    else if (got != expected)
        *error = QStringLiteral("the plan read differs from the one sent");
    return ok && got == expected ? std::optional(m) : std::nullopt;
}

void printRow(const char *op, const char *plan, qint32 baud, const char *layout, const Measure &m)
{
    std::printf("%-4s %-9s %6d %-7s %6lld %5d %6lld", op, plan, baud, layout, m.wireBytes,
        m.roundTrips, m.ms);
    if (m.recordsMs >= 0)
        std::printf(" %6lld %7lld %7lld %7lld", m.checkMs, m.beforeRecordsMs, m.recordsMs,
            m.ms - m.recordsMs);
    std::printf("\n");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString simProgram = app.arguments().size() > 1
        ? app.arguments().at(1)
        : QCoreApplication::applicationDirPath() + QStringLiteral("/../plandor-sim");
    QTemporaryDir dir;
    const struct
    {
        const char *name;
        LinkRecordArray records;
    } plans[] = { { "regular", regularPlan() }, { "irregular", randomPlan(21, 3, false) },
        { "hard", randomPlan(7, 4, true) } };
    const char *layouts[] = { "1.0", "compact", "packed" };
    std::printf("%d channels; bytes both ways, 10 bits a byte (8N1); times in ms; a send "
                "includes the 500 ms pause\n",
        kChannels);
    std::printf("%-4s %-9s %6s %-7s %6s %5s %6s %6s %7s %7s %7s\n", "op", "plan", "baud", "layout",
        "bytes", "trips", "ms", "check", "before", "records", "fixed");
    bool ok = true;
    for (qint32 baud : { 9600, 115200 }) {
        for (const auto &plan : plans) {
            for (int version = 1; version <= protocol::kVersionMax; ++version) {
                const Instrument instrument(simProgram, dir, baud, version);
                QString error;
                const auto sent = instrument.port().isEmpty()
                    ? std::nullopt
                    : send(instrument, baud, version, plan.records, &error);
                const auto got = sent ? read(instrument, baud, plan.records, &error) : std::nullopt;
                if (!sent || !got) {
                    std::fprintf(stderr, "bench_link: %s plan at %d baud, version %d: %s\n",
                        plan.name, baud, version,
                        instrument.port().isEmpty() ? "plandor-sim did not start"
                                                    : qPrintable(error));
                    ok = false;
                    continue;
                }
                printRow("send", plan.name, baud, layouts[version - 1], *sent);
                printRow("read", plan.name, baud, layouts[version - 1], *got);
            }
        }
    }
    return ok ? 0 : 1;
}
