// The channel rules as the main window runs them on committed cells and
// written rows: messages, repairs from the edit snapshot, and the row check
// that keeps a row in editing.
#include "EditingDriver.h"

#include "app/TextCatalogue.h"

#include <QAction>

using namespace plandor;
using namespace plandor::test;

namespace {

// ID order differs from frequency order, and the audio offsets make the
// edge rule bite on some rows.
QList<ChannelValues> plan()
{
    return {
        TempStore::row(1, QStringLiteral("2"), QStringLiteral("TV"), 471.25, 6.5),
        TempStore::row(2, QStringLiteral("S21"), QStringLiteral("TV"), 303.25, 2.0),
        TempStore::row(3, QStringLiteral("E5"), QStringLiteral("DIGI"), 474, 8),
        TempStore::row(4, QStringLiteral("A"), QStringLiteral("TV"), 990, 4.5),
        TempStore::row(5, QStringLiteral("X"), QStringLiteral("TV"), 100.1, 0),
    };
}

// One refusal box under the program title, or none.
void expectMessage(const RecordingPrompter &messages, int id)
{
    if (id == 0) {
        QVERIFY2(messages.shown.isEmpty(), qPrintable(messages.texts().join(QLatin1Char('|'))));
        return;
    }
    QCOMPARE(messages.shown.size(), 1);
    QCOMPARE(messages.shown[0].text, CatalogueText(qint16(id)));
    QCOMPARE(messages.shown[0].style, 48);
    QCOMPARE(messages.shown[0].title, CatalogueText(2));
}

} // namespace

class EditingRulesTest : public QObject
{
    Q_OBJECT

private slots:
    void nameRule_data();
    void nameRule();
    void freqRule_data();
    void freqRule();
    void refusedFreqInFrequencyOrder();
    void noSnapshotElementKeepsValue();
    void editCommittedAfterMoveIsCheckedOnItsRow();
    void unknownTypeKeepsRowInEditing();
    void passingRowWriteEnablesSave();
    void leavingGridChecksType();
};

void EditingRulesTest::nameRule_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("message");
    QTest::addColumn<QString>("stored"); // the name in the store after leaving the row
    QTest::newRow("empty") << QString() << 26 << QStringLiteral("S21");
    QTest::newRow("four characters") << QStringLiteral("S123") << 26 << QStringLiteral("S21");
    QTest::newRow("three latin letters") << QStringLiteral("ABC") << 0 << QStringLiteral("ABC");
    QTest::newRow("latin-1 letter") << QStringLiteral("\u00c9") << 0 << QStringLiteral("\u00c9");
    QTest::newRow("one chinese character")
        << QStringLiteral("\u4e2d") << 59 << QStringLiteral("S21");
    QTest::newRow("chinese after a letter")
        << QStringLiteral("S\u4e2d") << 59 << QStringLiteral("S21");
}

void EditingRulesTest::nameRule()
{
    QFETCH(QString, typed);
    QFETCH(int, message);
    QFETCH(QString, stored);
    EditorFixture f;
    QVERIFY(loadPlan(f, plan()));
    PlanGridModel *model = f.form->gridModel();

    QVERIFY(typeIntoCell(*f.form, 1, ColumnName, typed));
    expectMessage(f.messages, message);
    // A refused name is back in the cell as soon as the box is closed.
    QCOMPARE(model->cellText(1, ColumnName), stored);

    QTest::keyClick(f.form->grid(), Qt::Key_Down);
    QCOMPARE(f.form->grid()->currentBookmark(), 3);
    QCOMPARE(f.store.rows().at(1).values[ColumnName].toString(), stored);
    QVERIFY(!model->isRowModified(1));
}

