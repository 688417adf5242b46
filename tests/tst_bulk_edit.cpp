// Editing many channels at once, and Fill, through the editor window: a
// change with a refused row changes nothing and names the rows and why; an
// accepted one is one undo step, and Undo gives the table back exactly.

#include "EditorFixture.h"

#include "base/TextCatalogue.h"
#include "editor/BulkEdits.h"
#include "editor/PlanTableModel.h"
#include "editor/PlanTableView.h"
#include "editor/UndoCommands.h"

#include <QAction>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QUndoStack>
#include <QtTest>

using namespace plandor;
using namespace plandor::test;

namespace {

constexpr auto channel = &TempStore::row;

const QList<ChannelValues> kPlan = { channel(1, "C5", "TV", 471.25, 6.5),
    channel(2, "S1", "DIGI", 300, 8), channel(3, "C3", "TV", 55.25, 6.5),
    channel(4, "Z9", "DIGI", 800, 8), channel(5, "L1", "DIGI", 48, 4) };

// The shortcut of each command.
const QHash<int, Qt::Key> kKeys = { { int(BulkCommand::SetType), Qt::Key_T },
    { int(BulkCommand::SetAudio), Qt::Key_B }, { int(BulkCommand::Move), Qt::Key_M },
    { int(BulkCommand::Rename), Qt::Key_R }, { int(BulkCommand::Fill), Qt::Key_N } };

// Fills the command's dialog, box by object name, once it shows, and
// accepts it with Enter.
void answerDialog(const QVariantMap &boxes)
{
    auto *poll = new QTimer;
    poll->setInterval(0);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, boxes] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        poll->deleteLater();
        // Where typing goes as the dialog opens: a number there is typed over
        // its proposal, as a user would.
        QWidget *typedInto = dialog->focusWidget();
        for (auto it = boxes.cbegin(); it != boxes.cend(); ++it) {
            QWidget *box = dialog->findChild<QWidget *>(it.key());
            QVERIFY2(box && !box->accessibleName().isEmpty(), qPrintable(it.key()));
            if (auto *spin = qobject_cast<QSpinBox *>(box))
                spin->setValue(it.value().toInt());
            else if (auto *number = qobject_cast<QDoubleSpinBox *>(box); number == typedInto)
                QTest::keyClicks(number, QString::number(it.value().toDouble()));
            else if (number)
                number->setValue(it.value().toDouble());
            else if (auto *list = qobject_cast<QComboBox *>(box))
                list->setCurrentText(it.value().toString());
            else if (auto *text = qobject_cast<QLineEdit *>(box))
                text->setText(it.value().toString());
        }
        QTest::keyClick(dialog->focusWidget() ? dialog->focusWidget() : dialog, Qt::Key_Return);
    });
    poll->start();
}

// The window with a plan, the bandwidth box at 8 MHz (a type change moves
// the frequency by 2.75 MHz) and the cells of the Type column of rows
// 0..last selected; the command is given by its shortcut.
struct Run
{
    EditorFixture f;
    BulkEdits *edits = BulkEdits::attach(*f.form);
    PlanUndo *undo = f.form->findChild<PlanUndo *>();
    QList<StoredRow> before;

    Run(qint16 language = 500)
        : f(language)
    {
        f.load(kPlan);
        f.box(4)->setText(QStringLiteral("8"));
        QCoreApplication::processEvents(); // the load is seen as a step
        undo->stack()->clear();
        before = f.channels.snapshot().value_or(QList<StoredRow>());
        f.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
    }

    void select(int last)
    {
        PlanTableModel *model = f.form->model();
        f.form->view()->selectionModel()->select(
            QItemSelection(model->index(0, ColumnType), model->index(last, ColumnType)),
            QItemSelectionModel::ClearAndSelect);
    }

