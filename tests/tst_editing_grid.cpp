// Editing the plan in the grid as a user does (typing, the lists, clicks and
// keys), and the traps where an edit used to be lost.
#include "EditorFixture.h"
#include "OtherConnection.h"

#include "base/TextCatalogue.h"
#include "editor/FavoritesPanel.h"
#include "editor/PlanTableModel.h"
#include "editor/PlanTableView.h"
#include "rules/ChannelRules.h"
#include "widgets/FileDialogs.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QtTest>

using namespace plandor;
using namespace plandor::test;

namespace {

// In ID order: A(1) TV 471.25, S(2) DIGI 474 bandwidth 8, C(3) TV 55.25.
const QList<ChannelValues> kPlan = { TempStore::row(1, "A", "TV", 471.25, 6.5),
    TempStore::row(2, "S", "DIGI", 474, 8), TempStore::row(3, "C", "TV", 55.25, 4.5) };

struct Grid
{
    EditorFixture f;
    PlanTableView *view = f.form->view();
    PlanTableModel *model = f.form->model();

    Grid()
    {
        f.load(kPlan);
        f.box(4)->setText(QStringLiteral("8")); // the bandwidth for type changes
        f.form->activateWindow();
    }
    QModelIndex cell(int row, int column) const { return model->index(row, column); }
    QString shown(int row, int column) const { return cell(row, column).data().toString(); }
    QVariant stored(int row, int column)
    {
        return f.store.rows(PlanOrder::ById).value(row).values[column];
    }
    QPoint centre(int row, int column) const
    {
        return view->visualRect(cell(row, column)).center();
    }

    // Opens the cell's editor with F2 and types text over its content; the
    // editor stays open.
    QWidget *typeInto(int row, int column, const QString &text)
    {
        view->setFocus();
        view->setCurrentIndex(cell(row, column));
        QTest::keyClick(view, Qt::Key_F2);
        auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        if (!editor)
            return nullptr;
        editor->selectAll();
        bool keys = true;
        for (QChar c : text)
            keys = keys && c.unicode() < 128 && c.isPrint();
        if (keys)
            QTest::keyClicks(editor, text);
        else
            editor->insert(text); // an input method's or a paste's text

        return editor;
    }
    QComboBox *openList(int row, int column)
    {
        // The list of an earlier edit goes with the next turn of the event loop.
        (void)QTest::qWaitFor([this] { return !view->findChild<QComboBox *>(); });
        view->setFocus();
        view->setCurrentIndex(cell(row, column));
        QTest::keyClick(view, Qt::Key_F4);
        auto *combo = view->findChild<QComboBox *>();
        if (combo)
            combo->hidePopup();
        return combo;
    }
    // Enter: the view writes the editor's value on the next turn of the loop.
    static void enter(QWidget *editor)
    {
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents();
    }
    void leaveRow(int row) { view->setCurrentIndex(cell(row == 0 ? 1 : 0, ColumnId)); }
};

} // namespace

class EditingGridTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(!QTest::currentTestFailed()); }

    // Trap 1: an edit still open in its cell reaches the store before any
    // command runs.
    void commandsTakeTheOpenEdit_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("Download") << "Download";
        QTest::newRow("Order") << "Order";
        QTest::newRow("Save") << "Save";
        QTest::newRow("Open") << "Open";
        QTest::newRow("close") << "close";
    }
    void commandsTakeTheOpenEdit()
    {
        QFETCH(QString, command);
        Grid g;
        QVERIFY(QTest::qWaitForWindowActive(g.f.form.get()));
        QVERIFY(g.typeInto(0, ColumnFreq, QStringLiteral("500")));
        const QString file = g.f.store.dir() + QStringLiteral("/plan.txt");
        if (command == QLatin1String("close")) {
            g.f.form->close();
        } else {
            FileDialogs::queueAnswer(command == QLatin1String("Open") ? QString() : file);
            g.f.click(command.toLatin1().constData());
        }
        double freqOfA = 0;
        for (const ChannelValues &row : g.f.store.rows(PlanOrder::ById)) {
            if (row.values[ColumnName] == QStringLiteral("A"))
                freqOfA = row.values[ColumnFreq].toDouble();
        }
        QCOMPARE(freqOfA, 500.0);
        if (command == QLatin1String("Download")) {
            QCOMPARE(g.f.link->writtenPlan.items.value(2).Freq, 500.0f); // sent in frequency order
            QCOMPARE(g.f.messages.texts().last(), CatalogueText(18));
        }
        if (command == QLatin1String("Save")) {
            QFile saved(file);
            QVERIFY(saved.open(QIODevice::ReadOnly));
            QVERIFY(saved.readAll().contains("\t500\t"));
        }
    }

    // A refused edit stops the command: the message shows, nothing runs, the
    // cell keeps the focus.
    void refusedEditStopsTheCommand()
    {
        Grid g;
        QVERIFY(QTest::qWaitForWindowActive(g.f.form.get()));
        QVERIFY(g.typeInto(1, ColumnFreq, QStringLiteral("2000")));
        g.f.click("Download");
        QCOMPARE(g.f.messages.texts(), QStringList { CatalogueText(27) });
        QVERIFY(!g.f.link->calls.contains(QStringLiteral("WritePlan")));
        QCOMPARE(g.view->currentIndex(), g.cell(1, ColumnFreq));
        QVERIFY(g.view->hasFocus());
        QCOMPARE(g.shown(1, ColumnFreq), QStringLiteral("474.00"));
    }

    // Trap 2: a refused value comes back from the row's own stored value,
    // whatever its ID says.
    void refusedValueComesFromTheRowItself_data()
    {
        QTest::addColumn<QString>("id");
        QTest::newRow("ID of another row") << "2";
        QTest::newRow("empty ID") << "";
    }
    void refusedValueComesFromTheRowItself()
    {
        QFETCH(QString, id);
        Grid g;
        QVERIFY(QTest::qWaitForWindowActive(g.f.form.get()));
        QWidget *editor = g.typeInto(0, ColumnId, id);
        QVERIFY(editor);
        if (id.isEmpty())
            QTest::keyClick(editor, Qt::Key_Delete);
        g.enter(editor);
        QCOMPARE(g.shown(0, ColumnId), id);
        editor = g.typeInto(0, ColumnFreq, QStringLiteral("2000"));
        QVERIFY(editor);
        g.enter(editor);
        QCOMPARE(g.f.messages.texts(), QStringList { CatalogueText(27) });
        QCOMPARE(g.shown(0, ColumnFreq), QStringLiteral("471.25"));
        g.leaveRow(0);
        QCOMPARE(g.stored(0, ColumnFreq).toDouble(), 471.25);
        QCOMPARE(g.stored(1, ColumnFreq).toDouble(), 474.0);
    }

    // The rules' messages through the cell editors (the rules' own edges are
    // checked with the rules); a refused cell gets the row's stored value back.
    void rulesRefuseThroughTheEditor_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message"); // empty: accepted
        QTest::newRow("name of four") << int(ColumnName) << "ABCD" << CatalogueText(26);
        QTest::newRow("TAB in a name")
            << int(ColumnName) << "A\tB" << ChannelRules::kNameFileCharacters.text();
        QTest::newRow("name of three") << int(ColumnName) << "XYZ" << QString();
        QTest::newRow("below 46") << int(ColumnFreq) << "45.99" << CatalogueText(27);
        QTest::newRow("edge beyond 1000") << int(ColumnFreq) << "998" << CatalogueText(30);
    }
    void rulesRefuseThroughTheEditor()
    {
        QFETCH(int, column);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        Grid g;
        QVERIFY(QTest::qWaitForWindowActive(g.f.form.get()));
        const QVariant before = g.stored(2, column);
        const QString shownBefore = g.shown(2, column);
        QWidget *editor = g.typeInto(2, column, typed);
        QVERIFY(editor);
        g.enter(editor);
        if (!message.isEmpty()) // put back at once, before the row is left
            QCOMPARE(g.shown(2, column), shownBefore);
        g.leaveRow(2);
        QCOMPARE(
            g.f.messages.texts(), message.isEmpty() ? QStringList {} : QStringList { message });
        const QVariant after = g.stored(2, column);
        if (!message.isEmpty())
            QCOMPARE(after, before);
        else
            QCOMPARE(after.toString(), typed);
    }

    // A stored row the rules refuse (as a plan file or the instrument may
    // bring one) is marked on its cells and header with the reason, until a
    // fixed value is committed; Undo brings the row and its mark back.
    void refusedRowIsMarkedUntilFixed()
    {
        Grid g;
        g.f.load({ kPlan[0], TempStore::row(2, "S", "DIGI", 2000, 8), kPlan[2] });
        QVERIFY(QTest::qWaitForWindowActive(g.f.form.get()));
        const auto marks = [&g] {
            QStringList shown;
            for (int row = 0; row < g.model->rowCount(); ++row) {
                const bool tinted = g.cell(row, ColumnType).data(Qt::BackgroundRole).isValid();
                shown << QStringLiteral("%1%2 %3").arg(
                    g.model->headerData(row, Qt::Vertical).toString(), tinted ? "tinted" : "plain",
                    g.cell(row, ColumnName).data(Qt::ToolTipRole).toString());
            }
            return shown;
        };
        const QString reason = CatalogueText(27);
        QCOMPARE(marks(), (QStringList { "plain ", "!tinted " + reason, "plain " }));
        QCOMPARE(g.model->headerData(1, Qt::Vertical, Qt::ToolTipRole).toString(), reason);

        QWidget *editor = g.typeInto(1, ColumnFreq, QStringLiteral("474"));
        QVERIFY(editor);
        g.enter(editor);
        QCOMPARE(marks()[1], "!tinted " + reason); // not stored yet
        g.leaveRow(1);
        QCOMPARE(marks(), (QStringList { "plain ", "plain ", "plain " }));
        QVERIFY(g.f.messages.shown.isEmpty());

        auto *undo = g.f.form->findChild<QAction *>(QStringLiteral("UndoAction"));
        QVERIFY(undo && undo->isEnabled());
        undo->trigger();
        QTRY_COMPARE(marks()[1], "!tinted " + reason);
        QCOMPARE(g.stored(1, ColumnFreq).toDouble(), 2000.0);
    }

    // The Type list and two presses on a Type cell move the frequency by
    // half the bandwidth less 1.25 MHz; a list closed without a pick changes
    // nothing.
    void typeChangesMoveTheFrequency()
    {
        Grid g;
        QVERIFY(QTest::qWaitForWindowActive(g.f.form.get()));
        QComboBox *types = g.openList(0, ColumnType);
        QVERIFY(types);
        QCOMPARE(types->currentText(), QStringLiteral("TV"));
        types->setCurrentIndex(types->findText(QStringLiteral("DIGI")));
        emit types->activated(types->currentIndex());
        QCOMPARE(g.shown(0, ColumnFreq), QStringLiteral("474.00"));
        QCOMPARE(g.shown(0, ColumnType), QStringLiteral("DIGI"));

        const QPoint typeCell = g.centre(0, ColumnType);
        QTest::mouseClick(g.view->viewport(), Qt::LeftButton, {}, typeCell);
        QTest::mouseClick(g.view->viewport(), Qt::LeftButton, {}, typeCell, 400);
        QCOMPARE(g.shown(0, ColumnType), QStringLiteral("TV"));
        QCOMPARE(g.shown(0, ColumnFreq), QStringLiteral("471.25"));
        QTest::mouseClick(g.view->viewport(), Qt::LeftButton, {}, typeCell, 400);
        QCOMPARE(g.shown(0, ColumnType), QStringLiteral("TV")); // a third press is a first one
        QTest::mouseClick(g.view->viewport(), Qt::LeftButton, {}, typeCell, 400);
        QCOMPARE(g.shown(0, ColumnType), QStringLiteral("DIGI"));
        g.leaveRow(0);
        QCOMPARE(g.stored(0, ColumnFreq).toDouble(), 474.0);
        QCOMPARE(g.stored(0, ColumnType).toString(), QStringLiteral("DIGI"));
    }

    // Trap 3: a DIGI row's Audio1 list offers its bandwidths; Escape, or
    // leaving without a pick, keeps 8.
    void audioListChangesOnlyOnAPick()
    {
        Grid g;
        QVERIFY(QTest::qWaitForWindowActive(g.f.form.get()));
        QComboBox *audio = g.openList(1, ColumnAudio1);
        QVERIFY(audio);
        QStringList items;
        for (int i = 0; i < audio->count(); ++i)
            items << audio->itemText(i);
        QCOMPARE(items, (QStringList { "6", "7", "8" }));
        QCOMPARE(audio->currentText(), QStringLiteral("8"));
        QTest::keyClick(audio, Qt::Key_Escape);
        QTRY_VERIFY(!g.view->findChild<QComboBox *>());

        // Presses on the cell open the list too; leaving it picks nothing.
        const QPoint audioCell = g.centre(1, ColumnAudio1);
        QTest::mouseClick(g.view->viewport(), Qt::LeftButton, {}, audioCell);
        QTest::mouseClick(g.view->viewport(), Qt::LeftButton, {}, audioCell, 400);
        QVERIFY(g.view->findChild<QComboBox *>());
        g.leaveRow(1);
        QCOMPARE(g.shown(1, ColumnAudio1), QStringLiteral("8.00"));
        QCOMPARE(g.stored(1, ColumnAudio1).toDouble(), 8.0);
        QCOMPARE(g.model->pendingRow(), -1);

        audio = g.openList(0, ColumnAudio1); // a TV row: the audio offsets
        QCOMPARE(audio->count(), 4);
        audio->setCurrentIndex(audio->findText(QStringLiteral("5.50")));
        emit audio->activated(audio->currentIndex());
        g.leaveRow(0);
        QCOMPARE(g.stored(0, ColumnAudio1).toDouble(), 5.5);
    }

    // Trap 4: a double-click opens the cell's editor and it stays open.
    void doubleClickEdits()
    {
        Grid g;
        QVERIFY(QTest::qWaitForWindowActive(g.f.form.get()));
        const QPoint freq = g.centre(2, ColumnFreq);
        QTest::mouseClick(g.view->viewport(), Qt::LeftButton, {}, freq);
        QTest::mouseDClick(g.view->viewport(), Qt::LeftButton, {}, freq);
        QApplication::processEvents();
        auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        QVERIFY(editor);
        QCOMPARE(editor->text(), QStringLiteral("55.25"));
    }

    // Trap 7: a row the store refuses is reported and stays in editing.
    void storeRefusalIsShown()
    {
        Grid g;
        QVERIFY(QTest::qWaitForWindowActive(g.f.form.get()));
        OtherConnection trigger(g.f.store.path(),
            "CREATE TRIGGER refuse BEFORE UPDATE ON ChannelPlanUser "
            "BEGIN SELECT RAISE(ABORT, 'no writes today'); END");
        QVERIFY(trigger.ok());
        QVERIFY(g.typeInto(2, ColumnName, QStringLiteral("Q")));
        g.enter(QApplication::focusWidget());
        g.leaveRow(2);
        QCOMPARE(g.f.messages.shown.size(), 1);
        QVERIFY(!g.f.messages.texts().first().isEmpty());
        QCOMPARE(g.view->currentIndex().row(), 2);
        QCOMPARE(g.shown(2, ColumnName), QStringLiteral("Q"));
        QCOMPARE(g.stored(2, ColumnName).toString(), QStringLiteral("C"));
    }

    // Delete, Ctrl+C and Ctrl+V run their commands whatever the buttons say;
    // a press on the cells takes Copy and Delete off, a row selection puts
    // them back.
    void keysAndPressesDriveTheButtons()
    {
        Grid g;
        QVERIFY(QTest::qWaitForWindowActive(g.f.form.get()));
        g.view->setFocus();
        g.view->selectRow(1);
        QCOMPARE(g.f.buttonStates(), QStringLiteral("EEEEEDEEE"));
        QTest::mouseClick(g.view->viewport(), Qt::LeftButton, {}, g.centre(0, ColumnName));
        QCOMPARE(g.f.buttonStates(), QStringLiteral("EEEEDDEDE"));
        g.view->selectRow(1);
        QTest::keyClick(g.view, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(g.f.buttonStates(), QStringLiteral("EEEEEDEEE")); // nothing ran
        g.f.form->setState({ true, true, false, false, false, false });
        QTest::keyClick(g.view, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(g.f.buttonStates(), QStringLiteral("EEEEDEEDE"));
        QTest::keyClick(g.view, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(g.model->rowCount(), 4);
        g.f.messages.queueAnswers({ AnswerYes });
        g.view->selectRow(0);
        QTest::keyClick(g.view, Qt::Key_Delete);
        QCOMPARE(g.model->rowCount(), 3);
    }
};

QTEST_MAIN(EditingGridTest)
#include "tst_editing_grid.moc"
