// Grid cell editing in the main window: the mouse bands and the click
// cycle, the drop-downs laid over locked cells, the keys the grid turns into
// toolbar commands, and the toolbar buttons the grid's events switch.
#include "EditingDriver.h"

#include "app/TextCatalogue.h"

#include <QAction>
#include <QHeaderView>
#include <QScrollBar>

using namespace plandor;
using namespace plandor::test;

namespace {

QList<ChannelValues> plan()
{
    return {
        TempStore::row(1, QStringLiteral("21"), QStringLiteral("TV"), 471.25, 6.5),
        TempStore::row(2, QStringLiteral("S21"), QStringLiteral("TV"), 303.25, 5.5),
        TempStore::row(3, QStringLiteral("E5"), QStringLiteral("DIGI"), 474, 8),
        TempStore::row(4, QStringLiteral("A"), QStringLiteral("TV"), 55.25, 4.5),
        TempStore::row(5, QStringLiteral("X"), QStringLiteral("TV"), 100, 5.5),
    };
}

QList<ChannelValues> longPlan()
{
    QList<ChannelValues> rows;
    for (int id = 1; id <= 60; ++id)
        rows.append(
            TempStore::row(id, QString::number(id), QStringLiteral("TV"), 46 + 8 * id, 6.5));
    return rows;
}

// A point in the grid's viewport from a position in twips relative to the
// grid, as the handlers get it.
QPoint viewportPoint(const Form2 &form, double xTwips, int row)
{
    PlanGrid *grid = form.grid();
    const QPoint inGrid(grid->toPixels(xTwips), grid->cellRect(row, 0).center().y());
    return grid->viewport()->mapFrom(grid, inGrid);
}

} // namespace

class EditingGridTest : public QObject
{
    Q_OBJECT

private slots:
    void mouseBands_data();
    void mouseBands();
    void realClickInAudioBand();
    void typeClickCycle();
    void freqSecondClickWritesRow_data();
    void freqSecondClickWritesRow();
    void rightButtonOnlyDisablesCopyAndDelete();
    void rowSelectorSelectsAndEnablesCopyAndDelete();
    void audioDropDown();
    void typeDropDownFromKeyboard_data();
    void typeDropDownFromKeyboard();
    void audioDropDownFromKeyboard();
    void gridKeysRunCommands();
    void scrollingHidesDropDowns();
    void dataErrorShowsNoBox();
};

void EditingGridTest::mouseBands_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<int>("column"); // the current column afterwards
    QTest::addColumn<QString>("buttons");
    QTest::addColumn<int>("armed");
    QTest::newRow("row selectors") << 200.0 << 1 << "EEEEEEEEE" << 0;
    QTest::newRow("selectors end") << 330.0 << 1 << "EEEEDEEDE" << 1;
    QTest::newRow("7320") << 7320.0 << 1 << "EEEEDEEDE" << 1;
    QTest::newRow("7321") << 7321.0 << 4 << "EEEEDEEDE" << 1;
    QTest::newRow("9049") << 9049.0 << 4 << "EEEEDEEDE" << 1;
    QTest::newRow("9050") << 9050.0 << 1 << "EEEEDEEDE" << 1;
}

void EditingGridTest::mouseBands()
{
    QFETCH(double, x);
    QFETCH(int, column);
    QFETCH(QString, buttons);
    QFETCH(int, armed);
    EditorFixture f;
    QVERIFY(loadPlan(f, plan()));
    PlanGrid *grid = f.form->grid();
    grid->setCurrentIndex(f.form->gridModel()->index(2, ColumnName));
    f.form->setButtonsEnabled({ 1, 2, 3, 4, 5, 6, 7, 8, 9 }, true);

    f.form->HandleGridMouse(1, 0, x, 400);
    QCOMPARE(grid->currentColumnIndex(), column);
    QCOMPARE(grid->currentBookmark(), 3);
    QCOMPARE(f.buttonStates(), buttons);
    QCOMPARE(int(f.form->ClickArmed), armed);
    // A first event was not armed, so nothing is laid over the Audio cell.
    QVERIFY(!f.form->combo3()->isVisible());
}