    void give(int command, const QVariantMap &boxes)
    {
        QAction *action = edits->action(BulkCommand(command));
        QVERIFY(action->isEnabled());
        answerDialog(boxes);
        QTest::keyClick(f.form.get(), kKeys[command], Qt::ControlModifier | Qt::ShiftModifier);
        QCoreApplication::processEvents();
    }
};

void addCommands()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<QVariantMap>("boxes");
}

} // namespace

class TestBulkEdit : public QObject
{
    Q_OBJECT

private slots:
    void refused_data()
    {
        addCommands();
        QTest::addColumn<qint16>("language");
        QTest::addColumn<QString>("message");
        const QString head = QStringLiteral(
            "%1 of the %2 channels would break the channel rules, so nothing was changed:");
        const QString row = QStringLiteral("\nID %1 (%2): %3");
        const auto why = [](qint16 id) { return TextCatalogue::entry(id + 500).trimmed(); };
        // DIGI to TV moves 48 MHz down to 45.25.
        QTest::newRow("set type") << int(BulkCommand::SetType)
                                  << QVariantMap { { "typeBox", "TV" } } << qint16(500)
                                  << head.arg(1).arg(5) + row.arg(5).arg("L1", why(27));
        QTest::newRow("set type, Chinese run")
            << int(BulkCommand::SetType) << QVariantMap { { "typeBox", "TV" } } << qint16(0)
            << QStringLiteral("5 个频道中有 1 个会违反频道规则，频道表没有修改：\n序列号 5（L1）：")
                + TextCatalogue::entry(27).trimmed();
        // 9.95 MHz is an audio offset but no bandwidth.
        QTest::newRow("set audio")
            << int(BulkCommand::SetAudio) << QVariantMap { { "audioBox", 9.95 } } << qint16(500)
            << head.arg(3).arg(5) + row.arg(2).arg("S1", why(29)) + row.arg(4).arg("Z9", why(29))
                + row.arg(5).arg("L1", why(29));
        // 800 + 200 with 8 MHz of bandwidth reaches above 1000.
        QTest::newRow("move") << int(BulkCommand::Move) << QVariantMap { { "offsetBox", 200.0 } }
                              << qint16(500) << head.arg(1).arg(5) + row.arg(4).arg("Z9", why(30));
        // A100, A101 and A102 have four characters.
        QTest::newRow("rename") << int(BulkCommand::Rename)
                                << QVariantMap { { "prefixBox", "A" }, { "firstNumberBox", 98 } }
                                << qint16(500)
                                << head.arg(3).arg(5) + row.arg(3).arg("C3", why(26))
                + row.arg(4).arg("Z9", why(26)) + row.arg(5).arg("L1", why(26));
        // The fourth new channel's upper edge is 1002 MHz.
        QTest::newRow("fill")
            << int(BulkCommand::Fill)
            << QVariantMap { { "countBox", 4 }, { "firstFreqBox", 986.0 }, { "stepBox", 4.0 },
                   { "typeBox", "DIGI" }, { "audioBox", 8.0 }, { "prefixBox", "D" },
                   { "firstNumberBox", 21 } }
            << qint16(500)
            << QStringLiteral("1 of the 4 new channels would break the channel rules, so none was "
                              "added:")
                + row.arg(9).arg("D24", why(30));
    }

    // Nothing changes, no step is made, and one message names every refused
    // row with its reason in the run's language.
    void refused()
    {
        QFETCH(int, command);
        QFETCH(QVariantMap, boxes);
        QFETCH(qint16, language);
        QFETCH(QString, message);
        Run run(language);
        run.select(4);
        run.give(command, boxes);
        QCOMPARE(run.f.messages.texts(), QStringList { message });
        QCOMPARE(run.f.channels.snapshot().value_or(QList<StoredRow>()), run.before);
        QCOMPARE(run.undo->stack()->count(), 0);
    }

