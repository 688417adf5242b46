// Cell editing in the main window's grid, driven as a user would: the
// channel rules on committed cells and written rows, the mouse bands and the
// click cycle, the drop-downs laid over locked cells, and the keys and
// events that run or switch toolbar commands.
#include "EditorFixture.h"

#include "base/TextCatalogue.h"
#include "editor/Form2.h"
#include "editor/PlanGrid.h"
#include "editor/PlanGridModel.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>

using namespace plandor;
using namespace plandor::test;

// ID order differs from frequency order, and the audio offsets make the
// edge rule bite on some rows.
static QList<ChannelValues> plan()
{
    return {
        TempStore::row(1, QStringLiteral("2"), QStringLiteral("TV"), 471.25, 6.5),
        TempStore::row(2, QStringLiteral("S21"), QStringLiteral("TV"), 303.25, 2.0),
        TempStore::row(3, QStringLiteral("E5"), QStringLiteral("DIGI"), 474, 8),
        TempStore::row(4, QStringLiteral("A"), QStringLiteral("TV"), 990, 4.5),
        TempStore::row(5, QStringLiteral("X"), QStringLiteral("TV"), 100.1, 0),
    };
}

class EditingGridTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<EditorFixture> f;
    Form2 *form = nullptr;
    PlanGrid *grid = nullptr;
    PlanGridModel *model = nullptr;

    // Seeds the store and shows it in the grid of the active window, so that
    // focus moves as it does for a user.
    bool load(const QList<ChannelValues> &rows, const char *select = Form2::kOrderById)
    {
        f->store.seed(rows);
        form->activateWindow();
        grid->setFocus();
        return form->RefreshDataGrid(1, QString::fromLatin1(select))
            && QTest::qWaitForWindowActive(form) && grid->hasFocus();
    }
    QString cell(int row, int column) const { return model->cellText(row, column); }
    QVariant stored(int row, int column) const { return f->store.rows().at(row).values[column]; }
    static void settle() // lets the keystrokes and calls the handlers queued arrive
    {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }
    void click(int row, int column, Qt::MouseButton button = Qt::LeftButton)
    {
        const QPoint centre = grid->visualRect(model->index(row, column)).center();
        QTest::mouseClick(grid->viewport(), button, {}, centre);
        settle();
    }
    // Opens the cell's editor with F2, puts the text in it and, unless told
    // not to, commits it with Enter.
    bool type(int row, int column, const QString &text, bool commit = true)
    {
        grid->setCurrentIndex(model->index(row, column));
        QTest::keyClick(grid, Qt::Key_F2);
        auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        if (!editor || editor->parentWidget() != grid->viewport())
            return false;
        editor->setText(text);
        if (commit)
            QTest::keyClick(editor, Qt::Key_Return);
        settle();
        return !commit || QApplication::focusWidget() == grid;
    }
    // Exactly the refusal box given, under the program title, or none.
    void expectMessage(qint16 id)
    {
        QCOMPARE(f->messages.texts(), id ? QStringList { CatalogueText(id) } : QStringList());
        for (const ShownMessage &shown : f->messages.shown)
            QVERIFY(shown.style == 48 && shown.title == CatalogueText(2));
    }

