// Undo and redo in the editor window: each kind of change is one step with
// its name; undo and redo put the whole table (identities included), the
// grid and the buttons back exactly.

#include "CliRun.h"
#include "EditorFixture.h"

#include "base/TextCatalogue.h"
#include "editor/PlanTableModel.h"
#include "editor/PlanTableView.h"
#include "editor/UndoCommands.h"
#include "store/CopiedIds.h"
#include "widgets/FileDialogs.h"

#include <QAction>
#include <QUndoStack>
#include <QtTest>

using namespace plandor;
using namespace plandor::test;

namespace {

constexpr auto channel = &TempStore::row;

// IDs against frequency order, so that Order changes them.
const QList<ChannelValues> kPlan
    = { channel(1, "C5", "TV", 300.25, 6.5), channel(2, "S1", "DIGI", 100, 8),
          channel(3, "C3", "TV", 55.25, 6.5), channel(4, "Z9", "DIGI", 800, 8) };

// Everything an undo must put back: the table (identities included), the
// grid, the buttons, the panel and the caption.
using Seen = std::tuple<QList<StoredRow>, QStringList, QString, QStringList, QString>;

Seen look(EditorFixture &f)
{
    return { f.channels.snapshot().value_or(QList<StoredRow>()), gridTexts(f.form->model()),
        f.buttonStates(), panelTexts(*f.form), f.form->caption() };
}

} // namespace

class TestUndo : public QObject
{
    Q_OBJECT

private slots:
    void eachStep_data()
    {
        QTest::addColumn<QString>("name"); // of the step; the row's tag says what it is
        // One for each way a step is taken: a committed row (its name inferred
        // from the change), a key on the grid, a toolbar command, and one
        // that brings its own panel and caption.
        QTest::newRow("cell edit") << "Edit STD CH of channel 1";
        QTest::newRow("type toggle") << "Change the type of channel 2";
        QTest::newRow("Delete") << "Delete channels";
        QTest::newRow("Order") << "Order by frequency";
        QTest::newRow("Open") << "Open a plan file";
    }

    // The step is one entry named for what it did; undo gives back exactly
    // what was seen before, redo exactly what was seen after, twice over. A
    // refused edit after a cell edit is no step and does not disturb it.
    void eachStep()
    {
        QFETCH(QString, name);
        const QLatin1String step(QTest::currentDataTag());
        EditorFixture f;
        f.load(kPlan);
        panelTexts(*f.form, { "1", "2", "3", "4", "8", "5", "6", "dBuV" });
        auto *undo = f.form->findChild<PlanUndo *>();
        QVERIFY(undo);
        QCoreApplication::processEvents(); // the load is seen as a step
        undo->stack()->clear();
        const Seen before = look(f);

        PlanTableModel *model = f.form->model();
        if (step == "cell edit") {
            QVERIFY(model->setData(model->index(0, ColumnName), QStringLiteral("X")));
            QVERIFY(f.form->commitPending());
            const Seen edited = look(f);
            QVERIFY(!model->setData(model->index(1, ColumnFreq), QStringLiteral("5000")));
            QCOMPARE(f.messages.texts(), QStringList { CatalogueText(27) });
            f.form->commitPending();
            QCOMPARE(look(f), edited);
        } else if (step == "type toggle") {
            model->toggleType(1);
            QVERIFY(f.form->commitPending());
        } else if (step == "Delete") {
            f.form->view()->selectRow(2);
            f.messages.queueAnswers({ MessageAnswer::Yes });
            QTest::keyClick(f.form->view(), Qt::Key_Delete);
        } else if (step == "Order") {
            f.click("Order");
        } else if (step == "Open") {
            const QString path = f.store.dir() + QStringLiteral("/other.txt");
            QVERIFY(writePlanFile(path, { channel(1, "N1", "TV", 77.25, 6.5) }, "dBmV", "7",
                QStringLiteral("Other plan")));
            FileDialogs::queueAnswer(path);
            f.click("Open");
        }
        QTRY_COMPARE(undo->stack()->count(), 1);
        QCOMPARE(undo->stack()->text(0), name);
        QCOMPARE(undo->undoAction()->text(), "Undo " + name);
        const Seen after = look(f);
        QVERIFY(std::get<0>(after) != std::get<0>(before)); // the table changed

        // By the keys: Ctrl+Z undoes, Ctrl+Shift+Z and Ctrl+Y redo.
        f.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
        const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
        for (const Qt::Key redo : { Qt::Key_Z, Qt::Key_Y }) {
            QTest::keyClick(f.form.get(), Qt::Key_Z, ctrl);
            QCOMPARE(look(f), before);
            QVERIFY(!undo->undoAction()->isEnabled());
            QTest::keyClick(
                f.form.get(), redo, redo == Qt::Key_Z ? ctrl | Qt::ShiftModifier : ctrl);
            QCOMPARE(look(f), after);
            QVERIFY(!undo->redoAction()->isEnabled());
        }
        QCOMPARE(undo->stack()->count(), 1); // undo and redo make no steps of their own

        // A new step after an undo drops the undone one.
        QTest::keyClick(f.form.get(), Qt::Key_Z, ctrl);
        CopiedIds = { 1 };
        QTest::keyClick(f.form->view(), Qt::Key_V, ctrl);
        QCOMPARE(undo->stack()->count(), 1);
        QCOMPARE(undo->stack()->text(0), QStringLiteral("Paste channels"));
        QVERIFY(!undo->redoAction()->isEnabled());
    }
};

QTEST_MAIN(TestUndo)
#include "tst_undo.moc"
