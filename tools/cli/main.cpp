// plandor-cli: Plandor's transfers from the command line, on the same core
// library as the program.

#include "ProgressLine.h"

#include "base/Language.h"
#include "base/NumberText.h"
#include "base/TextCatalogue.h"
#include "store/PlanFile.h"
#include "transfer/PlanRecords.h"
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
};

const char *const kExitCodesHelp = "Exit codes:\n"
                                   "  0  done\n"
                                   "  2  wrong command line\n"
                                   "  3  instrument unreachable (no port, no answer, "
                                   "incompatible instrument)\n"
                                   "  4  plan file refused (unreadable, not a plan, no channel, "
                                   "more than 255 channels) or not writable\n"
                                   "  5  transfer failed\n";

// Writes are followed by this pause before they are ended, as the program
// does.
constexpr int kPauseBeforeEndMs = 500;

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
    const QString port = p.value(QStringLiteral("port")).trimmed();
    if (port.isEmpty()) {
        *error = QStringLiteral("--port is needed");
        return false;
    }
    LinkTiming timing;
    if (p.isSet(QStringLiteral("baud"))) {
        bool ok = false;
        timing.baud = p.value(QStringLiteral("baud")).toInt(&ok);
        if (!ok || timing.baud < 50) {
            *error = QStringLiteral("--baud needs a line speed such as 9600 or 115200");
            return false;
        }
    }
    s.link.setTiming(timing);
    static const QRegularExpression comPort(
        QStringLiteral("^COM(\\d+)$"), QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = comPort.match(port);
    if (m.hasMatch())
        s.link.SetPort(qint16(qBound(0, m.captured(1).toInt(), 32767)));
    else
        s.link.SetPortName(port);
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
    for (const QString &port : PortList::available())
        say(port);
    return ExitOk;
}

int runCheck(Session &s)
{
    if (const int rc = checkConnection(s))
        return rc;
    const auto id = s.link.identity();
    say(QStringLiteral("instrument on %1: %2 %3, protocol version %4")
            .arg(s.link.deviceName(), id ? id->model : QString(), id ? id->serial : QString())
            .arg(id ? id->version : 0));
    return ExitOk;
}

int runRead(Session &s, const QString &outPath)
{
    if (const int rc = checkConnection(s))
        return rc;
    s.link.setProgress(
        [&s](int done, int total) { s.progress.show(QStringLiteral("reading"), done, total); });
    LinkRecordArray records;
    FavoritesRecord favorites;
    const bool ok = qint16(s.link.ReadPlan(0, records, favorites)) != 0;
    s.progress.clear();
    if (!ok)
        return fail(ExitTransferFailed,
            QStringLiteral("reading the plan failed: %1").arg(s.link.lastError()));

    PlanFileSource source;
    source.caption = CatalogueText(15);
    source.rows = PlanRecords::fromReceived(records);
    const qint16 labelIds[6] = { 61, 62, 63, 64, 69, 70 };
    for (int i = 0; i < 6; ++i)
        source.favoriteLabels[i] = CatalogueText(labelIds[i]);
    source.unitLabel = CatalogueText(1);
    source.panel = PlanRecords::fromFavorites(favorites);
    QString error;
    if (!PlanFile::write(outPath, source, PlanFile::encodingForLanguage(LanguageOffset), &error))
        return fail(ExitFileRefused, QStringLiteral("cannot write %1: %2").arg(outPath, error));
    say(QStringLiteral("read %1 channels into %2").arg(source.rows.size()).arg(outPath));
    return ExitOk;
}

// Writes with the pause and the end, as the program does.
int finishWrite(Session &s, bool written, const QString &what)
{
    if (!written)
        return fail(ExitTransferFailed,
            QStringLiteral("sending %1 failed: %2").arg(what, s.link.lastError()));
    QThread::msleep(kPauseBeforeEndMs);
    if (qint16(s.link.EndTransfer()) == 0)
        return fail(ExitTransferFailed,
            QStringLiteral("the instrument did not confirm %1: %2").arg(what, s.link.lastError()));
    return ExitOk;
}

int runSend(Session &s, const QString &inPath)
{
    PlanFileContent content;
    QString error;
    if (!PlanFile::read(inPath, content, &error))
        return fail(ExitFileRefused, QStringLiteral("%1 refused: %2").arg(inPath, error));
    if (content.rows.isEmpty())
        return fail(ExitFileRefused, QStringLiteral("%1 holds no channel").arg(inPath));
    if (content.rows.size() > PlanRecords::kMaxSendChannels)
        return fail(ExitFileRefused,
            QStringLiteral("%1 holds %2 channels; the instrument takes at most %3")
                .arg(inPath)
                .arg(content.rows.size())
                .arg(PlanRecords::kMaxSendChannels));
    // The instrument gets its channels in frequency order.
    std::stable_sort(content.rows.begin(), content.rows.end(),
        [](const ChannelValues &a, const ChannelValues &b) {
            return a.values[ColumnFreq].toDouble() < b.values[ColumnFreq].toDouble();
        });
    const LinkRecordArray records = PlanRecords::toSendRecords(content.rows);
    FavoritesRecord favorites
        = PlanRecords::toFavorites(PlanFile::panelFromSlots(content.panelSlots));

    if (const int rc = checkConnection(s))
        return rc;
    s.link.setProgress(
        [&s](int done, int total) { s.progress.show(QStringLiteral("sending"), done, total); });
    const bool written = qint16(s.link.WritePlan(records, 0, favorites)) != 0;
    s.progress.clear();
    if (const int rc = finishWrite(s, written, QStringLiteral("the plan")))
        return rc;
    say(QStringLiteral("sent %1 channels").arg(records.items.size()));
    return ExitOk;
}