void EditingGridTest::realClickInAudioBand()
{
    EditorFixture f;
    QVERIFY(loadPlan(f, plan()));
    PlanGrid *grid = f.form->grid();
    // Arm the click state, then press inside the Audio band of row 4.
    clickCell(*f.form, 0, ColumnName);
    QCOMPARE(int(f.form->ClickArmed), 1);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, viewportPoint(*f.form, 7400, 3));
    QCOMPARE(grid->currentBookmark(), 4);
    QCOMPARE(grid->currentColumnIndex(), int(ColumnAudio1));
    QVERIFY(f.form->combo3()->isVisible());
    QCOMPARE(f.form->gridModel()->cellText(3, ColumnAudio1), QStringLiteral("4.50"));
}

void EditingGridTest::typeClickCycle()
{
    EditorFixture f;
    QVERIFY(loadPlan(f, plan()));
    f.form->text1(4)->setText(QStringLiteral("8"));
    f.messages.clear();
    PlanGridModel *model = f.form->gridModel();
    auto cell = [&](int column) { return model->cellText(0, column); };

    clickCell(*f.form, 0, ColumnType); // first: remembers the cell only
    settle();
    QCOMPARE(cell(ColumnType), QStringLiteral("TV"));
    QCOMPARE(cell(ColumnFreq), QStringLiteral("471.25"));
    QCOMPARE(int(f.form->ClickRow), 1);
    QCOMPARE(int(f.form->ClickCol), int(ColumnType));

    clickCell(*f.form, 0, ColumnType); // second: toggles and shifts
    settle();
    QCOMPARE(cell(ColumnType), QStringLiteral("DIGI"));
    QCOMPARE(cell(ColumnFreq), QStringLiteral("474"));
    QCOMPARE(int(f.form->ClickRow), -1);

    clickCell(*f.form, 0, ColumnType); // third counts as a first one
    settle();
    QCOMPARE(cell(ColumnType), QStringLiteral("DIGI"));
    QCOMPARE(cell(ColumnFreq), QStringLiteral("474"));

    clickCell(*f.form, 0, ColumnType); // fourth toggles back
    settle();
    QCOMPARE(cell(ColumnType), QStringLiteral("TV"));
    QCOMPARE(cell(ColumnFreq), QStringLiteral("471.25"));
    QVERIFY(f.messages.shown.isEmpty());
    // Nothing was written: the clicks stay in the row.
    QCOMPARE(f.store.rows(), plan());
}

void EditingGridTest::freqSecondClickWritesRow_data()
{
    QTest::addColumn<int>("row");
    // The first row comes back with Down then Up, the others with Up then
    // Down; the wrong order would leave the cursor on a neighbour.
    QTest::newRow("first row") << 0;
    QTest::newRow("middle row") << 2;
    QTest::newRow("last row") << 4;
}

void EditingGridTest::freqSecondClickWritesRow()
{
    QFETCH(int, row);
    EditorFixture f;
    QVERIFY(loadPlan(f, plan()));
    PlanGrid *grid = f.form->grid();
    QVERIFY(typeIntoCell(*f.form, row, ColumnFreq, QStringLiteral("500")));
    QVERIFY(f.form->gridModel()->isRowModified(row));
    QCOMPARE(f.store.rows(), plan());

    clickCell(*f.form, row, ColumnFreq);
    settle();
    QCOMPARE(f.store.rows(), plan()); // a first click writes nothing
    clickCell(*f.form, row, ColumnFreq);
    settle();
    QCOMPARE(f.store.rows().at(row).values[ColumnFreq].toDouble(), 500.0);
    QVERIFY(!f.form->gridModel()->isRowModified(row));
    QCOMPARE(grid->currentBookmark(), row + 1);
    QVERIFY(f.messages.shown.isEmpty());
}

