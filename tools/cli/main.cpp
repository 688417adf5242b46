// plandor-cli: Plandor's transfers from the command line, on the same core
// library as the program.

#include "CheckPlanCommand.h"
#include "ConvertCommand.h"
#include "DiffCommand.h"
#include "PlanValidation.h"
#include "ProgressLine.h"
#include "StandardStreams.h"

#include "base/Language.h"
#include "base/NumberText.h"
#include "base/ProgramVersion.h"
#include "base/ShownValue.h"
#include "base/TextCatalogue.h"
#include "base/TraceFile.h"
#include "store/PlanFile.h"
#include "store/PlanHistory.h"
#include "transfer/BaudRates.h"
#include "transfer/PlanRecords.h"
#include "transfer/PlanTransfer.h"
#include "transfer/serial/PortList.h"
#include "transfer/serial/SerialDeviceLink.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>
#include <QThread>

#include <algorithm>
#include <cstdio>

using namespace plandor;

namespace {

enum ExitCode {
    ExitOk = 0,
    ExitUsage = 2,
    ExitUnreachable = 3,
    ExitFileRefused = 4,
    ExitTransferFailed = 5,
    ExitNotConfirmed = 6,
};

const char *const kExitCodesHelp = "Exit codes:\n"
                                   "  0  done\n"
                                   "  2  wrong command line\n"
                                   "  3  instrument unreachable (no port, no answer, "
                                   "incompatible instrument)\n"
                                   "  4  plan file refused (unreadable, not a plan, no channel, "
                                   "more than 255 channels, a channel or panel value the rules "
                                   "refuse) or not writable\n"
                                   "  5  transfer failed; the instrument keeps what it had\n"
                                   "  6  sent, but whether the instrument stored it could not "
                                   "be found out (it holds the old or the whole new data)\n";

int fail(int code, const QString &message)
{
    std::fprintf(stderr, "plandor-cli: %s\n", qPrintable(message));
    return code;
}

void say(const QString &message)
{
    std::printf("%s\n", qPrintable(message));
    std::fflush(stdout);
}

struct Session
{
    SerialDeviceLink link;
    cli::ProgressLine progress;
};

bool setUpLink(const QCommandLineParser &p, Session &s, QString *error)
{
    const auto port = cli::parsePort(p.value(QStringLiteral("port")), error);
    if (!port)
        return false;
    LinkTiming timing;
    if (p.isSet(QStringLiteral("baud"))) {
        bool ok = false;
        timing.baud = p.value(QStringLiteral("baud")).toInt(&ok);
        // The speeds the start-up window offers, and no others.
        if (!ok || !BaudRates::isListed(timing.baud)) {
            *error
                = QStringLiteral("--baud \"%1\" is not a line speed Plandor offers; it takes %2")
                      .arg(ShownValue::cut(p.value(QStringLiteral("baud"))), BaudRates::listText());
            return false;
        }
    }
    s.link.setTiming(timing);
    if (port->comNumber)
        s.link.SetPort(*port->comNumber);
    else
        s.link.SetPortName(port->path);
    return true;
}

int checkConnection(Session &s)
{
    if (qint16(s.link.CheckConnection()) == 0)
        return fail(ExitUnreachable,
            QStringLiteral("instrument unreachable on %1: %2")
                .arg(s.link.deviceName(), s.link.lastError()));
    return ExitOk;
}

int runPorts()
{
    QString refusal;
    const QStringList ports = PortList::available(&refusal);
    // The machine's own ports are listed all the same.
    if (!refusal.isEmpty())
        std::fprintf(stderr, "plandor-cli: %s\n", qPrintable(refusal));
    for (const QString &port : ports)
        say(port);
    return ExitOk;
}

int runCheck(Session &s)
{
    if (const int rc = checkConnection(s))
        return rc;
    s.link.InstrumentIdentity();
    const auto id = s.link.identity();
    const auto named = id ? id->identity : std::nullopt;
    say(QStringLiteral("instrument on %1: %2 %3, protocol version %4")
            .arg(s.link.deviceName(), named ? named->model : QString(),
                named ? named->serial : QString())
            .arg(id ? id->version : 0));
    return ExitOk;
}

// Keeps a transferred plan in the history; a history that cannot be written
// does not fail the transfer.
void keepInHistory(Session &s, PlanHistory::Direction direction, const QList<ChannelValues> &rows,
    const PanelTexts &panel)
{
    const QString who = s.link.InstrumentIdentity();
    QString error;
    if (!PlanHistory::record(direction, who, rows, panel, &error))
        std::fprintf(
            stderr, "plandor-cli: the plan is not kept in the history: %s\n", qPrintable(error));
}

int runRead(Session &s, const QString &outPath)
{
    if (const int rc = checkConnection(s))
        return rc;
    s.link.setProgress(
        [&s](int done, int total) { s.progress.show(QStringLiteral("reading"), done, total); });
    PlanTransfer transfer(s.link);
    const auto received = transfer.read();
    s.progress.clear();
    if (!received)
        return fail(ExitTransferFailed,
            QStringLiteral("reading the plan failed: %1").arg(transfer.errorText()));

    PlanFileSource source;
    source.caption = CatalogueText(15);
    source.rows = received->rows;
    const qint16 labelIds[6] = { 61, 62, 63, 64, 69, 70 };
    for (int i = 0; i < 6; ++i)
        source.favoriteLabels[i] = CatalogueText(labelIds[i]);
    source.unitLabel = CatalogueText(1);
    source.panel = received->panel;
    QString error;
    // Names the run's code page cannot hold are kept, in UTF-8 with a byte-order mark.
    PlanFile::Encoding encoding = PlanFile::encodingForLanguage(LanguageOffset);
    if (!PlanFile::loss(source, encoding).isEmpty())
        encoding = PlanFile::Encoding::Utf8Bom;
    const bool toOutput = cli::isStandardStream(outPath);
    if (!(toOutput ? cli::writeStandardOutput(PlanFile::format(source, encoding), &error)
                   : PlanFile::write(outPath, source, encoding, &error)))
        return fail(ExitFileRefused,
            QStringLiteral("cannot write %1: %2").arg(cli::fileName(outPath, true), error));
    keepInHistory(s, PlanHistory::Direction::Received, source.rows, source.panel);
    const QString done = QStringLiteral("read %1 channels into %2")
                             .arg(source.rows.size())
                             .arg(cli::fileName(outPath, true));
    // Standard output holds the plan: the report goes beside it.
    if (toOutput)
        std::fprintf(stderr, "%s\n", qPrintable(done));
    else
        say(done);
    return ExitOk;
}

// The outcome of a send as an exit code, with what the user is told.
int sendOutcome(PlanTransfer &transfer, PlanTransfer::SendOutcome outcome, const QString &what)
{
    using Outcome = PlanTransfer::SendOutcome;
    switch (outcome) {
    case Outcome::Sent:
        return ExitOk;
    case Outcome::NothingToSend:
    case Outcome::TooLarge:
        return fail(ExitFileRefused, transfer.errorText());
    case Outcome::Unreachable:
        return fail(ExitUnreachable, transfer.errorText());
    case Outcome::NotConfirmed:
        return fail(
            ExitNotConfirmed, QStringLiteral("sending %1: %2").arg(what, transfer.errorText()));
    case Outcome::Failed:
        break;
    }
    return fail(ExitTransferFailed,
        QStringLiteral("sending %1 failed: %2").arg(what, transfer.errorText()));
}

int runSend(Session &s, const QString &inPath)
{
    PlanFileContent content;
    QString error;
    if (!cli::readPlanInput(inPath, content, &error))
        return fail(ExitFileRefused,
            QStringLiteral("%1 refused: %2").arg(cli::fileName(inPath, false), error));
    // Nothing the editor would refuse goes out: every refusal is listed.
    if (const QStringList refusals = cli::planRefusals(content); !refusals.isEmpty())
        return fail(ExitFileRefused,
            QStringLiteral("%1 refused:\n  %2").arg(inPath, refusals.join(QStringLiteral("\n  "))));
    // The instrument gets its channels in frequency order.
    std::stable_sort(content.rows.begin(), content.rows.end(),
        [](const ChannelValues &a, const ChannelValues &b) {
            return a.values[ColumnFreq].toDouble() < b.values[ColumnFreq].toDouble();
        });
    if (const int rc = checkConnection(s))
        return rc;
    PlanTransfer transfer(s.link);
    PanelTexts panel = content.panelOrBlank();
    // A file without a settings panel (a table converted to a plan file)
    // would blank the instrument's: its own panel goes back with the channels.
    const bool keepPanel = !content.panel;
    if (keepPanel) {
        // Only the panel is needed, not the channels it comes with.
        const auto held = transfer.readPanel();
        if (!held)
            return fail(ExitTransferFailed,
                QStringLiteral("%1 has no settings panel, and the instrument's could not be read "
                               "to keep it: %2")
                    .arg(inPath, transfer.errorText()));
        panel = *held;
    }
    s.link.setProgress(
        [&s](int done, int total) { s.progress.show(QStringLiteral("sending"), done, total); });
    const auto outcome = transfer.send(content.rows, panel);
    s.progress.clear();
    if (const int rc = sendOutcome(transfer, outcome, QStringLiteral("the plan")))
        return rc;
    keepInHistory(s, PlanHistory::Direction::Sent, content.rows, panel);
    say(QStringLiteral("sent %1 channels").arg(content.rows.size()));
    if (keepPanel)
        say(QStringLiteral("%1 has no settings panel: the instrument kept its own").arg(inPath));
    return ExitOk;
}

int runSendPanel(Session &s, const QCommandLineParser &p)
{
    PanelTexts panel;
    if (p.isSet(QStringLiteral("in"))) {
        PlanFileContent content;
        QString error;
        const QString inPath = p.value(QStringLiteral("in"));
        if (!cli::readPlanInput(inPath, content, &error))
            return fail(ExitFileRefused, QStringLiteral("%1 refused: %2").arg(inPath, error));
        if (!content.panel)
            return fail(ExitFileRefused,
                QStringLiteral("%1 refused: it has no settings panel").arg(inPath));
        panel = *content.panel;
        if (const auto refusal = cli::panelRefusal(panel))
            return fail(ExitFileRefused, QStringLiteral("%1 refused: %2").arg(inPath, *refusal));
    } else {
        QString error;
        const auto parsed = cli::parsePanelArguments(p.value(QStringLiteral("favorites")),
            p.value(QStringLiteral("unit")), p.value(QStringLiteral("span")), &error);
        if (!parsed)
            return fail(ExitUsage, error);
        panel = *parsed;
    }
    if (const int rc = checkConnection(s))
        return rc;
    PlanTransfer transfer(s.link);
    if (const int rc
        = sendOutcome(transfer, transfer.sendPanel(panel), QStringLiteral("the panel")))
        return rc;
    say(QStringLiteral("sent the panel"));
    return ExitOk;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("plandor-cli"));
    QCoreApplication::setApplicationVersion(ProgramVersion::number());
    LanguageOffset = kEnglishOffset;

