#include "SimOptions.h"

#include "base/ProgramVersion.h"

#include <QCommandLineParser>
#include <QDir>
#include <QStandardPaths>

#include <cstdio>

namespace plandor::sim {

namespace {

QString defaultStatePath()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        base = QDir::tempPath();
    return base + QStringLiteral("/plandor/simulated-instrument.state");
}

bool readRate(const QCommandLineParser &p, const QString &name, double &out)
{
    if (!p.isSet(name))
        return true;
    bool ok = false;
    out = p.value(name).toDouble(&ok);
    if (!ok || out < 0 || out > 1) {
        std::fprintf(stderr, "plandor-sim: --%s needs a rate from 0 to 1\n", qPrintable(name));
        return false;
    }
    return true;
}

bool readInt(const QCommandLineParser &p, const QString &name, qint64 min, qint64 max, qint64 &out)
{
    if (!p.isSet(name))
        return true;
    bool ok = false;
    out = p.value(name).toLongLong(&ok);
    if (!ok || out < min || out > max) {
        std::fprintf(stderr, "plandor-sim: --%s needs a whole number from %lld to %lld\n",
            qPrintable(name), min, max);
        return false;
    }
    return true;
}

} // namespace

std::optional<SimOptions> ParseSimOptions(const QStringList &arguments)
{
    QCommandLineParser p;
    p.setApplicationDescription(
        QStringLiteral("A simulated instrument for Plandor. It serves the instrument's side of "
                       "the serial protocol on a new pseudo-terminal (or on --device), "
                       "publishes the port for Plandor's start-up window and prints "
                       "\"port: <path>\" when ready. Signals: TERM/INT stop it, USR1 unplugs "
                       "the line, USR2 clears every fault (it then prints \"faults: off\")."));
    p.addHelpOption();
    const QCommandLineOption versionOption(
        QStringLiteral("version"), QStringLiteral("Show the version."));
    p.addOption(versionOption);
    p.addOptions({
        { QStringLiteral("state"), QStringLiteral("File that keeps the plan and panel."),
            QStringLiteral("file"), defaultStatePath() },
        { QStringLiteral("device"),
            QStringLiteral("Serve this serial device instead of a "
                           "new pseudo-terminal."),
            QStringLiteral("path") },
        { QStringLiteral("link"),
            QStringLiteral("Also make this symbolic link to the port "
                           "(replacing one left behind)."),
            QStringLiteral("path") },
        { QStringLiteral("baud"),
            QStringLiteral("Imitate a line of this speed: 10 bits per byte both ways, and "
                           "garbled bytes when the client opens the port at another standard "
                           "rate. Plandor must use the same rate: the start-up window's Rate "
                           "box, or plandor-cli --baud."),
            QStringLiteral("n") },
        { QStringLiteral("max-channels"),
            QStringLiteral("The most channels the instrument takes (1 to 255)."),
            QStringLiteral("n"), QStringLiteral("255") },
        { QStringLiteral("blank"),
            QStringLiteral("Start holding no channels, whatever the state file holds.") },
        { QStringLiteral("trace"),
            QStringLiteral("Append \"request: <type> <payload bytes> <ms>\" to this file for "
                           "every request handled (ms since the start; the file \"-\" is the "
                           "standard output)."),
            QStringLiteral("file") },
        { QStringLiteral("protocol-version"),
            QStringLiteral("Claim this protocol version (to imitate other firmware)."),
            QStringLiteral("v") },
        { QStringLiteral("seed"), QStringLiteral("Seed of the fault generator."),
            QStringLiteral("n"), QStringLiteral("1") },
        { QStringLiteral("drop"), QStringLiteral("Lose bytes at this rate."),
            QStringLiteral("rate") },
        { QStringLiteral("corrupt"), QStringLiteral("Flip a bit of bytes at this rate."),
            QStringLiteral("rate") },
        { QStringLiteral("noise"), QStringLiteral("Add random bytes at this rate."),
            QStringLiteral("rate") },
        { QStringLiteral("preamble"),
            QStringLiteral("Send this many random bytes before "
                           "each reply."),
            QStringLiteral("n") },
        { QStringLiteral("delay"), QStringLiteral("Hold back replies at this rate."),
            QStringLiteral("rate") },
        { QStringLiteral("delay-ms"), QStringLiteral("How long a held-back reply waits."),
            QStringLiteral("ms"), QStringLiteral("3000") },
        { QStringLiteral("malformed"), QStringLiteral("Send malformed replies at this rate."),
            QStringLiteral("rate") },
        { QStringLiteral("silent"), QStringLiteral("Never answer.") },
        { QStringLiteral("refuse-writes"), QStringLiteral("Refuse every write.") },
        { QStringLiteral("lose-request"),
            QStringLiteral("The n-th request and every repeat of it are lost on the way."),
            QStringLiteral("n") },
        { QStringLiteral("lose-reply"),
            QStringLiteral("The n-th request is carried out, but its reply and the replies to "
                           "its repeats are lost."),
            QStringLiteral("n") },
        { QStringLiteral("unplug-after"),
            QStringLiteral("Close the line after this many requests, then exit."),
            QStringLiteral("n") },
    });
    if (!p.parse(arguments)) {
        std::fprintf(stderr, "plandor-sim: %s\n", qPrintable(p.errorText()));
        return std::nullopt;
    }
    if (p.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(p.helpText()), stdout);
        std::exit(0);
    }
    if (p.isSet(versionOption)) {
        std::printf("%s\n", qPrintable(ProgramVersion::line(QStringLiteral("plandor-sim"))));
        std::exit(0);
    }
    if (!p.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "plandor-sim: unexpected argument %s\n",
            qPrintable(p.positionalArguments().first()));
        return std::nullopt;
    }

    SimOptions o;
    o.statePath = p.value(QStringLiteral("state"));
    o.device = p.value(QStringLiteral("device"));
    o.linkPath = p.value(QStringLiteral("link"));
    o.faults.silent = p.isSet(QStringLiteral("silent"));
    o.faults.refuseWrites = p.isSet(QStringLiteral("refuse-writes"));
    o.blank = p.isSet(QStringLiteral("blank"));
    o.tracePath = p.value(QStringLiteral("trace"));
    qint64 maxChannels = 255;
    qint64 loseRequest = 0, loseReply = 0;
    qint64 baud = 0, version = -1, seed = 1, preamble = 0, delayMs = 3000, unplug = 0;
    if (!readInt(p, QStringLiteral("baud"), 50, 4000000, baud)
        || !readInt(p, QStringLiteral("protocol-version"), 0, 255, version)
        || !readInt(p, QStringLiteral("max-channels"), 1, 255, maxChannels)
        || !readInt(p, QStringLiteral("seed"), 0, 0xFFFFFFFFLL, seed)
        || !readInt(p, QStringLiteral("preamble"), 0, 100000, preamble)
        || !readInt(p, QStringLiteral("delay-ms"), 0, 600000, delayMs)
        || !readInt(p, QStringLiteral("unplug-after"), 0, 1000000000, unplug)
        || !readInt(p, QStringLiteral("lose-request"), 0, 1000000000, loseRequest)
        || !readInt(p, QStringLiteral("lose-reply"), 0, 1000000000, loseReply)
        || !readRate(p, QStringLiteral("drop"), o.faults.dropRate)
        || !readRate(p, QStringLiteral("corrupt"), o.faults.corruptRate)
        || !readRate(p, QStringLiteral("noise"), o.faults.noiseRate)
        || !readRate(p, QStringLiteral("delay"), o.faults.delayRate)
        || !readRate(p, QStringLiteral("malformed"), o.faults.malformedRate))
        return std::nullopt;
    o.baud = qint32(baud);
    o.maxChannels = quint16(maxChannels);
    if (version >= 0)
        o.protocolVersion = quint8(version);
    o.faults.seed = quint32(seed);
    o.faults.preamble = int(preamble);
    o.faults.delayMs = int(delayMs);
    o.faults.unplugAfter = int(unplug);
    o.faults.loseRequest = int(loseRequest);
    o.faults.loseReply = int(loseReply);
    return o;
}

} // namespace plandor::sim
