#include "SimOptions.h"

#include "base/ProgramVersion.h"
#include "transfer/BaudRates.h"

#include <QCommandLineParser>
#include <QDir>
#include <QList>
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

// What an option's value is: a switch, a text, a whole number in [min, max]
// or a rate from 0 to 1.
enum class Kind { Switch, Text, Whole, Rate };

// An option's value, read and checked by its kind.
struct Value
{
    QString text;
    qint64 whole = 0;
    double rate = 0;
    bool set = false;
};

// One option: how --help shows it, how its value is checked, and where it
// goes in SimOptions. An option that is not given leaves SimOptions' own
// value, but for a switch (false) and a text with a default.
struct SimOptionRow
{
    const char *name;
    const char *valueName; // null for a switch
    const char *help;
    Kind kind;
    qint64 min = 0;
    qint64 max = 0;
    void (*store)(SimOptions &, const Value &) = nullptr;
    QString defaultValue = {};
};

const char *const kBaudHelp
    = "Imitate a line of this speed: 10 bits per byte both ways, and garbled bytes when the "
      "client opens the port at another standard rate. Plandor must use the same rate: the "
      "start-up window's Rate box, or plandor-cli --baud (both 9600 by default). Without it the "
      "pseudo-terminal is as fast as it goes and takes a client at any rate; a --device is "
      "opened at 9600.";

QList<SimOptionRow> optionTable()
{
    constexpr qint64 kCount = 1000000000;
    return {
        { "state", "file", "File that keeps the plan and panel.", Kind::Text, 0, 0,
            [](SimOptions &o, const Value &v) { o.statePath = v.text; }, defaultStatePath() },
        { "device", "path", "Serve this serial device instead of a new pseudo-terminal.",
            Kind::Text, 0, 0, [](SimOptions &o, const Value &v) { o.device = v.text; } },
        { "link", "path", "Also make this symbolic link to the port (replacing one left behind).",
            Kind::Text, 0, 0, [](SimOptions &o, const Value &v) { o.linkPath = v.text; } },
        { "baud", "n", kBaudHelp, Kind::Whole, 50, 4000000,
            [](SimOptions &o, const Value &v) { o.baud = qint32(v.whole); } },
        { "max-channels", "n", "The most channels the instrument takes (1 to 255).", Kind::Whole, 1,
            255, [](SimOptions &o, const Value &v) { o.maxChannels = quint16(v.whole); },
            QStringLiteral("255") },
        { "blank", nullptr, "Start holding no channels, whatever the state file holds.",
            Kind::Switch, 0, 0, [](SimOptions &o, const Value &v) { o.blank = v.set; } },
        { "trace", "file",
            "Append \"request: <type> <payload bytes> <ms>\" to this file for every request "
            "handled (ms since the start; the file \"-\" is the standard output).",
            Kind::Text, 0, 0, [](SimOptions &o, const Value &v) { o.tracePath = v.text; } },
        { "protocol-version", "v", "Claim this protocol version (to imitate other firmware).",
            Kind::Whole, 0, 255,
            [](SimOptions &o, const Value &v) { o.protocolVersion = quint8(v.whole); } },
        { "seed", "n", "Seed of the fault generator.", Kind::Whole, 0, 0xFFFFFFFFLL,
            [](SimOptions &o, const Value &v) { o.faults.seed = quint32(v.whole); },
            QStringLiteral("1") },
        { "drop", "rate", "Lose bytes at this rate.", Kind::Rate, 0, 0,
            [](SimOptions &o, const Value &v) { o.faults.dropRate = v.rate; } },
        { "corrupt", "rate", "Flip a bit of bytes at this rate.", Kind::Rate, 0, 0,
            [](SimOptions &o, const Value &v) { o.faults.corruptRate = v.rate; } },
        { "noise", "rate", "Add random bytes at this rate.", Kind::Rate, 0, 0,
            [](SimOptions &o, const Value &v) { o.faults.noiseRate = v.rate; } },
        { "preamble", "n", "Send this many random bytes before each reply.", Kind::Whole, 0, 100000,
            [](SimOptions &o, const Value &v) { o.faults.preamble = int(v.whole); } },
        { "delay", "rate", "Hold back replies at this rate.", Kind::Rate, 0, 0,
            [](SimOptions &o, const Value &v) { o.faults.delayRate = v.rate; } },
        { "delay-ms", "ms", "How long a held-back reply waits.", Kind::Whole, 0, 600000,
            [](SimOptions &o, const Value &v) { o.faults.delayMs = int(v.whole); },
            QStringLiteral("3000") },
        { "malformed", "rate", "Send malformed replies at this rate.", Kind::Rate, 0, 0,
            [](SimOptions &o, const Value &v) { o.faults.malformedRate = v.rate; } },
        { "silent", nullptr, "Never answer.", Kind::Switch, 0, 0,
            [](SimOptions &o, const Value &v) { o.faults.silent = v.set; } },
        { "refuse-writes", nullptr, "Refuse every write.", Kind::Switch, 0, 0,
            [](SimOptions &o, const Value &v) { o.faults.refuseWrites = v.set; } },
        { "lose-request", "n", "The n-th request and every repeat of it are lost on the way.",
            Kind::Whole, 0, kCount,
            [](SimOptions &o, const Value &v) { o.faults.loseRequest = int(v.whole); } },
        { "lose-reply", "n",
            "The n-th request is carried out, but its reply and the replies to its repeats are "
            "lost.",
            Kind::Whole, 0, kCount,
            [](SimOptions &o, const Value &v) { o.faults.loseReply = int(v.whole); } },
        { "unplug-after", "n", "Close the line after this many requests, then exit.", Kind::Whole,
            0, kCount, [](SimOptions &o, const Value &v) { o.faults.unplugAfter = int(v.whole); } },
    };
}