    void accepted_data()
    {
        addCommands();
        QTest::addColumn<QList<ChannelValues>>("after");
        QTest::addColumn<QString>("step");
        QList<ChannelValues> plan = kPlan;
        // Only the TV channels move, by 8 / 2 - 1.25 MHz.
        plan[0] = channel(1, "C5", "DIGI", 474, 6.5);
        plan[2] = channel(3, "C3", "DIGI", 58, 6.5);
        QTest::newRow("set type") << int(BulkCommand::SetType)
                                  << QVariantMap { { "typeBox", "DIGI" } } << plan
                                  << "Set type of 4 channels to DIGI";
        plan = kPlan;
        for (int i = 0; i < 4; ++i)
            plan[i].setValue(ColumnAudio1, 7.0);
        QTest::newRow("set audio")
            << int(BulkCommand::SetAudio) << QVariantMap { { "audioBox", 7.0 } } << plan
            << "Set audio offset / bandwidth of 4 channels to 7 MHz";
        plan = kPlan;
        // 55.25 + 4.02 is 59.269999999999996 in doubles; the store keeps 59.27.
        for (const auto &[i, freq] :
            { std::pair { 0, 475.27 }, { 1, 304.02 }, { 2, 59.27 }, { 3, 804.02 } })
            plan[i].setValue(ColumnFreq, freq);
        QTest::newRow("move") << int(BulkCommand::Move) << QVariantMap { { "offsetBox", 4.02 } }
                              << plan << "Move 4 channels by 4.02 MHz";
        plan = kPlan;
        for (int i = 0; i < 4; ++i)
            plan[i].setValue(ColumnName, QStringLiteral("K%1").arg(10 + 2 * i));
        QTest::newRow("rename") << int(BulkCommand::Rename)
                                << QVariantMap { { "prefixBox", "K" }, { "firstNumberBox", 10 },
                                       { "numberStepBox", 2 } }
                                << plan << "Rename 4 channels";
        plan = kPlan;
        plan << channel(6, "D21", "DIGI", 474, 8) << channel(7, "D22", "DIGI", 482, 8)
             << channel(8, "D23", "DIGI", 490, 8);
        QTest::newRow("fill") << int(BulkCommand::Fill)
                              << QVariantMap { { "countBox", 3 }, { "firstFreqBox", 474.0 },
                                     { "stepBox", 8.0 }, { "typeBox", "DIGI" }, { "audioBox", 8.0 },
                                     { "prefixBox", "D" }, { "firstNumberBox", 21 } }
                              << plan << "Fill 3 channels";
    }

    // The first four rows are changed (or three channels added) as one step;
    // Undo brings back the table exactly, identities included, Redo the change.
    void accepted()
    {
        QFETCH(int, command);
        QFETCH(QVariantMap, boxes);
        QFETCH(QList<ChannelValues>, after);
        QFETCH(QString, step);
        Run run;
        run.select(0);
        // One row is the cell's job.
        QCOMPARE(run.edits->action(BulkCommand(command))->isEnabled(),
            command == int(BulkCommand::Fill));
        run.select(3);
        run.give(command, boxes);
        QVERIFY2(run.f.messages.shown.isEmpty(), qPrintable(run.f.messages.texts().join('\n')));
        QCOMPARE(run.f.store.rows(PlanOrder::ById), after);
        QCOMPARE(run.undo->stack()->count(), 1);
        QCOMPARE(run.undo->stack()->text(0), step);
        const QList<StoredRow> changed = run.f.channels.snapshot().value_or(QList<StoredRow>());

        run.undo->undoAction()->trigger();
        QCOMPARE(run.f.channels.snapshot().value_or(QList<StoredRow>()), run.before);
        QCOMPARE(run.f.form->model()->rowCount(), kPlan.size());
        run.undo->redoAction()->trigger();
        QCOMPARE(run.f.channels.snapshot().value_or(QList<StoredRow>()), changed);
    }
};

QTEST_MAIN(TestBulkEdit)
#include "tst_bulk_edit.moc"