void EditingGridTest::rightButtonOnlyDisablesCopyAndDelete()
{
    EditorFixture f;
    QVERIFY(loadPlan(f, plan()));
    f.form->setButtonsEnabled({ 1, 2, 3, 4, 5, 6, 7, 8, 9 }, true);
    clickCell(*f.form, 1, ColumnType, Qt::RightButton);
    clickCell(*f.form, 1, ColumnType, Qt::RightButton);
    settle();
    QCOMPARE(f.buttonStates(), QStringLiteral("EEEEDEEDE"));
    QCOMPARE(int(f.form->ClickArmed), 0);
    QCOMPARE(int(f.form->ClickRow), 0);
    // Two right clicks on a Type cell do not toggle it.
    QCOMPARE(f.form->gridModel()->cellText(1, ColumnType), QStringLiteral("TV"));
    QVERIFY(!f.form->gridModel()->isRowModified(1));
}

void EditingGridTest::rowSelectorSelectsAndEnablesCopyAndDelete()
{
    EditorFixture f;
    QVERIFY(loadPlan(f, plan()));
    QHeaderView *selectors = f.form->grid()->verticalHeader();
    const QPoint onRow3(selectors->width() / 2, selectors->sectionViewportPosition(2) + 5);
    QTest::mouseClick(selectors->viewport(), Qt::LeftButton, {}, onRow3);
    QCOMPARE(f.form->grid()->selectedRowsInOrder(), QList<int> { 2 });
    QVERIFY(f.form->isButtonEnabled(5));
    QVERIFY(f.form->isButtonEnabled(8));
    QCOMPARE(int(f.form->ClickArmed), 0); // the strip is no click on a cell

    clickCell(*f.form, 2, ColumnName); // a press on the cells takes them off again
    QVERIFY(!f.form->isButtonEnabled(5));
    QVERIFY(!f.form->isButtonEnabled(8));
}

void EditingGridTest::audioDropDown()
{
    EditorFixture f;
    QVERIFY(loadPlan(f, plan()));
    PlanGrid *grid = f.form->grid();
    PlanGridModel *model = f.form->gridModel();
    QComboBox *audio = f.form->combo3();

    clickCell(*f.form, 1, ColumnAudio1); // not armed yet: nothing laid over
    QVERIFY(!audio->isVisible());
    clickCell(*f.form, 1, ColumnAudio1);
    QVERIFY(audio->isVisible());
    QCOMPARE(model->cellText(1, ColumnAudio1), QStringLiteral("4.50"));
    const QRect cell = grid->cellRect(1, ColumnAudio1);
    QCOMPARE(audio->geometry().topLeft(), grid->mapTo(f.form.get(), cell.topLeft()));
    QCOMPARE(audio->width(), grid->columnWidth(ColumnAudio1));
    QCOMPARE(int(f.form->EditCol), int(ColumnAudio1));
    QCOMPARE(int(f.form->PlacedRow), 2);

    // Pick "6.00" and leave the list by clicking another row.
    QTest::mouseClick(audio, Qt::LeftButton);
    QTRY_VERIFY(audio->view()->isVisible());
    audio->view()->setCurrentIndex(audio->model()->index(2, 0));
    QTest::keyClick(audio->view(), Qt::Key_Return);
    QCOMPARE(audio->currentText(), QStringLiteral("6.00"));
    QVERIFY(audio->hasFocus());
    clickCell(*f.form, 3, ColumnName);
    QVERIFY(!audio->isVisible());
    QCOMPARE(grid->currentBookmark(), 4);
    QCOMPARE(f.store.rows().at(1).values[ColumnAudio1].toDouble(), 6.0);
    QVERIFY(f.messages.shown.isEmpty());
}