int runSendPanel(Session &s, const QCommandLineParser &p)
{
    PanelTexts panel;
    if (p.isSet(QStringLiteral("in"))) {
        PlanFileContent content;
        QString error;
        const QString inPath = p.value(QStringLiteral("in"));
        if (!PlanFile::read(inPath, content, &error))
            return fail(ExitFileRefused, QStringLiteral("%1 refused: %2").arg(inPath, error));
        panel = PlanFile::panelFromSlots(content.panelSlots);
    } else {
        const QStringList favs = p.value(QStringLiteral("favorites")).split(QLatin1Char(','));
        if (!p.isSet(QStringLiteral("favorites")) || favs.size() > 6)
            return fail(ExitUsage,
                QStringLiteral("--favorites needs up to six channel IDs, "
                               "separated by commas"));
        for (int i = 0; i < favs.size(); ++i) {
            const QString f = favs[i].trimmed();
            if (!f.isEmpty() && !NumberText::parseNumber(f))
                return fail(ExitUsage, QStringLiteral("favourite \"%1\" is not a number").arg(f));
            panel.favorites[i] = f;
        }
        panel.unit = p.value(QStringLiteral("unit"));
        if (panel.unit != QLatin1String("dBmV") && panel.unit != QLatin1String("dBuV"))
            return fail(ExitUsage, QStringLiteral("--unit is dBmV or dBuV"));
        panel.span = p.value(QStringLiteral("span"));
        if (!NumberText::parseNumber(panel.span))
            return fail(ExitUsage, QStringLiteral("--span needs a bandwidth in MHz"));
    }
    FavoritesRecord favorites = PlanRecords::toFavorites(panel);
    if (const int rc = checkConnection(s))
        return rc;
    const bool written = qint16(s.link.WriteFavorites(favorites)) != 0;
    if (const int rc = finishWrite(s, written, QStringLiteral("the panel")))
        return rc;
    say(QStringLiteral("sent the panel"));
    return ExitOk;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("plandor-cli"));
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
                       "order)\n"
                       "  send-panel --port P (--in FILE | --favorites a,b,c,d,e,f --unit "
                       "dBmV|dBuV --span MHz)\n"
                       "                             send the settings panel alone\n\n"
                       "P is a device path (/dev/ttyUSB0, a simulated instrument's port) or "
                       "COMn, the n-th serial device (/dev/ttyS(n-1)).\n\n")
        + QString::fromLatin1(kExitCodesHelp));
    p.addHelpOption();
    p.addPositionalArgument(
        QStringLiteral("command"), QStringLiteral("ports, check, read, send or send-panel"));
    p.addOptions({
        { QStringLiteral("port"), QStringLiteral("The instrument's serial port."),
            QStringLiteral("P") },
        { QStringLiteral("baud"),
            QStringLiteral("The line speed, for the time-outs (default 115200)."),
            QStringLiteral("n") },
        { QStringLiteral("out"), QStringLiteral("Plan file to write."), QStringLiteral("file") },
        { QStringLiteral("in"), QStringLiteral("Plan file to send."), QStringLiteral("file") },
        { QStringLiteral("favorites"), QStringLiteral("Six favourite channel IDs."),
            QStringLiteral("list") },
        { QStringLiteral("unit"), QStringLiteral("Level unit, dBmV or dBuV."),
            QStringLiteral("unit") },
        { QStringLiteral("span"), QStringLiteral("Bandwidth in MHz."), QStringLiteral("MHz") },
    });
    if (!p.parse(app.arguments()))
        return fail(ExitUsage, p.errorText());
    if (p.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(p.helpText()), stdout);
        return ExitOk;
    }
    const QStringList args = p.positionalArguments();
    if (args.size() != 1)
        return fail(ExitUsage, QStringLiteral("give one command; see --help"));
    const QString command = args.first();
    if (command == QLatin1String("ports"))
        return runPorts();

    Session s;
    QString error;
    const bool needsOut = command == QLatin1String("read");
    const bool needsIn = command == QLatin1String("send");
    if (command != QLatin1String("check") && !needsOut && !needsIn
        && command != QLatin1String("send-panel"))
        return fail(ExitUsage, QStringLiteral("unknown command \"%1\"; see --help").arg(command));
    if (needsOut && p.value(QStringLiteral("out")).isEmpty())
        return fail(ExitUsage, QStringLiteral("read needs --out FILE"));
    if (needsIn && p.value(QStringLiteral("in")).isEmpty())
        return fail(ExitUsage, QStringLiteral("send needs --in FILE"));
    if (!setUpLink(p, s, &error))
        return fail(ExitUsage, error);

    if (command == QLatin1String("check"))
        return runCheck(s);
    if (needsOut)
        return runRead(s, p.value(QStringLiteral("out")));
    if (needsIn)
        return runSend(s, p.value(QStringLiteral("in")));
    return runSendPanel(s, p);
}
