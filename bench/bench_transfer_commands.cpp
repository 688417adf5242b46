// Times the toolbar's Upload and Download commands for a 250-channel plan
// against the simulated instrument at 115200 baud, and the link's own time for
// the same transfers in the same run, so that what the window adds shows.
//
// Usage: bench_transfer_commands [rounds] (the simulated instrument is found
// through $PLANDOR_SIM, else beside this program's build directory).
#include "base/Language.h"
#include "base/MessageBox.h"
#include "editor/EditorWindow.h"
#include "editor/FavoritesPanel.h"
#include "editor/PlanTableModel.h"
#include "store/ChannelStore.h"
#include "store/DatabaseLocation.h"
#include "transfer/PlanRecords.h"
#include "transfer/ProcessLink.h"
#include "transfer/serial/SerialDeviceLink.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>

using namespace plandor;

namespace {

constexpr int kChannels = 250;
constexpr int kBaud = 115200;

// Answers every box at once and notes when the last one came.
class TimedPrompter : public MessagePrompter
{
public:
    MessageAnswer prompt(const QString &text, MessageStyle style, const QString &) override
    {
        lastText = text;
        lastAt = clock.nsecsElapsed();
        return style == MessageStyle::QuestionYesNo ? MessageAnswer::No : MessageAnswer::Ok;
    }
    QElapsedTimer clock;
    QString lastText;
    qint64 lastAt = -1;
};

QString simPath()
{
    const QString fromEnv = qEnvironmentVariable("PLANDOR_SIM");
    if (!fromEnv.isEmpty())
        return fromEnv;
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../plandor-sim"));
}

QString startSim(QProcess &sim, const QTemporaryDir &dir)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PLANDOR_PORTS_DIR"), dir.filePath(QStringLiteral("ports")));
    QDir().mkpath(dir.filePath(QStringLiteral("ports")));
    sim.setProcessEnvironment(env);
    sim.start(simPath(),
        { QStringLiteral("--state"), dir.filePath(QStringLiteral("instrument.state")),
            QStringLiteral("--baud"), QString::number(kBaud) });
    QByteArray out;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 10000 && sim.state() != QProcess::NotRunning) {
        sim.waitForReadyRead(200);
        out += sim.readAllStandardOutput();
        const int at = out.indexOf("port: ");
        const int end = out.indexOf('\n', at);
        if (at >= 0 && end > at)
            return QString::fromLocal8Bit(out.mid(at + 6, end - at - 6)).trimmed();
    }
    return {};
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0.0 : values[values.size() / 2];
}

double msSince(const QElapsedTimer &clock, qint64 startNs)
{
    return double(clock.nsecsElapsed() - startNs) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    LanguageOffset = kEnglishOffset;

    QTemporaryDir dir;
    DatabaseLocation::setOverride(dir.filePath(QStringLiteral("FileDB2000.db")));
    QList<ChannelValues> plan;
    for (int i = 1; i <= kChannels; ++i) {
        ChannelValues row;
        row.setValue(ColumnId, qint64(i));
        row.setValue(ColumnName, QString::number(i));
        row.setValue(ColumnType, i % 3 ? QStringLiteral("TV") : QStringLiteral("DIGI"));
        row.setValue(ColumnFreq, 47.25 + 3.5 * i);
        row.setValue(ColumnAudio1, i % 3 ? 6.5 : 8.0);
        plan.append(row);
    }
    {
        ChannelStore store;
        if (!store.replacePlan(plan)) {
            std::fprintf(stderr, "cannot seed the store: %s\n", qPrintable(store.errorText()));
            return 1;
        }
    }

    QProcess sim;
    const QString port = startSim(sim, dir);
    if (port.isEmpty()) {
        std::fprintf(
            stderr, "the simulated instrument did not start (%s)\n", qPrintable(simPath()));
        return 1;
    }
    auto owned = std::make_unique<SerialDeviceLink>();
    SerialDeviceLink *link = owned.get();
    link->SetOptions({ port });
    ProcessLink::set(std::move(owned));

    TimedPrompter prompter;
    prompter.clock.start();
    MessageBox::setPrompter(&prompter);

    ChannelStore store;
    EditorWindow form(store);
    form.show();
    PanelTexts panel;
    const char *favoriteIds[] = { "1", "2", "3", "4", "5", "6" };
    for (int i = 0; i < 6; ++i)
        panel.favorites[i] = QString::fromLatin1(favoriteIds[i]);
    panel.span = QStringLiteral("8");
    panel.unit = QStringLiteral("dBuV");
    form.panel()->setPanel(panel);
    QCoreApplication::processEvents();

    const LinkRecordArray records = PlanRecords::toSendRecords(plan);
    FavoritesRecord favorites;
    favorites.Span = 8;
    favorites.Unit = kUnitDbuV;

    QList<double> linkDown, commandDown, linkUp, commandUp;
    int failures = 0;
    for (int r = 0; r < rounds; ++r) {
        // The link alone, as the command drives it: check, write, the pause,
        // end.
        qint64 t0 = prompter.clock.nsecsElapsed();
        bool ok = link->CheckConnection().ok();
        ok = ok && link->WritePlan(records, 0, favorites).ok();
        QThread::msleep(500);
        ok = ok && link->EndTransfer().ok();
        linkDown.append(msSince(prompter.clock, t0));
        failures += ok ? 0 : 1;

        // The Download command, from the click to its message.
        t0 = prompter.clock.nsecsElapsed();
        form.actions()->action(EditorCommand::Download)->trigger();
        commandDown.append(double(prompter.lastAt - t0) / 1e6);
        failures += prompter.lastText == QLatin1String("Data transferred successfully !") ? 0 : 1;

        // The link alone reading the plan.
        t0 = prompter.clock.nsecsElapsed();
        ok = link->CheckConnection().ok();
        const auto received = link->ReadPlan(0);
        ok = ok && received;
        linkUp.append(msSince(prompter.clock, t0));
        failures += ok && received->records.items.size() == kChannels ? 0 : 1;

        // The Upload command, from the click until the grid shows the plan
        // (a successful Upload shows no message).
        t0 = prompter.clock.nsecsElapsed();
        prompter.lastAt = -1;
        form.actions()->action(EditorCommand::Upload)->trigger();
        commandUp.append(msSince(prompter.clock, t0));
        failures += form.model()->rowCount() == kChannels && prompter.lastAt < 0 ? 0 : 1;
    }

    const auto report = [](const char *what, double command, double alone) {
        std::printf("%-9s command %8.1f ms   link alone %8.1f ms   overhead %6.1f ms (%5.2f %%)\n",
            what, command, alone, command - alone, 100.0 * (command - alone) / alone);
    };
    std::printf("%d channels at %d baud, median of %d rounds\n", kChannels, kBaud, rounds);
    report("Download", median(commandDown), median(linkDown));
    report("Upload", median(commandUp), median(linkUp));
    if (failures)
        std::printf("%d transfers did not succeed\n", failures);

    MessageBox::setPrompter(nullptr);
    ProcessLink::reset();
    sim.terminate();
    sim.waitForFinished(5000);
    return failures ? 1 : 0;
}
