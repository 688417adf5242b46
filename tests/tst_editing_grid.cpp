// Editing the plan in the grid as a user does (typing, the lists, clicks and
// keys), and the traps where an edit used to be lost.
#include "EditorFixture.h"
#include "OtherConnection.h"

#include "base/TextCatalogue.h"
#include "editor/PlanTableModel.h"
#include "editor/PlanTableView.h"

#include <QApplication>
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
    QVariant stored(int row, int column) { return f.store.rows().value(row).value(column); }
    QPoint centre(int r, int c) const { return view->visualRect(cell(r, c)).center(); }
    void press(int row, int column, int delay = -1)
    {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, centre(row, column), delay);
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
        QTest::keyClicks(editor, text);
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

    std::unique_ptr<Grid> g;

private slots:
    void init()
    {
        g = std::make_unique<Grid>();
        QVERIFY(QTest::qWaitForWindowActive(g->f.form.get()));
    }
    void cleanup() { g.reset(); }

    // Tab goes from cell to cell and, past the last one, on to the rest of
    // the window; Shift+Tab comes back, Ctrl+Tab leaves from any cell.
    void tabLeavesTheGrid()
    {
        PlanTableView *view = g->view;
        view->setFocus();
        view->setCurrentIndex(g->cell(2, ColumnFreq));
        QTest::keyClick(view, Qt::Key_Tab);
        QCOMPARE(view->currentIndex(), g->cell(2, ColumnAudio1));
        QTest::keyClick(view, Qt::Key_Tab);
        QWidget *next = QApplication::focusWidget();
        QVERIFY(next && next != view && !view->isAncestorOf(next));
        QTest::keyClick(next, Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), view);
        QCOMPARE(view->currentIndex(), g->cell(2, ColumnAudio1));
        view->setCurrentIndex(g->cell(0, ColumnName));
        QTest::keyClick(view, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(QApplication::focusWidget(), next);
    }

    // Trap 1: an edit still open in its cell reaches the store (and what the
    // command sends) before any command runs, and before the window closes.
    // Every toolbar command takes the same path as Download.
    void commandsTakeTheOpenEdit()
    {
        QVERIFY(g->typeInto(0, ColumnFreq, QStringLiteral("500")));
        g->f.click("Download");
        QCOMPARE(g->stored(0, ColumnFreq).toDouble(), 500.0);
        QCOMPARE(g->f.link->writtenPlan.items.value(2).Freq, 500.0f); // in frequency order
        // The grid is in frequency order now: A is the last row.
        QVERIFY(g->typeInto(2, ColumnFreq, QStringLiteral("400")));
        g->f.form->close();
        QCOMPARE(g->stored(0, ColumnFreq).toDouble(), 400.0);
    }

    // The rules' messages through the cell editors (the rules' own limits are
    // checked with the rules): the refused cell keeps the focus and gets the
    // row's stored value back at once, the store keeps it, and a command given
    // with the edit open does not run. Trap 2: that value comes from the row
    // itself, whatever its ID says.
    void refusedValueIsPutBack_data()
    {
        QTest::addColumn<QString>("id"); // typed first; null: left as it is
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("message");
        QTest::addColumn<bool>("download"); // given instead of Enter
        const QString none;
        QTest::newRow("name of four") << none << int(ColumnName) << "ABCD" << 26 << false;
        // The edge is checked with the row's own audio offset.
        QTest::newRow("edge beyond 1000") << none << int(ColumnFreq) << "998" << 30 << false;
        QTest::newRow("ID of another row") << "2" << int(ColumnFreq) << "2000" << 27 << false;
        QTest::newRow("empty ID, Download") << "" << int(ColumnFreq) << "2000" << 27 << true;
    }
    void refusedValueIsPutBack()
    {
        QFETCH(QString, id);
        QFETCH(int, column);
        QFETCH(QString, typed);
        QFETCH(int, message);
        QFETCH(bool, download);
        const QList<ChannelValues> before = g->f.store.rows(PlanOrder::Stored);
        const QString shownBefore = g->shown(2, column);
        if (!id.isNull()) {
            QWidget *editor = g->typeInto(2, ColumnId, id);
            QVERIFY(editor);
            if (id.isEmpty())
                QTest::keyClick(editor, Qt::Key_Delete);
            g->enter(editor);
            QCOMPARE(g->shown(2, ColumnId), id);
        }
        QWidget *editor = g->typeInto(2, column, typed);
        QVERIFY(editor);
        if (download)
            g->f.click("Download");
        else
            g->enter(editor);
        QCOMPARE(g->f.messages.texts(), QStringList { CatalogueText(qint16(message)) });
        QVERIFY(!g->f.link->calls.contains(QStringLiteral("WritePlan")));
        QCOMPARE(g->view->currentIndex(), g->cell(2, column));
        QVERIFY(g->view->hasFocus());
        QCOMPARE(g->shown(2, column), shownBefore);
        g->leaveRow(2);
        QList<ChannelValues> after = g->f.store.rows(PlanOrder::Stored);
        after[2].id = before[2].id; // the new ID is kept
        QCOMPARE(after, before);
    }

    // A stored row the rules refuse (as a plan file or the instrument may
    // bring one) is marked on its cells and header with the reason, until a
    // fixed value is committed.
    void refusedRowIsMarkedUntilFixed()
    {
        g->f.load({ kPlan[0], TempStore::row(2, "S", "DIGI", 2000, 8), kPlan[2] });
        const auto marks = [this] {
            QStringList shown;
            for (int row = 0; row < g->model->rowCount(); ++row) {
                const bool tinted = g->cell(row, ColumnType).data(Qt::BackgroundRole).isValid();
                shown << QStringLiteral("%1%2 %3").arg(
                    g->model->headerData(row, Qt::Vertical).toString(), tinted ? "tinted" : "plain",
                    g->cell(row, ColumnName).data(Qt::ToolTipRole).toString());
            }
            return shown;
        };
        const QString reason = CatalogueText(27);
        QCOMPARE(marks(), (QStringList { "plain ", "!tinted " + reason, "plain " }));
        QCOMPARE(g->model->headerData(1, Qt::Vertical, Qt::ToolTipRole).toString(), reason);

        QWidget *editor = g->typeInto(1, ColumnFreq, QStringLiteral("474"));
        QVERIFY(editor);
        g->enter(editor);
        QCOMPARE(marks()[1], "!tinted " + reason); // not stored yet
        g->leaveRow(1);
        QCOMPARE(marks(), (QStringList { "plain ", "plain ", "plain " }));
        QVERIFY(g->f.messages.shown.isEmpty());
    }

    // The Type list and two presses on a Type cell move the frequency by
    // half the bandwidth less 1.25 MHz.
    void typeChangesMoveTheFrequency()
    {
        QComboBox *types = g->openList(0, ColumnType);
        QVERIFY(types);
        QCOMPARE(types->currentText(), QStringLiteral("TV"));
        types->setCurrentIndex(types->findText(QStringLiteral("DIGI")));
        emit types->activated(types->currentIndex());
        QCOMPARE(g->shown(0, ColumnFreq), QStringLiteral("474.00"));
        QCOMPARE(g->shown(0, ColumnType), QStringLiteral("DIGI"));

        // The second of two presses toggles; a third is a first one again.
        const char *const shownTypes[] = { "DIGI", "TV", "TV", "DIGI" };
        for (int press = 0; press < 4; ++press) {
            g->press(0, ColumnType, press == 0 ? -1 : 400);
            QCOMPARE(g->shown(0, ColumnType), QString::fromLatin1(shownTypes[press]));
            if (press == 1)
                QCOMPARE(g->shown(0, ColumnFreq), QStringLiteral("471.25"));
        }
        g->leaveRow(0);
        QCOMPARE(g->stored(0, ColumnFreq).toDouble(), 474.0);
        QCOMPARE(g->stored(0, ColumnType).toString(), QStringLiteral("DIGI"));
    }

    // Trap 3: a DIGI row's Audio1 list offers its bandwidths; Escape, or
    // leaving without a pick, keeps 8. A TV row's offers the audio offsets.
    void audioListChangesOnlyOnAPick()
    {
        QComboBox *audio = g->openList(1, ColumnAudio1);
        QVERIFY(audio);
        QCOMPARE(gridTexts(audio->model()), (QStringList { "6", "7", "8" }));
        QCOMPARE(audio->currentText(), QStringLiteral("8"));
        QTest::keyClick(audio, Qt::Key_Escape);
        QTRY_VERIFY(!g->view->findChild<QComboBox *>());

        // Presses on the cell open the list too; leaving it picks nothing.
        g->press(1, ColumnAudio1);
        g->press(1, ColumnAudio1, 400);
        QVERIFY(g->view->findChild<QComboBox *>());
        g->leaveRow(1);
        QCOMPARE(g->shown(1, ColumnAudio1), QStringLiteral("8.00"));
        QCOMPARE(g->stored(1, ColumnAudio1).toDouble(), 8.0);
        QCOMPARE(g->model->pendingRow(), -1);

        audio = g->openList(0, ColumnAudio1);
        QVERIFY(audio);
        QCOMPARE(audio->count(), 4);
        audio->setCurrentIndex(audio->findText(QStringLiteral("5.50")));
        emit audio->activated(audio->currentIndex());
        g->leaveRow(0);
        QCOMPARE(g->stored(0, ColumnAudio1).toDouble(), 5.5);
    }

    // Type and Audio1 take no typed text: a key on the DIGI row's cell opens
    // nothing, and neither it nor one on the list while closed changes the
    // cell or the cursor ("t" would make it TV at 471.25, "6" a bandwidth of
    // 6, Up the type TV).
    void keysOnListCellsChangeNothing_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("listOpen");
        QTest::addColumn<int>("key");
        QTest::newRow("t on Type") << int(ColumnType) << false << int(Qt::Key_T);
        QTest::newRow("6 on Audio") << int(ColumnAudio1) << false << int(Qt::Key_6);
        QTest::newRow("7 on Audio") << int(ColumnAudio1) << false << int(Qt::Key_7);
        QTest::newRow("6 on the Audio list") << int(ColumnAudio1) << true << int(Qt::Key_6);
        QTest::newRow("Up on the Type list") << int(ColumnType) << true << int(Qt::Key_Up);
    }
    void keysOnListCellsChangeNothing()
    {
        QFETCH(int, column);
        QFETCH(bool, listOpen);
        QFETCH(int, key);
        const QStringList before = gridTexts(g->model);
        g->view->setFocus();
        g->view->setCurrentIndex(g->cell(1, column));
        QWidget *target = g->view;
        if (listOpen) {
            g->view->edit(g->cell(1, column));
            target = g->view->findChild<QComboBox *>();
            QVERIFY(target);
        }
        QTest::keyClick(target, Qt::Key(key));
        QCoreApplication::processEvents();
        QCOMPARE(bool(g->view->findChild<QComboBox *>()), listOpen); // no list opened by a key
        QCOMPARE(gridTexts(g->model), before);
        QCOMPARE(g->view->currentIndex(), g->cell(1, column));
        g->leaveRow(1);
        QCOMPARE(g->f.store.rows(), kPlan);
        QVERIFY(g->f.messages.shown.isEmpty());
    }

    // Trap 4: a double-click opens the cell's editor and it stays open.
    void doubleClickEdits()
    {
        g->press(2, ColumnFreq);
        QTest::mouseDClick(g->view->viewport(), Qt::LeftButton, {}, g->centre(2, ColumnFreq));
        QApplication::processEvents();
        auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        QVERIFY(editor);
        QCOMPARE(editor->text(), QStringLiteral("55.25"));
    }

    // Trap 7: a row the store refuses is reported and stays in editing.
    void storeRefusalIsShown()
    {
        OtherConnection trigger(g->f.store.path(),
            "CREATE TRIGGER refuse BEFORE UPDATE ON ChannelPlanUser "
            "BEGIN SELECT RAISE(ABORT, 'no writes today'); END");
        QVERIFY(trigger.ok());
        QVERIFY(g->typeInto(2, ColumnName, QStringLiteral("Q")));
        g->enter(QApplication::focusWidget());
        g->leaveRow(2);
        QCOMPARE(g->f.messages.shown.size(), 1);
        QVERIFY(g->f.messages.texts()[0].contains(QStringLiteral("no writes today")));
        QCOMPARE(g->view->currentIndex().row(), 2);
        QCOMPARE(g->shown(2, ColumnName), QStringLiteral("Q"));
        QCOMPARE(g->stored(2, ColumnName).toString(), QStringLiteral("C"));
    }

    // Ctrl+C copies whatever the buttons say (the paste and delete keys are
    // the undo test's); a press on the cells takes Copy and Delete off, a row
    // selection puts them back.
    void keysAndPressesDriveTheButtons()
    {
        g->view->setFocus();
        g->view->selectRow(1);
        QCOMPARE(g->f.buttonStates(), QStringLiteral("EEEEEDEEE"));
        g->press(0, ColumnName);
        QCOMPARE(g->f.buttonStates(), QStringLiteral("EEEEDDEDE"));
        g->view->selectRow(1);
        QTest::keyClick(g->view, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(g->f.buttonStates(), QStringLiteral("EEEEEDEEE")); // nothing ran
        g->f.form->setState({ true, true, false, false, false, false });
        QTest::keyClick(g->view, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(g->f.buttonStates(), QStringLiteral("EEEEDEEDE"));
    }
};

QTEST_MAIN(EditingGridTest)
#include "tst_editing_grid.moc"
