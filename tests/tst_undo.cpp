// Undo and redo in the editor window: each kind of change is one step with
// its name; undo and redo put the whole table (identities included), the
// grid and the buttons back exactly.

#include "CliRun.h"
#include "EditorFixture.h"
#include "TempStore.h"

#include "editor/PlanTableModel.h"
#include "editor/PlanTableView.h"
#include "editor/UndoCommands.h"
#include "store/CopiedIds.h"
#include "transfer/LinkRecord.h"
#include "widgets/FileDialogs.h"

#include <QAction>
#include <QTemporaryDir>
#include <QUndoStack>
#include <QtTest>

using namespace plandor;
using namespace plandor::test;

namespace {

constexpr auto channel = &TempStore::row;

// IDs against frequency order, so that Order changes them.
const QList<ChannelValues> kPlan = {
    channel(1, QStringLiteral("C5"), QStringLiteral("TV"), 300.25, 6.5),
    channel(2, QStringLiteral("S1"), QStringLiteral("DIGI"), 100, 8),
    channel(3, QStringLiteral("C3"), QStringLiteral("TV"), 55.25, 6.5),
    channel(4, QStringLiteral("Z9"), QStringLiteral("DIGI"), 800, 8),
};

// Everything an undo must put back.
struct Seen
{
    QList<StoredRow> table;
    QStringList grid;
    QString buttons;
    QStringList panel;
    QString caption;
    bool operator==(const Seen &) const = default;
};

Seen look(EditorFixture &f)
{
    return { f.channels.snapshot().value_or(QList<StoredRow>()), gridTexts(f.form->model()),
        f.buttonStates(), panelTexts(*f.form), f.form->caption() };
}

// The window's undo stack, emptied after the fixture's load.
PlanUndo *steps(EditorFixture &f)
{
    auto *undo = f.form->findChild<PlanUndo *>();
    QCoreApplication::processEvents(); // the load is seen as a step
    if (undo)
        undo->stack()->clear();
    return undo;
}

} // namespace

class TestUndo : public QObject
{
    Q_OBJECT

private slots:
    void eachStep_data()
    {
        QTest::addColumn<QString>("step");
        QTest::addColumn<QString>("name");
        const std::pair<const char *, const char *> steps[] = { { "cell edit",
                                                                    "Edit STD CH of channel 1" },
            { "type toggle", "Change the type of channel 2" }, { "Insert", "Insert a channel" },
            { "Delete", "Delete channels" }, { "Paste", "Paste channels" },
            { "Order", "Order by frequency" }, { "Open", "Open a plan file" },
            { "Upload", "Upload the plan" }, { "standard plan", "Load a standard plan" } };
        for (const auto &[step, name] : steps)
            QTest::newRow(step) << QString::fromLatin1(step) << QString::fromLatin1(name);
    }