void EditingRulesTest::freqRule_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("message");
    QTest::addColumn<QString>("cell");
    // Row 4 has no audio offset, so only the range counts.
    QTest::newRow("46") << 4 << QStringLiteral("46") << 0 << QStringLiteral("46");
    QTest::newRow("1000") << 4 << QStringLiteral("1000") << 0 << QStringLiteral("1000");
    QTest::newRow("45.99") << 4 << QStringLiteral("45.99") << 27 << QStringLiteral("100.1");
    QTest::newRow("1000.01") << 4 << QStringLiteral("1000.01") << 27 << QStringLiteral("100.1");
    QTest::newRow("not a number") << 4 << QStringLiteral("12a") << 27 << QStringLiteral("100.1");
    // 998 + 4.5 / 2 leaves the band; 47 - 2 / 2 is exactly its lower end.
    QTest::newRow("998 with 4.5") << 3 << QStringLiteral("998") << 30 << QStringLiteral("990");
    QTest::newRow("47 with 2") << 1 << QStringLiteral("47") << 0 << QStringLiteral("47");
    QTest::newRow("46 with 2") << 1 << QStringLiteral("46") << 30 << QStringLiteral("303.25");
}

void EditingRulesTest::freqRule()
{
    QFETCH(int, row);
    QFETCH(QString, typed);
    QFETCH(int, message);
    QFETCH(QString, cell);
    EditorFixture f;
    QVERIFY(loadPlan(f, plan()));

    QVERIFY(typeIntoCell(*f.form, row, ColumnFreq, typed));
    expectMessage(f.messages, message);
    QCOMPARE(f.form->gridModel()->cellText(row, ColumnFreq), cell);

    // Leaving the row writes what the cell holds.
    QTest::keyClick(f.form->grid(), row == 4 ? Qt::Key_Up : Qt::Key_Down);
    QCOMPARE(f.store.rows().at(row).values[ColumnFreq].toDouble(), cell.toDouble());
}

void EditingRulesTest::refusedFreqInFrequencyOrder()
{
    EditorFixture f;
    QVERIFY(loadPlan(f, plan(), Form2::kOrderByFreq));
    PlanGridModel *model = f.form->gridModel();
    // Third in frequency order is ID 1; third in ID order would be 474.
    QCOMPARE(model->cellText(2, ColumnId), QStringLiteral("1"));

    QVERIFY(typeIntoCell(*f.form, 2, ColumnFreq, QStringLiteral("2000")));
    expectMessage(f.messages, 27);
    QCOMPARE(model->cellText(2, ColumnFreq), QStringLiteral("471.25"));

    f.messages.clear();
    QVERIFY(typeIntoCell(*f.form, 0, ColumnName, QStringLiteral("ABCD")));
    expectMessage(f.messages, 26);
    QCOMPARE(model->cellText(0, ColumnName), QStringLiteral("X"));
}

void EditingRulesTest::noSnapshotElementKeepsValue()
{
    EditorFixture f;
    QVERIFY(loadPlan(f, plan()));
    // The table changes under the grid: no channel carries the grid's IDs.
    QList<ChannelValues> renumbered = plan();
    for (ChannelValues &row : renumbered)
        row.values[ColumnId] = row.values[ColumnId].toLongLong() + 10;
    f.store.seed(renumbered);

    QVERIFY(typeIntoCell(*f.form, 0, ColumnFreq, QStringLiteral("5000")));
    expectMessage(f.messages, 27);
    QCOMPARE(f.form->gridModel()->cellText(0, ColumnFreq), QStringLiteral("5000"));
}

void EditingRulesTest::editCommittedAfterMoveIsCheckedOnItsRow()
{
    EditorFixture f;
    QVERIFY(loadPlan(f, plan()));
    PlanGrid *grid = f.form->grid();
    PlanGridModel *model = f.form->gridModel();
    grid->setCurrentIndex(model->index(0, ColumnFreq));
    QTest::keyClick(grid, Qt::Key_F2);
    auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("5000"));
    // Down reaches the grid itself while the editor is open, as queued
    // keystrokes do: the grid moves its cursor first, then commits the edit.
    QTest::keyClick(grid, Qt::Key_Down);
    settle();

    expectMessage(f.messages, 27);
    QCOMPARE(model->cellText(0, ColumnFreq), QStringLiteral("471.25"));
    QCOMPARE(model->cellText(1, ColumnFreq), QStringLiteral("303.25"));
    QCOMPARE(f.store.rows(), plan());
}

