// Times Undo and Redo of Order and of Paste on a 10,000-channel plan against
// the command itself, in the same run, through the editor window as the user
// gives them (each includes re-reading the grid and the undo stack's look at
// the store), and the command alone in a window without an undo stack. Goal:
// Undo and Redo each at most 1.5 times the command alone.
//
// Usage: bench_undo [rounds]
#include "BenchTiming.h"

#include "base/MessageBox.h"
#include "editor/EditorWindow.h"
#include "editor/UndoCommands.h"
#include "store/ChannelStore.h"
#include "store/CopiedIds.h"
#include "store/DatabaseLocation.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

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
        row.setValue(ColumnId, qint32(i + 1));
        row.setValue(ColumnName, QString::number(i % 250 + 1));
        row.setValue(ColumnType, (i % 3) ? QStringLiteral("DIGI") : QStringLiteral("TV"));
        // IDs against frequency order, so that Order rewrites every row.
        // Within 50..990 MHz, so that every channel passes the rules with its 8 MHz.
        row.setValue(ColumnFreq, 990.0 - (i * 940.0) / kChannels);
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
        EditorCommand command;
    };
    const Case cases[] = { { "Order", EditorCommand::Order }, { "Paste", EditorCommand::Paste } };
    bool allMet = true;
    std::printf("%d channels, median of %d rounds (ms)\n", kChannels, rounds);
    for (const Case &c : cases) {
        QList<double> plain, command, undo, redo;
        for (int r = 0; r < rounds; ++r) {
            // The command alone, in a window without an undo stack.
            if (!store.replacePlan(plan()))
                return 1;
            {
                EditorWindow bare(store);
                CopiedIds.clear();
                for (int k = 0; k < 100; ++k)
                    CopiedIds.append(qint16(1 + k * (kChannels / 100)));
                plain.append(ms([&] { bare.run(c.command); }));
            }
            if (!store.replacePlan(plan())) {
                std::fprintf(stderr, "seeding failed: %s\n", qPrintable(store.errorText()));
                return 1;
            }
            EditorWindow window(store);
            auto *steps = new PlanUndo(window);
            // Paste copies 100 channels spread over the plan.
            CopiedIds.clear();
            for (int k = 0; k < 100; ++k)
                CopiedIds.append(qint16(1 + k * (kChannels / 100)));
            EditorState state = window.state();
            state.pasteReady = true;
            window.setState(state);
            command.append(ms([&] { window.actions()->action(c.command)->trigger(); }));
            if (steps->stack()->count() != 1) {
                std::fprintf(stderr, "%s made %d steps\n", c.name, steps->stack()->count());
                return 1;
            }
            undo.append(ms([&] { steps->undo(); }));
            redo.append(ms([&] { steps->redo(); }));
        }
        const double base = median(plain);
        const double withStack = median(command);
        const double u = median(undo), re = median(redo);
        const bool met = u <= 1.5 * base && re <= 1.5 * base;
        allMet = allMet && met;
        std::printf("%-6s command %7.1f (with the undo stack's look %7.1f)  undo %7.1f (%.2fx)  "
                    "redo %7.1f (%.2fx)  %s\n",
            c.name, base, withStack, u, u / base, re, re / base, met ? "goal met" : "GOAL MISSED");
    }
    MessageBox::setPrompter(nullptr);
    return allMet ? 0 : 1;
}