private slots:
    void init()
    {
        f = std::make_unique<EditorFixture>();
        form = f->form.get();
        grid = form->grid();
        model = form->gridModel();
        form->text1(4)->setText(QStringLiteral("8")); // the bandwidth for type changes
        QVERIFY(load(plan()));
    }
    void cleanup() { f.reset(); }

    void cellRule_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("message");
        QTest::addColumn<QString>("kept"); // in the cell, then in the store after leaving
        const int name = ColumnName, freq = ColumnFreq;
        QTest::newRow("name of four") << 1 << name << "S123" << 26 << "S21";
        QTest::newRow("name of three") << 1 << name << "ABC" << 0 << "ABC";
        QTest::newRow("name with chinese") << 1 << name << QStringLiteral("S\u4e2d") << 59 << "S21";
        // Row 4's stored 100.1 comes back from single precision.
        QTest::newRow("freq 45.99") << 4 << freq << "45.99" << 27 << "100.1";
        // 47 - 2 / 2 is exactly the lower end of the band; 46 - 2 / 2 leaves it.
        QTest::newRow("freq 47 with 2") << 1 << freq << "47" << 0 << "47";
        QTest::newRow("freq 46 with 2") << 1 << freq << "46" << 30 << "303.25";
    }
    void cellRule()
    {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(QString, typed);
        QFETCH(int, message);
        QFETCH(QString, kept);
        QVERIFY(type(row, column, typed));
        expectMessage(message);
        QCOMPARE(cell(row, column), kept); // back as soon as the box closed
        form->setButtonEnabled(4, false);
        QTest::keyClick(grid, row == 4 ? Qt::Key_Up : Qt::Key_Down);
        QCOMPARE(grid->currentBookmark(), row == 4 ? 4 : row + 2);
        QCOMPARE(stored(row, column).toString(), kept);
        if (message == 0)
            QVERIFY(form->isButtonEnabled(4)); // a passing write enables Save
    }

    void refusedCellRestoredByIdInFrequencyOrder()
    {
        QVERIFY(load(plan(), Form2::kOrderByFreq));
        // Third in frequency order is ID 1; third in ID order would be 474.
        QVERIFY(type(2, ColumnFreq, QStringLiteral("2000")));
        QVERIFY(type(0, ColumnName, QStringLiteral("ABCD")));
        QCOMPARE(f->messages.texts(), (QStringList { CatalogueText(27), CatalogueText(26) }));
        QCOMPARE(cell(2, ColumnFreq), QStringLiteral("471.25"));
        QCOMPARE(cell(0, ColumnName), QStringLiteral("X"));
    }

    void noSnapshotElementKeepsValue()
    {
        // The table changes under the grid: no channel carries the grid's IDs.
        QList<ChannelValues> renumbered = plan();
        for (ChannelValues &row : renumbered)
            row.values[ColumnId] = row.values[ColumnId].toLongLong() + 10;
        f->store.seed(renumbered);
        QVERIFY(type(0, ColumnFreq, QStringLiteral("5000")));
        expectMessage(27);
        QCOMPARE(cell(0, ColumnFreq), QStringLiteral("5000"));
    }

    void editCommittedAfterMoveIsCheckedOnItsRow()
    {
        QVERIFY(type(0, ColumnFreq, QStringLiteral("5000"), false));
        // Down reaches the grid itself while the editor is open, as queued
        // keystrokes do: the grid moves its cursor first, then commits the edit.
        QTest::keyClick(grid, Qt::Key_Down);
        settle();
        expectMessage(27);
        QCOMPARE(cell(0, ColumnFreq), QStringLiteral("471.25"));
        QCOMPARE(cell(1, ColumnFreq), QStringLiteral("303.25"));
        QCOMPARE(f->store.rows(), plan());
    }

    void unknownTypeKeepsRowInEditing()
    {
        QList<ChannelValues> rows = plan();
        rows[1].values[ColumnType] = QStringLiteral("DUAL");
        QVERIFY(load(rows));
        QVERIFY(type(1, ColumnName, QStringLiteral("B")));
        QTest::keyClick(grid, Qt::Key_Down);
        expectMessage(39);
        QCOMPARE(grid->currentBookmark(), 2);
        QVERIFY(model->isRowModified(1));
        QCOMPARE(f->store.rows(), rows);

        // Placing the drop-down checks the cell it lies on.
        f->messages.clear();
        grid->setCurrentIndex(model->index(1, ColumnType));
        QTest::keyClick(grid, Qt::Key_F4);
        expectMessage(39);
    }

    void leavingGridChecksType()
    {
        QList<ChannelValues> rows = plan();
        rows[2].values[ColumnType] = QStringLiteral("DUAL");
        QVERIFY(load(rows));
        for (int row : { 1, 2 }) {
            grid->setFocus();
            grid->setCurrentIndex(model->index(row, ColumnName));
            form->text1(0)->setFocus();
        }
        expectMessage(39); // for row 2 only
    }

    void mouseBands_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<double>("x");
        QTest::addColumn<int>("column"); // the current column afterwards
        QTest::addColumn<QString>("buttons");
        QTest::addColumn<int>("armed");
        QTest::newRow("row selectors") << 1 << 200.0 << 1 << "EEEEEEEEE" << 0;
        QTest::newRow("selectors end") << 1 << 330.0 << 1 << "EEEEDEEDE" << 1;
        QTest::newRow("7320") << 1 << 7320.0 << 1 << "EEEEDEEDE" << 1;
        QTest::newRow("7321") << 1 << 7321.0 << 4 << "EEEEDEEDE" << 1;
        QTest::newRow("9049") << 1 << 9049.0 << 4 << "EEEEDEEDE" << 1;
        QTest::newRow("9050") << 1 << 9050.0 << 1 << "EEEEDEEDE" << 1;
        QTest::newRow("right button") << 2 << 3000.0 << 1 << "EEEEDEEDE" << 0;
    }
    void mouseBands()
    {
        QFETCH(int, button);
        QFETCH(double, x);
        QFETCH(int, column);
        QFETCH(QString, buttons);
        QFETCH(int, armed);
        grid->setCurrentIndex(model->index(2, ColumnName));
        form->setButtonsEnabled({ 1, 2, 3, 4, 5, 6, 7, 8, 9 }, true);
        form->HandleGridMouse(button, 0, x, 400);
        QCOMPARE(grid->currentColumnIndex(), column);
        QCOMPARE(grid->currentBookmark(), 3);
        QCOMPARE(f->buttonStates(), buttons);
        QCOMPARE(int(form->ClickArmed), armed);
        // A first event was not armed, so nothing is laid over the Audio cell.
        QVERIFY(!form->combo3()->isVisible());
    }

    void typeClickCycle()
    {
        // A first click remembers the cell, a second toggles and shifts, a
        // third counts as a first again; right clicks do nothing.
        click(0, ColumnType, Qt::RightButton);
        for (const char *expected : { "TV471.25", "DIGI474", "DIGI474", "TV471.25" }) {
            click(0, ColumnType);
            QCOMPARE(cell(0, ColumnType) + cell(0, ColumnFreq), QLatin1String(expected));
        }
        QVERIFY(f->messages.shown.isEmpty());
        QCOMPARE(f->store.rows(), plan()); // the clicks stay in the row
    }

    void freqSecondClickWritesRow()
    {
        // The first row comes back with Down then Up, the others with Up then
        // Down; the wrong order would leave the cursor on a neighbour.
        for (int row : { 0, 4 }) {
            QVERIFY(load(plan()));
            QVERIFY(type(row, ColumnFreq, QStringLiteral("500")));
            click(row, ColumnFreq);
            QCOMPARE(f->store.rows(), plan()); // a first click writes nothing
            click(row, ColumnFreq);
            QCOMPARE(stored(row, ColumnFreq).toDouble(), 500.0);
            QVERIFY(!model->isRowModified(row));
            QCOMPARE(grid->currentBookmark(), row + 1);
        }
        QVERIFY(f->messages.shown.isEmpty());
    }

    void rowSelectorAndKeysRunCommands()
    {
        QHeaderView *selectors = grid->verticalHeader();
        QTest::mouseClick(selectors->viewport(), Qt::LeftButton, {},
            QPoint(selectors->width() / 2, selectors->sectionViewportPosition(1) + 5));
        QCOMPARE(grid->selectedRowsInOrder(), QList<int> { 1 });
        QVERIFY(form->isButtonEnabled(5) && form->isButtonEnabled(8)); // Copy and Delete

        // Only exactly Ctrl runs Copy and Paste, whatever their buttons' state.
        form->setButtonsEnabled({ 5, 6, 8 }, false);
        QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        QTest::keyClick(grid, Qt::Key_C);
        QVERIFY(!form->isButtonEnabled(6));
        QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
        QVERIFY(form->isButtonEnabled(6));
        form->setButtonEnabled(6, false);
        QTest::keyClick(grid, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(f->store.rows().size(), 6);
        QCOMPARE(stored(2, ColumnName).toString(), QStringLiteral("S21"));

        // Delete asks its question; No keeps the rows.
        f->messages.queueAnswers({ AnswerNo });
        QTest::keyClick(grid, Qt::Key_Delete);
        QCOMPARE(f->messages.texts(), QStringList { CatalogueText(22) });
        QCOMPARE(f->messages.shown[0].style, 36);
        QCOMPARE(f->store.rows().size(), 6);
    }

    void audioDropDown()
    {
        QComboBox *audio = form->combo3();
        click(1, ColumnAudio1); // not armed yet: nothing laid over
        QVERIFY(!audio->isVisible());
        click(1, ColumnAudio1);
        QVERIFY(audio->isVisible());
        QCOMPARE(cell(1, ColumnAudio1), QStringLiteral("4.50"));
        const QRect onCell = grid->cellRect(1, ColumnAudio1);
        QCOMPARE(audio->geometry().topLeft(), grid->mapTo(form, onCell.topLeft()));

        // Pick "6.00" and leave the list by clicking another row.
        QTest::mouseClick(audio, Qt::LeftButton);
        QTRY_VERIFY(audio->view()->isVisible());
        audio->view()->setCurrentIndex(audio->model()->index(2, 0));
        QTest::keyClick(audio->view(), Qt::Key_Return);
        click(3, ColumnName);
        QVERIFY(!audio->isVisible());
        QCOMPARE(grid->currentBookmark(), 4);
        QCOMPARE(stored(1, ColumnAudio1).toDouble(), 6.0);
    }

    void typeDropDownFromKeyboard()
    {
        QComboBox *types = form->combo2();
        auto cells = [&] { return cell(0, ColumnType) + cell(0, ColumnFreq); };
        grid->setCurrentIndex(model->index(0, ColumnFreq));
        QTest::keyClick(grid, Qt::Key_F4); // a cell that takes typed text opens nothing
        QVERIFY(!types->isVisible() && !form->combo3()->isVisible());

        grid->setCurrentIndex(model->index(0, ColumnType));
        QTest::keyClick(grid, Qt::Key_F4);
        QVERIFY(types->view()->isVisible());
        QTest::keyClick(types->view(), Qt::Key_Down);
        QTest::keyClick(types->view(), Qt::Key_Return);
        QCOMPARE(cells(), QStringLiteral("TV471.25")); // chosen, not yet left
        QTest::keyClick(types, Qt::Key_Return);
        QVERIFY(!types->isVisible() && grid->hasFocus());
        QCOMPARE(cells(), QStringLiteral("DIGI474"));

        // Back with Alt+Down, which opens the list without moving; Escape
        // leaves it with the choice.
        QTest::keyClick(grid, Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(grid->currentBookmark(), 1);
        QTest::keyClick(types->view(), Qt::Key_Up);
        QTest::keyClick(types->view(), Qt::Key_Return);
        QTest::keyClick(types, Qt::Key_Escape);
        QCOMPARE(cells(), QStringLiteral("TV471.25"));
        QVERIFY(f->messages.shown.isEmpty());
    }

    void scrollingHidesDropDowns()
    {
        QList<ChannelValues> rows;
        for (int id = 1; id <= 60; ++id)
            rows.append(TempStore::row(id, QString::number(id), "TV", 46 + 8 * id, 6.5));
        QVERIFY(load(rows));
        const QList<QComboBox *> overlays { form->combo2(), form->combo3(), form->combo4() };
        for (QComboBox *overlay : overlays)
            overlay->show();
        settle(); // lets the grid lay out its scroll range
        grid->verticalScrollBar()->setValue(3);
        QCOMPARE(grid->verticalScrollBar()->value(), 3);
        for (QComboBox *overlay : overlays)
            QVERIFY(!overlay->isVisible());
    }
};

QTEST_MAIN(EditingGridTest)
#include "tst_editing_grid.moc"