QCommandLineOption parserOption(const SimOptionRow &row)
{
    const QString name = QLatin1String(row.name);
    const QString help = QString::fromUtf8(row.help);
    if (!row.valueName)
        return QCommandLineOption(name, help);
    return QCommandLineOption(name, help, QLatin1String(row.valueName), row.defaultValue);
}

// The option's value from the command line; false, with the usage error
// printed, when it is out of its range.
bool readValue(const QCommandLineParser &p, const SimOptionRow &row, Value &value)
{
    const QString name = QLatin1String(row.name);
    value.set = p.isSet(name);
    value.text = p.value(name);
    bool ok = true;
    if (row.kind == Kind::Whole && value.set) {
        value.whole = value.text.toLongLong(&ok);
        if (ok && value.whole >= row.min && value.whole <= row.max)
            return true;
        std::fprintf(stderr, "plandor-sim: --%s needs a whole number from %lld to %lld\n", row.name,
            row.min, row.max);
        return false;
    }
    if (row.kind == Kind::Rate && value.set) {
        value.rate = value.text.toDouble(&ok);
        if (ok && value.rate >= 0 && value.rate <= 1)
            return true;
        std::fprintf(stderr, "plandor-sim: --%s needs a rate from 0 to 1\n", row.name);
        return false;
    }
    return true;
}

// --help and --version end the run here; a usage error gives false.
bool answerOrCheck(const QCommandLineParser &p)
{
    if (p.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(p.helpText()), stdout);
        std::exit(0);
    }
    if (p.isSet(QStringLiteral("version"))) {
        std::printf("%s\n", qPrintable(ProgramVersion::line(QStringLiteral("plandor-sim"))));
        std::exit(0);
    }
    if (p.positionalArguments().isEmpty())
        return true;
    std::fprintf(stderr, "plandor-sim: unexpected argument %s\n",
        qPrintable(p.positionalArguments().first()));
    return false;
}

} // namespace

qint32 SimOptions::deviceBaud() const
{
    return baud > 0 ? baud : BaudRates::kWindowDefault;
}

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
    p.addOption({ QStringLiteral("version"), QStringLiteral("Show the version.") });
    const QList<SimOptionRow> table = optionTable();
    for (const SimOptionRow &row : table)
        p.addOption(parserOption(row));
    if (!p.parse(arguments)) {
        std::fprintf(stderr, "plandor-sim: %s\n", qPrintable(p.errorText()));
        return std::nullopt;
    }
    if (!answerOrCheck(p))
        return std::nullopt;
    SimOptions o;
    for (const SimOptionRow &row : table) {
        Value value;
        if (!readValue(p, row, value))
            return std::nullopt;
        // Numbers not given keep SimOptions' own values, which their defaults show.
        if (value.set || row.kind == Kind::Switch || row.kind == Kind::Text)
            row.store(o, value);
    }
    return o;
}

} // namespace plandor::sim
