// Renders the windows as a user sees them, with a small plan, in English and
// in Chinese, into PNG files for the documentation, and the printed plan as a
// PDF (scripts/screenshots.sh turns its first page into a picture). The
// start-up window is shown once with a simulated instrument it has found
// (plandor-sim from beside this program).
// Usage: plandor-screenshots OUTPUT-DIR
#include "app/ui/Form1.h"
#include "base/Language.h"
#include "editor/EditorWindow.h"
#include "editor/FavoritesPanel.h"
#include "editor/PlanExchange.h"
#include "editor/PlanPrint.h"
#include "editor/PlanTools.h"
#include "store/ChannelStore.h"
#include "store/DatabaseLocation.h"
#include "store/StandardPlans.h"
#include "transfer/serial/PortList.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

plandor::ChannelValues row(int id, const char *name, const char *type, double freq, double audio)
{
    plandor::ChannelValues v;
    v.setValue(0, id);
    v.setValue(1, QString::fromLatin1(name));
    v.setValue(2, QString::fromLatin1(type));
    v.setValue(3, freq);
    v.setValue(4, audio);
    return v;
}

bool grab(QWidget *window, const QString &path)
{
    window->show();
    window->raise();
    // Let the window be laid out and painted before it is grabbed.
    for (int i = 0; i < 10; ++i) {
        QCoreApplication::processEvents();
        QTimer t;
        t.start(10);
    }
    const bool ok = window->grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
    return ok;
}

// The start-up window once it has found a simulated instrument by itself:
// the port preselected and its identity under the box.
bool grabFoundInstrument(quint16 langId, const QString &path)
{
    QTemporaryDir ports;
    qputenv("PLANDOR_PORTS_DIR", QFile::encodeName(ports.path()));
    QProcess sim;
    sim.start(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("plandor-sim")),
        { QStringLiteral("--state"), ports.filePath(QStringLiteral("sim.state")) });
    if (!sim.waitForReadyRead(5000)) {
        std::fprintf(stderr, "the simulated instrument did not start\n");
        return false;
    }
    plandor::Form1 start(
        [] { return plandor::PortList::published(); }, [langId] { return langId; });
    start.show();
    auto *status = start.findChild<QLabel *>(QStringLiteral("Label6"));
    QElapsedTimer clock;
    clock.start();
    while (status && !status->text().contains(QLatin1String("SIM-0001")) && clock.elapsed() < 8000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const bool found = status && status->text().contains(QLatin1String("SIM-0001"));
    if (!found)
        std::fprintf(stderr, "the start-up window did not find the simulated instrument\n");
    const bool ok = found && grab(&start, path);
    start.close();
    sim.terminate();
    sim.waitForFinished(3000);
    return ok;
}

// The editor with its plan tools: a standard plan in the spectrum, with two
// channels added by hand that the plan check finds fault with (one overlaps
// its neighbour, one is off the standard's raster).
bool grabPlanTools(const QString &path, const QString &pdfPath)
{
    plandor::StandardPlans standards;
    QString error;
    const plandor::StandardTable *table
        = standards.load(&error) ? standards.find(QStringLiteral("china-dk")) : nullptr;
    if (!table) {
        std::fprintf(stderr, "no standard plans: %s\n", qPrintable(error));
        return false;
    }
    const int last = qMin(int(table->channels.size()) - 1, 59);
    plandor::StandardPlan plan
        = plandor::StandardPlans::build(*table, plandor::PlanVariant::Analogue, 0, last);
    plan.rows.append(row(plan.rows.size() + 1, "X1", "DIGI", 474, 8));
    plan.rows.append(row(plan.rows.size() + 1, "X2", "TV", 303.3, 6.5));

    plandor::ChannelStore store;
    plandor::EditorWindow editor(store);
    plandor::PlanTools *tools = plandor::PlanTools::attach(editor);
    plandor::PlanExchange::attach(editor);
    plandor::PlanPrint *print = plandor::PlanPrint::attach(editor);
    if (!editor.replacePlan(plan.rows, editor.panel()->panel(), plan.caption))
        return false;
    editor.resize(1100, 820);
    tools->checkPlan();
    const bool printed = print->writePdf(pdfPath);
    std::printf("%s %s\n", printed ? "wrote" : "could not write", qPrintable(pdfPath));
    return grab(&editor, path) && printed;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: plandor-screenshots OUTPUT-DIR\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    QTemporaryDir dir;
    plandor::DatabaseLocation::setOverride(dir.path() + QStringLiteral("/FileDB2000.db"));
    {
        plandor::ChannelStore store;
        store.replacePlan({ row(1, "2", "TV", 55.25, 4.5), row(2, "3", "TV", 61.25, 4.5),
            row(3, "4", "TV", 67.25, 4.5), row(4, "S1", "DIGI", 114, 8),
            row(5, "S2", "DIGI", 122, 8), row(6, "21", "TV", 471.25, 6.5),
            row(7, "C45", "DIGI", 666, 8) });
    }
    bool ok = true;
    const struct
    {
        quint16 langId;
        const char *suffix;
    } languages[] = { { plandor::kLangIdEnglishUS, "en" }, { plandor::kLangIdChinesePRC, "zh" } };
    for (const auto &language : languages) {
        const quint16 langId = language.langId;
        plandor::Form1 start(
            [] {
                return QStringList { QStringLiteral("/dev/ttyS0"), QStringLiteral("/dev/ttyUSB0") };
            },
            [langId] { return langId; });
        ok &= grab(
            &start, out + QStringLiteral("/startup-%1.png").arg(QLatin1String(language.suffix)));
        start.close();

        plandor::ChannelStore store;
        plandor::EditorWindow editor(store);
        plandor::PanelTexts panel;
        const char *favorites[] = { "1", "2", "4", "6", "", "" };
        for (int i = 0; i < 6; ++i)
            panel.favorites[i] = QString::fromLatin1(favorites[i]);
        panel.span = QStringLiteral("8");
        panel.unit = QStringLiteral("dBmV");
        editor.panel()->setPanel(panel);
        editor.setState({ true, true, true, true, false, false });
        ok &= grab(
            &editor, out + QStringLiteral("/editor-%1.png").arg(QLatin1String(language.suffix)));
        const QString suffix = QLatin1String(language.suffix);
        ok &= grabPlanTools(out + QStringLiteral("/plan-tools-%1.png").arg(suffix),
            out + QStringLiteral("/printed-%1.pdf").arg(suffix));
        ok &= grabFoundInstrument(langId, out + QStringLiteral("/found-%1.png").arg(suffix));
    }
    return ok ? 0 : 1;
}