void EditingRulesTest::unknownTypeKeepsRowInEditing()
{
    EditorFixture f;
    QList<ChannelValues> rows = plan();
    rows[1].values[ColumnType] = QStringLiteral("DUAL");
    QVERIFY(loadPlan(f, rows));
    PlanGrid *grid = f.form->grid();
    PlanGridModel *model = f.form->gridModel();

    QVERIFY(typeIntoCell(*f.form, 1, ColumnName, QStringLiteral("B")));
    expectMessage(f.messages, 0);
    QTest::keyClick(grid, Qt::Key_Down);
    expectMessage(f.messages, 39);
    QCOMPARE(grid->currentBookmark(), 2);
    QVERIFY(model->isRowModified(1));
    QCOMPARE(model->cellText(1, ColumnName), QStringLiteral("B"));
    QCOMPARE(f.store.rows(), rows);

    // Once the Type is one the rules know, the same move writes the row.
    f.messages.clear();
    grid->setCurrentIndex(model->index(1, ColumnType));
    QTest::keyClick(grid, Qt::Key_F4);
    QComboBox *types = f.form->combo2();
    QVERIFY(types->view()->isVisible());
    // Placing the drop-down checks the cell it lies on.
    expectMessage(f.messages, 39);
    QCOMPARE(types->currentText(), QStringLiteral("TV")); // DUAL is no item
    QTest::keyClick(types->view(), Qt::Key_Return);
    QTest::keyClick(types, Qt::Key_Return);
    QCOMPARE(model->cellText(1, ColumnType), QStringLiteral("TV"));
    f.messages.clear();
    QTest::keyClick(grid, Qt::Key_Down);
    expectMessage(f.messages, 0);
    QCOMPARE(grid->currentBookmark(), 3);
    QCOMPARE(f.store.rows().at(1).values[ColumnType].toString(), QStringLiteral("TV"));
    QCOMPARE(f.store.rows().at(1).values[ColumnName].toString(), QStringLiteral("B"));
    // A frequency the type change did not move.
    QCOMPARE(f.store.rows().at(1).values[ColumnFreq].toDouble(), 303.25);
}

void EditingRulesTest::passingRowWriteEnablesSave()
{
    EditorFixture f;
    QVERIFY(loadPlan(f, plan()));
    QVERIFY(typeIntoCell(*f.form, 2, ColumnName, QStringLiteral("E6")));
    QVERIFY(f.form->isButtonEnabled(4)); // the content changed
    f.form->setButtonEnabled(4, false);
    QTest::keyClick(f.form->grid(), Qt::Key_Up);
    QCOMPARE(f.store.rows().at(2).values[ColumnName].toString(), QStringLiteral("E6"));
    QVERIFY(f.form->isButtonEnabled(4));
}

void EditingRulesTest::leavingGridChecksType()
{
    EditorFixture f;
    QList<ChannelValues> rows = plan();
    rows[2].values[ColumnType] = QStringLiteral("DUAL");
    QVERIFY(loadPlan(f, rows));
    f.form->grid()->setCurrentIndex(f.form->gridModel()->index(1, ColumnName));
    f.form->text1(0)->setFocus();
    expectMessage(f.messages, 0); // the current row's Type is known

    f.form->grid()->setFocus();
    f.form->grid()->setCurrentIndex(f.form->gridModel()->index(2, ColumnName));
    f.form->text1(0)->setFocus();
    expectMessage(f.messages, 39);
}

QTEST_MAIN(EditingRulesTest)
#include "tst_editing_rules.moc"
