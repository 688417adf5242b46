// What the spectrum view, the plan check and a standard template cost, on
// plans of 250 and 10,000 channels, each set against a plain reset of a
// table model with the same rows and the repaint of a grid over it, measured
// in the same run. Prints milliseconds (median of several runs) and the
// ratio to the plain reset.
// Usage: bench_spectrum
#include "base/Language.h"
#include "editor/PlanCheckList.h"
#include "editor/SpectrumView.h"
#include "rules/PlanCheck.h"
#include "store/StandardPlans.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableView>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <functional>

using namespace plandor;

namespace {

// The plainest model of the plan's five columns: rows in a list, replaced whole.
class RowsModel : public QAbstractTableModel
{
public:
    void reset(const QList<ChannelValues> &rows)
    {
        beginResetModel();
        m_rows = rows;
        endResetModel();
    }
    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_rows.size());
    }
    int columnCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : kChannelColumnCount;
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole && role != Qt::EditRole)
            return {};
        return m_rows[index.row()].value(index.column());
    }

private:
    QList<ChannelValues> m_rows;
};

// Channels spread over the band, a third of them DIGI, many overlapping.
QList<ChannelValues> plan(int n)
{
    QList<ChannelValues> rows;
    rows.reserve(n);
    for (int i = 0; i < n; ++i) {
        ChannelValues v;
        v.setValue(ColumnId, qint64(i + 1));
        v.setValue(ColumnName, QString::number(i % 999 + 1));
        const bool digital = i % 3 == 0;
        v.setValue(ColumnType, digital ? QStringLiteral("DIGI") : QStringLiteral("TV"));
        v.setValue(ColumnFreq, 50.0 + double((qint64(i) * 7919) % n) * 940.0 / n);
        v.setValue(ColumnAudio1, digital ? 8.0 : 6.5);
        rows.append(v);
    }
    return rows;
}

double medianMs(int runs, const std::function<void()> &work)
{
    QList<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        times.append(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

struct Rig
{
    RowsModel model;
    QItemSelectionModel selection { &model };
    QTableView grid;
    SpectrumView spectrum;

    Rig()
    {
        grid.setModel(&model);
        grid.setSelectionModel(&selection);
        grid.resize(600, 700);
        spectrum.setModel(&model, &selection);
        spectrum.resize(1000, 120);
        grid.show();
        spectrum.show();
        // repaint() paints nothing until the windows are exposed.
        QElapsedTimer wait;
        wait.start();
        while ((!grid.windowHandle()->isExposed() || !spectrum.windowHandle()->isExposed())
            && wait.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    // The reference: the grid's model reset and the grid painted again.
    void plainReset(const QList<ChannelValues> &rows)
    {
        model.reset(rows);
        grid.viewport()->repaint();
    }
};

void line(const char *what, int n, double ms, double reference)
{
    std::printf("%-44s %6d %10.3f %8.2f\n", what, n, ms, ms / reference);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    LanguageOffset = kEnglishOffset;
    StandardPlans standards;
    QString error;
    if (!standards.load(&error)) {
        std::fprintf(stderr, "bench_spectrum: %s\n", qPrintable(error));
        return 1;
    }
    const QList<PlanRaster> rasters = standards.rasters();

    std::printf("%-44s %6s %10s %8s\n", "what", "rows", "ms", "x reset");
    for (int n : { 250, 10000 }) {
        const QList<ChannelValues> rows = plan(n);
        Rig rig;
        const int runs = n > 1000 ? 15 : 50;
        const double reset = medianMs(runs, [&] { rig.plainReset(rows); });
        line("plain model reset + grid repaint", n, reset, reset);

        rig.model.reset(rows);
        rig.spectrum.channelCount(); // bands built once
        line("spectrum repaint (plan unchanged)", n,
            medianMs(runs, [&] { rig.spectrum.repaint(); }), reset);
        rig.spectrum.setViewRange(400, 420);
        line("spectrum repaint, zoomed to 20 MHz", n,
            medianMs(runs, [&] { rig.spectrum.repaint(); }), reset);
        rig.spectrum.setViewRange(SpectrumView::kBandLower, SpectrumView::kBandUpper);
        line("model reset + grid and spectrum repaint", n,
            medianMs(runs,
                [&] {
                    rig.plainReset(rows);
                    rig.spectrum.repaint();
                }),
            reset);

        line("spectrum: bands rebuilt after a reset", n,
            medianMs(runs,
                [&] {
                    rig.model.reset(rows);
                    rig.spectrum.channelCount();
                })
                - medianMs(runs, [&] { rig.model.reset(rows); }),
            reset);
        const QList<PlanCheckRow> checkRows = PlanCheckList::rowsOf(rig.model);
        line("plan check alone", n,
            medianMs(runs,
                [&] {
                    PlanCheckOptions options;
                    options.rasters = rasters;
                    const auto findings = PlanCheck::run(checkRows, options);
                    Q_UNUSED(findings);
                }),
            reset);
        line("plan check (rows read from the model)", n,
            medianMs(runs,
                [&] {
                    PlanCheckOptions options;
                    options.rasters = rasters;
                    const auto findings = PlanCheck::run(PlanCheckList::rowsOf(rig.model), options);
                    Q_UNUSED(findings);
                }),
            reset);
    }

    // A template: the table read and the plan made, then shown.
    {
        Rig rig;
        const StandardTable *china = nullptr;
        QList<ChannelValues> rows;
        const double reference = medianMs(20, [&] {
            StandardPlans fresh;
            fresh.load(&error);
            china = fresh.find(QStringLiteral("china-dk"));
            rows = StandardPlans::build(*china, PlanVariant::Analogue, 0, 110).rows;
        });
        const double reset = medianMs(20, [&] { rig.plainReset(rows); });
        line("plain model reset + grid repaint", int(rows.size()), reset, reset);
        line("template: read table + make China cable plan", int(rows.size()), reference, reset);
        line("template shown: reset + grid and spectrum", int(rows.size()),
            medianMs(20,
                [&] {
                    rig.plainReset(rows);
                    rig.spectrum.repaint();
                }),
            reset);
    }
    return 0;
}
