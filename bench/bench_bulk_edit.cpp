// Times a bulk edit of 10,000 channels (set type, move by an offset) through
// the editor window, as the user gives it (the rules, one transaction, the
// grid re-read, the undo step), against a plain re-read of the same 10,000
// rows into the grid in the same run. Goal: each edit at most 3 times the
// re-read.
//
// Usage: bench_bulk_edit [rounds]
#include "BenchTiming.h"

#include "base/MessageBox.h"
#include "editor/BulkEdits.h"
#include "editor/EditorWindow.h"
#include "editor/PlanTableModel.h"
#include "editor/PlanTableView.h"
#include "editor/UndoCommands.h"
#include "store/ChannelStore.h"
#include "store/DatabaseLocation.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QUndoStack>

#include <algorithm>
#include <cstdio>
#include <functional>

using namespace plandor;
using namespace plandor::bench;

namespace {

constexpr int kChannels = 10000;

QList<ChannelValues> plan()
{
    QList<ChannelValues> rows;
    for (int i = 0; i < kChannels; ++i) {
        ChannelValues row;
        row.setValue(ColumnId, qint64(i + 1));
        row.setValue(ColumnName, QString::number(i % 250 + 1));
        // Half of them change type, and so move.
        row.setValue(ColumnType, (i % 2) ? QStringLiteral("DIGI") : QStringLiteral("TV"));
        // Within 60..900 MHz, so that every channel passes the rules after
        // either edit.
        row.setValue(ColumnFreq, 60.0 + (i * 840.0) / kChannels);
        row.setValue(ColumnAudio1, 8.0);
        rows.append(row);
    }
    return rows;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    SilentPrompter prompter;
    MessageBox::setPrompter(&prompter);
    QTemporaryDir dir;
    DatabaseLocation::setOverride(dir.filePath(QStringLiteral("FileDB2000.db")));
    ChannelStore store;

    struct Case
    {
        const char *name;
        BulkChange change;
    };
    const Case cases[]
        = { { "Set type", SetType { ChannelType::Digi } }, { "Move 8 MHz", MoveFreq { 8.0 } } };
    bool allMet = true;
    std::printf("%d channels, median of %d rounds (ms)\n", kChannels, rounds);
    for (const Case &c : cases) {
        QList<double> reread, edit;
        for (int r = 0; r < rounds; ++r) {
            if (!store.replacePlan(plan())) {
                std::fprintf(stderr, "seeding failed: %s\n", qPrintable(store.errorText()));
                return 1;
            }
            EditorWindow window(store);
            window.findChild<QLineEdit *>(QStringLiteral("Text1(4)"))->setText(QStringLiteral("8"));
            BulkEdits *edits = BulkEdits::attach(window);
            window.reload(PlanOrder::ById);
            QCoreApplication::processEvents();
            reread.append(ms([&] { window.reload(PlanOrder::ById); }));
            QCoreApplication::processEvents();
            auto *undo = window.findChild<PlanUndo *>();
            undo->stack()->clear();
            window.view()->selectAll();
            bool done = false;
            edit.append(ms([&] { done = edits->apply(c.change); }));
            if (!done || undo->stack()->count() != 1) {
                std::fprintf(stderr, "%s: not done as one step\n", c.name);
                return 1;
            }
        }
        const double base = median(reread);
        const double e = median(edit);
        const bool met = e <= 3.0 * base;
        allMet = allMet && met;
        std::printf("%-10s re-read %7.1f  bulk edit %7.1f  (%.2fx)  %s\n", c.name, base, e,
            e / base, met ? "goal met" : "GOAL MISSED");
    }
    MessageBox::setPrompter(nullptr);
    return allMet ? 0 : 1;
}