void EditingGridTest::typeDropDownFromKeyboard_data()
{
    QTest::addColumn<QString>("bandwidth");
    QTest::addColumn<QString>("digiFreq");
    QTest::newRow("8 MHz") << QStringLiteral("8") << QStringLiteral("474");
    QTest::newRow("empty box") << QString() << QStringLiteral("470");
}

void EditingGridTest::typeDropDownFromKeyboard()
{
    QFETCH(QString, bandwidth);
    QFETCH(QString, digiFreq);
    EditorFixture f;
    QVERIFY(loadPlan(f, plan()));
    f.form->text1(4)->setText(bandwidth);
    f.form->grid()->setFocus();
    f.messages.clear();
    PlanGrid *grid = f.form->grid();
    PlanGridModel *model = f.form->gridModel();
    QComboBox *types = f.form->combo2();
    grid->setCurrentIndex(model->index(0, ColumnType));

    QTest::keyClick(grid, Qt::Key_F4);
    QVERIFY(types->isVisible());
    QVERIFY(types->view()->isVisible());
    QCOMPARE(types->currentText(), QStringLiteral("TV")); // the cell's own value
    QCOMPARE(f.form->TypeBefore, QStringLiteral("TV"));
    QTest::keyClick(types->view(), Qt::Key_Down);
    QTest::keyClick(types->view(), Qt::Key_Return);
    QCOMPARE(model->cellText(0, ColumnType), QStringLiteral("TV")); // chosen, not yet left
    QTest::keyClick(types, Qt::Key_Return);
    QVERIFY(!types->isVisible());
    QVERIFY(grid->hasFocus());
    QCOMPARE(model->cellText(0, ColumnType), QStringLiteral("DIGI"));
    QCOMPARE(model->cellText(0, ColumnFreq), digiFreq);
    QCOMPARE(f.form->TypeBefore, QStringLiteral(" "));
    QCOMPARE(f.form->TypeAfter, QStringLiteral(" "));

    // Back to TV with Alt+Down, leaving with Escape.
    QTest::keyClick(grid, Qt::Key_Down, Qt::AltModifier);
    QCOMPARE(grid->currentBookmark(), 1); // the key opened the list, it did not move
    QVERIFY(types->view()->isVisible());
    QCOMPARE(types->currentText(), QStringLiteral("DIGI"));
    QTest::keyClick(types->view(), Qt::Key_Up);
    QTest::keyClick(types->view(), Qt::Key_Return);
    QTest::keyClick(types, Qt::Key_Escape);
    QCOMPARE(model->cellText(0, ColumnType), QStringLiteral("TV"));
    QCOMPARE(model->cellText(0, ColumnFreq), QStringLiteral("471.25"));
    QVERIFY(f.messages.shown.isEmpty());

    // Opening and leaving without a choice changes nothing.
    QTest::keyClick(grid, Qt::Key_F4);
    QTest::keyClick(types->view(), Qt::Key_Escape);
    QTest::keyClick(types, Qt::Key_Tab);
    QCOMPARE(model->cellText(0, ColumnType), QStringLiteral("TV"));
    QCOMPARE(model->cellText(0, ColumnFreq), QStringLiteral("471.25"));
}

void EditingGridTest::audioDropDownFromKeyboard()
{
    EditorFixture f;
    QVERIFY(loadPlan(f, plan()));
    PlanGrid *grid = f.form->grid();
    PlanGridModel *model = f.form->gridModel();
    QComboBox *audio = f.form->combo3();

    // F4 on a cell that takes typed text opens nothing.
    grid->setCurrentIndex(model->index(1, ColumnFreq));
    QTest::keyClick(grid, Qt::Key_F4);
    QVERIFY(!audio->isVisible());
    QVERIFY(!f.form->combo2()->isVisible());

    grid->setCurrentIndex(model->index(1, ColumnAudio1));
    QTest::keyClick(grid, Qt::Key_F4);
    QVERIFY(audio->view()->isVisible());
    QCOMPARE(audio->currentText(), QStringLiteral("5.50")); // the cell's own value
    QTest::keyClick(audio->view(), Qt::Key_Down);
    QTest::keyClick(audio->view(), Qt::Key_Return);
    QTest::keyClick(audio, Qt::Key_Tab);
    QVERIFY(!audio->isVisible());
    QVERIFY(grid->hasFocus());
    QCOMPARE(model->cellText(1, ColumnAudio1), QStringLiteral("6.00"));
    QTest::keyClick(grid, Qt::Key_Down);
    QCOMPARE(f.store.rows().at(1).values[ColumnAudio1].toDouble(), 6.0);
}