    QCommandLineParser p;
    p.setApplicationDescription(
        QStringLiteral("Plandor's instrument transfers from the command line.\n\n"
                       "Commands:\n"
                       "  ports                      list the serial ports, as the start-up "
                       "window does\n"
                       "  check --port P             ask the instrument who it is\n"
                       "  read --port P --out FILE   read the plan and panel into a plan file\n"
                       "  send --port P --in FILE    send a plan file (channels in frequency "
                       "order;\n"
                       "                             a file with a blank panel keeps the "
                       "instrument's)\n"
                       "  send-panel --port P (--in FILE | --favorites a,b,c,d,e,f --unit "
                       "dBmV|dBuV --span MHz)\n"
                       "                             send the settings panel alone\n"
                       "  check-plan --in FILE       list what is wrong with a plan file (exit 4 "
                       "when anything is)\n"
                       "  convert --in A --out B     plan file <-> table (.csv), by extension\n"
                       "  diff --port P --in FILE    what differs between FILE and the "
                       "instrument's plan\n"
                       "  diff --in A --against B    what differs between two plan files\n"
                       "                             (diff exits 0 when equal, 1 when "
                       "different)\n\n"
                       "FILE may be - for standard input (--in) or output (--out): a plan "
                       "file.\n\n"
                       "P is a device path (/dev/ttyUSB0, a simulated instrument's port) or "
                       "COMn, the n-th serial device (/dev/ttyS(n-1)).\n\n")
        + QString::fromLatin1(kExitCodesHelp));
    p.addHelpOption();
    const QCommandLineOption version(
        QStringLiteral("version"), QStringLiteral("Show the version."));
    p.addOption(version);
    p.addPositionalArgument(QStringLiteral("command"),
        QStringLiteral("ports, check, read, send, send-panel, check-plan, convert or diff"));
    p.addOptions({
        { QStringLiteral("port"), QStringLiteral("The instrument's serial port."),
            QStringLiteral("P") },
        { QStringLiteral("baud"),
            QStringLiteral("The line speed (default 115200), one of %1; the port is opened at "
                           "it and the waits follow it. It must be the instrument's (plandor-sim "
                           "--baud).")
                .arg(BaudRates::listText()),
            QStringLiteral("n") },
        { QStringLiteral("out"), QStringLiteral("Plan file to write."), QStringLiteral("file") },
        { QStringLiteral("in"), QStringLiteral("Plan file to send."), QStringLiteral("file") },
        { QStringLiteral("favorites"), QStringLiteral("Six favourite channel IDs."),
            QStringLiteral("list") },
        { QStringLiteral("unit"), QStringLiteral("Level unit, dBmV or dBuV."),
            QStringLiteral("unit") },
        { QStringLiteral("span"),
            QStringLiteral("Bandwidth in whole MHz, 4 to 10: the instrument keeps whole MHz."),
            QStringLiteral("MHz") },
        { QStringLiteral("against"), QStringLiteral("Plan file to compare with."),
            QStringLiteral("file") },
        { QStringLiteral("trace"),
            QStringLiteral("Write every frame on the line, both ways, with a timestamp, in hex "
                           "and decoded, to this file (for support)."),
            QStringLiteral("file") },
    });
    if (!p.parse(app.arguments()))
        return fail(ExitUsage, p.errorText());
    if (p.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(p.helpText()), stdout);
        return ExitOk;
    }
    if (p.isSet(QStringLiteral("trace"))) {
        QString error;
        if (!TraceFile::start(p.value(QStringLiteral("trace")), &error))
            return fail(ExitUsage,
                QStringLiteral("cannot write the trace %1: %2")
                    .arg(p.value(QStringLiteral("trace")), error));
    }
    if (p.isSet(version)) {
        std::printf("%s\n", qPrintable(ProgramVersion::line(QStringLiteral("plandor-cli"))));
        return ExitOk;
    }
    const QStringList args = p.positionalArguments();
    if (args.size() != 1)
        return fail(ExitUsage, QStringLiteral("give one command; see --help"));
    const QString command = args.first();
    if (command == QLatin1String("ports"))
        return runPorts();
    if (command == QLatin1String("check-plan"))
        return cli::runCheckPlan(p.value(QStringLiteral("in")));
    if (command == QLatin1String("convert"))
        return cli::runConvert(p.value(QStringLiteral("in")), p.value(QStringLiteral("out")));
    if (command == QLatin1String("diff") && p.isSet(QStringLiteral("against")))
        return cli::runDiff(
            nullptr, p.value(QStringLiteral("in")), p.value(QStringLiteral("against")));

    Session s;
    QString error;
    const bool needsOut = command == QLatin1String("read");
    const bool needsIn = command == QLatin1String("send");
    if (command != QLatin1String("check") && !needsOut && !needsIn
        && command != QLatin1String("diff") && command != QLatin1String("send-panel"))
        return fail(ExitUsage,
            QStringLiteral("unknown command \"%1\"; see --help").arg(ShownValue::cut(command)));
    if (needsOut && p.value(QStringLiteral("out")).isEmpty())
        return fail(ExitUsage, QStringLiteral("read needs --out FILE"));
    if (needsIn && p.value(QStringLiteral("in")).isEmpty())
        return fail(ExitUsage, QStringLiteral("send needs --in FILE"));
    if (!setUpLink(p, s, &error))
        return fail(ExitUsage, error);

    if (command == QLatin1String("check"))
        return runCheck(s);
    if (command == QLatin1String("diff"))
        return cli::runDiff(&s.link, p.value(QStringLiteral("in")), {});
    if (needsOut)
        return runRead(s, p.value(QStringLiteral("out")));
    if (needsIn)
        return runSend(s, p.value(QStringLiteral("in")));
    return runSendPanel(s, p);
}