    // The step is one entry named for what it did; undo gives back exactly
    // what was seen before, redo exactly what was seen after, twice over.
    void eachStep()
    {
        QFETCH(QString, step);
        QFETCH(QString, name);
        EditorFixture f;
        f.load(kPlan);
        panelTexts(*f.form, { "1", "2", "3", "4", "8", "5", "6", "dBuV" });
        PlanUndo *undo = steps(f);
        QTemporaryDir dir;
        const Seen before = look(f);

        PlanTableModel *model = f.form->model();
        if (step == "cell edit") {
            QVERIFY(model->setData(model->index(0, ColumnName), QStringLiteral("X")));
            QVERIFY(f.form->commitPending());
        } else if (step == "type toggle") {
            model->toggleType(1);
            QVERIFY(f.form->commitPending());
        } else if (step == "Insert") {
            f.messages.queueAnswers({ AnswerYes });
            f.click("Insert");
        } else if (step == "Delete") {
            f.form->view()->selectRow(2);
            f.messages.queueAnswers({ AnswerYes });
            QTest::keyClick(f.form->view(), Qt::Key_Delete);
        } else if (step == "Paste") {
            CopiedIds = { 2, 4 };
            QTest::keyClick(f.form->view(), Qt::Key_V, Qt::ControlModifier);
        } else if (step == "Order") {
            f.click("Order");
        } else if (step == "Open") {
            const QString path = dir.filePath(QStringLiteral("other.txt"));
            QVERIFY(writePlanFile(path,
                { channel(1, QStringLiteral("N1"), QStringLiteral("TV"), 77.25, 6.5) }, "dBmV", "7",
                QStringLiteral("Other plan")));
            FileDialogs::queueAnswer(path);
            f.click("Open");
        } else if (step == "Upload") {
            f.link->planToRead = { 1,
                { { 0, QStringLiteral("TV"), 1, 63.25f, 0, QStringLiteral("U1"), 6.5f, 0, {} } } };
            f.link->favoritesToRead = { 9, 9, 9, 9, 9, 9, 6, 2, 0 };
            f.click("Upload");
        } else if (step == "standard plan") {
            QVERIFY(f.form->replacePlan(
                { channel(1, QStringLiteral("T1"), QStringLiteral("DIGI"), 474, 8) }, {},
                QStringLiteral("Standard")));
            undo->settle(PlanUndo::standardPlanName());
        }
        QTRY_COMPARE(undo->stack()->count(), 1);
        QCOMPARE(undo->stack()->text(0), name);
        QCOMPARE(undo->undoAction()->text(), "Undo " + name);
        const Seen after = look(f);
        QVERIFY(after.table != before.table);

        for (int round = 0; round < 2; ++round) {
            undo->undo();
            QCOMPARE(look(f), before);
            QVERIFY(!undo->undoAction()->isEnabled());
            undo->redo();
            QCOMPARE(look(f), after);
            QVERIFY(!undo->redoAction()->isEnabled());
        }
        QCOMPARE(undo->stack()->count(), 1); // undo and redo make no steps of their own
    }

    // A refused edit between two steps is no step and does not disturb them.
    void refusedEditIsNoStep()
    {
        EditorFixture f;
        f.load(kPlan);
        PlanUndo *undo = steps(f);
        PlanTableModel *model = f.form->model();
        const Seen start = look(f);
        QVERIFY(model->setData(model->index(0, ColumnFreq), QStringLiteral("301.25")));
        QVERIFY(f.form->commitPending());
        const Seen edited = look(f);
        model->setData(model->index(1, ColumnFreq), QStringLiteral("5000")); // out of range
        QVERIFY(!f.messages.shown.isEmpty());
        f.form->commitPending();
        QCOMPARE(look(f).table, edited.table);
        QCOMPARE(undo->stack()->count(), 1);
        undo->undo();
        QCOMPARE(look(f).table, start.table);
        undo->redo();
        QCOMPARE(look(f).table, edited.table);
    }

    // Ctrl+Z undoes; Ctrl+Shift+Z and Ctrl+Y redo; a new step after an undo
    // drops the undone one.
    void keys()
    {
        EditorFixture f;
        f.load(kPlan);
        PlanUndo *undo = steps(f);
        f.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
        const Seen start = look(f);
        f.click("Order");
        const Seen ordered = look(f);
        QTest::keyClick(f.form.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(look(f), start);
        QTest::keyClick(f.form.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(look(f), ordered);
        QTest::keyClick(f.form.get(), Qt::Key_Z, Qt::ControlModifier);
        QTest::keyClick(f.form.get(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(look(f), ordered);
        QTest::keyClick(f.form.get(), Qt::Key_Z, Qt::ControlModifier);
        CopiedIds = { 1 };
        QTest::keyClick(f.form->view(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(undo->stack()->count(), 1);
        QCOMPARE(undo->stack()->text(0), QStringLiteral("Paste channels"));
        QVERIFY(!undo->redoAction()->isEnabled());
    }
};

QTEST_MAIN(TestUndo)
#include "tst_undo.moc"