void EditingGridTest::gridKeysRunCommands()
{
    EditorFixture f;
    QVERIFY(loadPlan(f, plan()));
    PlanGrid *grid = f.form->grid();
    QHeaderView *selectors = grid->verticalHeader();
    QTest::mouseClick(selectors->viewport(), Qt::LeftButton, {},
        QPoint(selectors->width() / 2, selectors->sectionViewportPosition(1) + 5));
    f.form->setButtonsEnabled({ 5, 6 }, false);

    // Not exactly Ctrl: nothing.
    QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(grid, Qt::Key_C);
    QVERIFY(!f.form->isButtonEnabled(6));

    // Copy runs with its button disabled; Paste then duplicates row 2.
    QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
    QVERIFY(f.form->isButtonEnabled(6));
    f.form->setButtonEnabled(6, false);
    QTest::keyClick(grid, Qt::Key_V, Qt::ControlModifier | Qt::AltModifier);
    QCOMPARE(f.store.rows().size(), 5);
    QTest::keyClick(grid, Qt::Key_V, Qt::ControlModifier);
    const QList<ChannelValues> pasted = f.store.rows();
    QCOMPARE(pasted.size(), 6);
    QCOMPARE(pasted.at(2).values[ColumnName].toString(), QStringLiteral("S21"));

    // Delete asks its question whatever the state of its button.
    f.messages.clear();
    f.form->setButtonEnabled(8, false);
    f.messages.queueAnswers({ AnswerNo });
    QTest::keyClick(grid, Qt::Key_Delete);
    QCOMPARE(f.messages.texts(), QStringList { CatalogueText(22) });
    QCOMPARE(f.messages.shown[0].style, 36);
    QCOMPARE(f.store.rows().size(), 6);
}

void EditingGridTest::scrollingHidesDropDowns()
{
    EditorFixture f;
    QVERIFY(loadPlan(f, longPlan()));
    clickCell(*f.form, 0, ColumnName);
    clickCell(*f.form, 1, ColumnAudio1);
    f.form->combo2()->show();
    f.form->combo4()->show();
    for (QComboBox *overlay : { f.form->combo2(), f.form->combo3(), f.form->combo4() })
        QVERIFY(overlay->isVisible());
    QScrollBar *bar = f.form->grid()->verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    bar->setValue(bar->value() + 3);
    for (QComboBox *overlay : { f.form->combo2(), f.form->combo3(), f.form->combo4() })
        QVERIFY2(!overlay->isVisible(), qPrintable(overlay->objectName()));
}

void EditingGridTest::dataErrorShowsNoBox()
{
    EditorFixture f;
    QVERIFY(loadPlan(f, plan()));
    QVERIFY(typeIntoCell(*f.form, 1, ColumnId, QStringLiteral("x")));
    QTest::keyClick(f.form->grid(), Qt::Key_Down);
    QVERIFY(f.messages.shown.isEmpty());
    QCOMPARE(f.form->grid()->currentBookmark(), 2);
    QCOMPARE(f.form->gridModel()->cellText(1, ColumnId), QStringLiteral("x"));
    QCOMPARE(f.store.rows(), plan());
}

QTEST_MAIN(EditingGridTest)
#include "tst_editing_grid.moc"
