// Insert, copy and paste, delete and Order from the toolbar of the editor
// window, the grid's delete and column-update announcements, and the button
// states each command leaves.
#include "EditorFixture.h"

#include "app/TextCatalogue.h"
#include "app/ui/FileDialogs.h"
#include "editor/PlanGrid.h"
#include "editor/PlanGridModel.h"
#include "store/CopiedIds.h"
#include "store/PlanFile.h"
#include "store/RecordOperations.h"

#include <QAction>
#include <QHeaderView>
#include <QKeyEvent>
#include <QToolBar>
#include <QtTest>

using namespace plandor;
using namespace plandor::test;

namespace {

// IDs 1..n named C1..Cn; frequency rises with ID unless falling is set.
QList<ChannelValues> plan(int n, bool falling = false)
{
    QList<ChannelValues> rows;
    for (int i = 1; i <= n; ++i) {
        const double freq = falling ? 1000.0 - i * 7 : 46.0 + i * 7;
        rows.append(TempStore::row(i, QStringLiteral("C%1").arg(i), "TV", freq, 4.5));
    }
    return rows;
}

QStringList column(const QList<ChannelValues> &rows, int c)
{
    QStringList texts;
    for (const ChannelValues &r : rows)
        texts.append(r.values[c].toString());
    return texts;
}

QStringList gridColumn(const PlanGridModel *model, int c)
{
    QStringList texts;
    for (int r = 0; r < model->rowCount(); ++r)
        texts.append(model->cellText(r, c));
    return texts;
}

QStringList sequence(int n)
{
    QStringList ids;
    for (int i = 1; i <= n; ++i)
        ids.append(QString::number(i));
    return ids;
}

// Selects whole rows the way the user does: a click on the row selector,
// Ctrl+click for the next ones.
void clickRowSelectors(PlanGrid *grid, const QList<int> &rows)
{
    QHeaderView *header = grid->verticalHeader();
    for (int i = 0; i < rows.size(); ++i) {
        const QPoint at(header->width() / 2,
            header->sectionViewportPosition(rows[i]) + header->sectionSize(rows[i]) / 2);
        QTest::mouseClick(
            header->viewport(), Qt::LeftButton, i == 0 ? Qt::NoModifier : Qt::ControlModifier, at);
    }
}

class KeyRecorder : public QObject
{
public:
    QList<int> keys;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress)
            keys.append(static_cast<QKeyEvent *>(event)->key());
        return false;
    }
};

// The expected button string: '.' keeps the state the buttons started in.
QString apply(const QString &start, const QString &change)
{
    QString result = start;
    for (int i = 0; i < change.size(); ++i) {
        if (change[i] != QLatin1Char('.'))
            result[i] = change[i];
    }
    return result;
}

void setButtons(Form2 &form, const QString &states)
{
    for (int i = 0; i < 9; ++i)
        form.setButtonEnabled(i + 1, states[i] == QLatin1Char('E'));
}

} // namespace

class RecordOperationsTest : public QObject
{
    Q_OBJECT

private slots:
    void insertChannel_data();
    void insertChannel();
    void insertIntoFullPlanDoesNothing();
    void insertRefused();
    void copyTwoPasteTwice();
    void pasteOfVanishedIdChangesNothing();
    void refusedDeleteStillRenumbers();
    void deleteInFrequencyOrder();
    void orderFollowsFrequency();
    void renumberSetsStoredOrder();
    void gridDeleteIsAlwaysCancelled();
    void columnUpdateReloadsSnapshot();
    void buttonStates_data();
    void buttonStates();
};

void RecordOperationsTest::insertChannel_data()
{
    QTest::addColumn<int>("planSize");
    QTest::addColumn<int>("currentRow"); // -1: no row is current
    QTest::addColumn<QString>("typedId"); // typed into the current row, not written
    QTest::addColumn<int>("newId");
    QTest::addColumn<QList<int>>("keys");

    const int right = Qt::Key_Right, down = Qt::Key_Down, page = Qt::Key_PageDown;
    QTest::newRow("empty plan") << 0 << -1 << "" << 1 << QList<int> { right, right };
    QTest::newRow("row 3 of 5") << 5 << 2 << "" << 3 << QList<int> { down, down, right, right };
    QTest::newRow("row 30 of 40") << 40 << 29 << "" << 30 << QList<int> { page, right, right };
    QTest::newRow("row 61 of 70") << 70 << 60 << "" << 61
                                  << QList<int> { page, page, down, down, right, right };
    QTest::newRow("ID typed past the end")
        << 5 << 1 << "99" << 6 << QList<int> { down, down, down, down, down, right, right };
    QTest::newRow("ID typed below 1") << 5 << 1 << "0" << 1 << QList<int> { right, right };
}

void RecordOperationsTest::insertChannel()
{
    QFETCH(int, planSize);
    QFETCH(int, currentRow);
    QFETCH(QString, typedId);
    QFETCH(int, newId);
    QFETCH(QList<int>, keys);

    EditorFixture f;
    f.store.seed(plan(planSize));
    QVERIFY(f.form->RefreshDataGrid(1, Form2::kOrderById));
    if (currentRow >= 0)
        f.form->grid()->setCurrentIndex(f.form->gridModel()->index(currentRow, 1));
    if (!typedId.isEmpty())
        f.form->gridModel()->setCellText(currentRow, ColumnId, typedId);
    KeyRecorder recorder;
    f.form->grid()->installEventFilter(&recorder);
    f.messages.queueAnswers({ AnswerYes });

    f.form->ToolDsButtonClick(QStringLiteral("Insert"));

    QCOMPARE(f.messages.texts(), QStringList { CatalogueText(23) });
    QCOMPARE(f.messages.shown.first().style, int(StyleQuestionYesNo));
    const QList<ChannelValues> rows = f.store.rows();
    QCOMPARE(rows.size(), planSize + 1);
    QCOMPARE(column(rows, ColumnId), sequence(planSize + 1));
    QCOMPARE(rows[newId - 1], TempStore::row(newId, "250", "TV", 46, 4.5));
    if (currentRow >= 0 && typedId.isEmpty()) // the current row moved up by one
        QCOMPARE(
            rows[newId].values[ColumnName].toString(), QStringLiteral("C%1").arg(currentRow + 1));
    // The grid shows the new plan in ID order before the keys arrive.
    QCOMPARE(f.form->gridModel()->recordSource(), QString::fromLatin1(Form2::kOrderById));
    QVERIFY(recorder.keys.isEmpty());

    QTRY_COMPARE(recorder.keys, keys);
    QCOMPARE(f.form->grid()->currentIndex().row(), newId - 1);
    QCOMPARE(f.form->grid()->currentIndex().column(), int(ColumnType));
    QCOMPARE(f.form->gridModel()->cellText(newId - 1, ColumnName), QStringLiteral("250"));
}

void RecordOperationsTest::insertIntoFullPlanDoesNothing()
{
    EditorFixture f;
    f.store.seed(plan(250));
    QVERIFY(f.form->RefreshDataGrid(1, Form2::kOrderById));
    f.form->grid()->setCurrentIndex(f.form->gridModel()->index(9, 0));
    f.messages.queueAnswers({ AnswerYes });
    qint16 cancel = 5;
    f.form->HandleGridBeforeInsert(cancel);
    QCOMPARE(f.store.rows(), plan(250));
    QCOMPARE(f.messages.texts(), QStringList { CatalogueText(23) }); // the question only
    QCOMPARE(cancel, qint16(5)); // not touched

    // A free number below 250 is found: the highest one.
    QList<ChannelValues> gap = plan(250);
    gap.removeAt(199); // ID 200 is free
    f.store.seed(gap);
    RecordOperations operations;
    QString name;
    QCOMPARE(operations.insertAt(1, &name), RecordOperations::InsertResult::Inserted);
    QCOMPARE(name, QStringLiteral("200"));
}

void RecordOperationsTest::insertRefused()
{
    EditorFixture f;
    f.store.seed(plan(3));
    QVERIFY(f.form->RefreshDataGrid(1, Form2::kOrderById));
    f.messages.queueAnswers({ AnswerNo });
    qint16 cancel = 0;
    f.form->HandleGridBeforeInsert(cancel);
    QVERIFY(cancel != 0);
    QCOMPARE(f.store.rows(), plan(3));
}

void RecordOperationsTest::copyTwoPasteTwice()
{
    EditorFixture f;
    f.store.seed(plan(5, true));
    // In frequency order the grid shows C5, C4, C3, C2, C1.
    QVERIFY(f.form->RefreshDataGrid(1, Form2::kOrderByFreq));
    clickRowSelectors(f.form->grid(), { 1, 3 }); // C4 and C2
    f.form->ToolDsButtonClick(QStringLiteral("Copy"));
    QCOMPARE(CopiedIds, (QList<qint16> { 4, 2 }));

    f.form->ToolDsButtonClick(QStringLiteral("Paste"));
    QStringList names = { "C1", "C2", "C2", "C3", "C4", "C4", "C5" };
    QCOMPARE(column(f.store.rows(), ColumnName), names);
    // The grid shows the table's stored order, which is the new ID order.
    QCOMPARE(gridColumn(f.form->gridModel(), ColumnName), names);
    QCOMPARE(gridColumn(f.form->gridModel(), ColumnId), sequence(7));

    // The IDs are remembered, not the rows: now 2 and 4 are C2 and C3.
    f.form->ToolDsButtonClick(QStringLiteral("Paste"));
    names = QStringList { "C1", "C2", "C2", "C2", "C3", "C3", "C4", "C4", "C5" };
    QCOMPARE(column(f.store.rows(), ColumnName), names);
    QCOMPARE(column(f.store.rows(), ColumnId), sequence(9));
}

void RecordOperationsTest::pasteOfVanishedIdChangesNothing()
{
    EditorFixture f;
    f.store.seed(plan(3));
    CopiedIds = { 1, 9 };
    f.form->PasteRows();
    QCOMPARE(f.store.rows(), plan(3));
}

void RecordOperationsTest::refusedDeleteStillRenumbers()
{
    EditorFixture f;
    // IDs with gaps; frequency order C7, C3, C1.
    f.store.seed({ TempStore::row(1, "C1", "TV", 300, 4.5), TempStore::row(3, "C3", "TV", 200, 4.5),
        TempStore::row(7, "C7", "TV", 100, 4.5) });
    QVERIFY(f.form->RefreshDataGrid(1, Form2::kOrderById));
    clickRowSelectors(f.form->grid(), { 0 });
    f.messages.queueAnswers({ AnswerNo });
    f.form->ToolDsButtonClick(QStringLiteral("Delete"));

    QCOMPARE(f.messages.texts(), QStringList { CatalogueText(22) });
    QCOMPARE(f.messages.shown.first().style, int(StyleQuestionYesNo));
    const QList<ChannelValues> rows = f.store.rows();
    QCOMPARE(column(rows, ColumnName), (QStringList { "C1", "C3", "C7" }));
    QCOMPARE(column(rows, ColumnId), sequence(3));
    QCOMPARE(f.form->gridModel()->recordSource(), QString::fromLatin1(Form2::kOrderByFreq));
    QCOMPARE(gridColumn(f.form->gridModel(), ColumnName), (QStringList { "C7", "C3", "C1" }));
}

void RecordOperationsTest::deleteInFrequencyOrder()
{
    EditorFixture f;
    f.store.seed(plan(6, true)); // frequency order C6, C5, ..., C1
    QVERIFY(f.form->RefreshDataGrid(1, Form2::kOrderByFreq));
    clickRowSelectors(f.form->grid(), { 0, 2 }); // C6 and C4
    QCOMPARE(f.form->grid()->selectedRowsInOrder().size(), 2);
    f.messages.queueAnswers({ AnswerYes });
    f.form->ToolDsButtonClick(QStringLiteral("Delete"));

    const QList<ChannelValues> rows = f.store.rows();
    QCOMPARE(column(rows, ColumnName), (QStringList { "C1", "C2", "C3", "C5" }));
    QCOMPARE(column(rows, ColumnId), sequence(4));
    QCOMPARE(gridColumn(f.form->gridModel(), ColumnName), (QStringList { "C5", "C3", "C2", "C1" }));
}

void RecordOperationsTest::orderFollowsFrequency()
{
    EditorFixture f;
    // Two channels share a frequency: they keep their ID order.
    f.store.seed({ TempStore::row(1, "A", "TV", 500, 4.5), TempStore::row(2, "B", "DIGI", 100, 8),
        TempStore::row(3, "C", "TV", 300, 4.5), TempStore::row(4, "D", "TV", 100, 6),
        TempStore::row(5, "E", "TV", 46, 4.5) });
    f.form->ToolDsButtonClick(QStringLiteral("Order"));
    QCOMPARE(column(f.store.rows(), ColumnName), (QStringList { "E", "B", "D", "C", "A" }));
    QCOMPARE(f.store.rows(), f.store.rows("SELECT * FROM ChannelPlanUser ORDER BY Freq, ID"));
    QCOMPARE(gridColumn(f.form->gridModel(), ColumnId), sequence(5));
}

void RecordOperationsTest::renumberSetsStoredOrder()
{
    // Numbered 1..n already, but stored out of ID order: Save and the grid
    // after a Paste show the stored order, so renumbering must fix it.
    EditorFixture f;
    f.store.seed({ TempStore::row(2, "B", "TV", 60, 4.5), TempStore::row(1, "A", "TV", 50, 4.5) });
    f.form->Renumber(QStringLiteral("ORDER BY ID"));
    const QList<ChannelValues> inIdOrder
        = { TempStore::row(1, "A", "TV", 50, 4.5), TempStore::row(2, "B", "TV", 60, 4.5) };
    QCOMPARE(f.store.rows(QStringLiteral("SELECT * FROM ChannelPlanUser")), inIdOrder);
    f.form->Renumber(QStringLiteral("ORDER BY Freq DESC"));
    QCOMPARE(column(f.store.rows(QStringLiteral("SELECT * FROM ChannelPlanUser")), ColumnName),
        (QStringList { "B", "A" }));
    QCOMPARE(column(f.store.rows(), ColumnName), (QStringList { "B", "A" }));
}

void RecordOperationsTest::gridDeleteIsAlwaysCancelled()
{
    EditorFixture f;
    f.store.seed(plan(2));
    qint16 cancel = 0;
    f.form->HandleGridBeforeDelete(cancel);
    QVERIFY(cancel != 0);
    QCOMPARE(f.messages.texts(), QStringList { CatalogueText(22) });
    QCOMPARE(f.messages.shown.first().style, int(StyleExclamationOk));
    QCOMPARE(f.store.rows(), plan(2));
}

void RecordOperationsTest::columnUpdateReloadsSnapshot()
{
    EditorFixture f;
    f.store.seed(
        { TempStore::row(2, "S2", "DIGI", 100.1, 8), TempStore::row(1, "5", "TV", 55.25, 6.5) });
    QVERIFY(f.form->RefreshDataGrid(1, Form2::kOrderById));
    // A user's edit announces the update, which reloads the snapshot.
    PlanGridModel *model = f.form->gridModel();
    QVERIFY(model->setData(model->index(0, ColumnName), QStringLiteral("7")));
    QCOMPARE(f.form->EditSnapshot.size(), 2);
    LinkRecord first;
    first.Id = 1;
    first.Type = QStringLiteral("TV");
    first.Freq = 55.25f;
    first.Name = QStringLiteral("5"); // the store's value, not the edit
    first.Audio1 = 6.5f;
    QCOMPARE(f.form->EditSnapshot[0], first);
    QCOMPARE(f.form->EditSnapshot[1].Freq, 100.1f);
    QCOMPARE(f.form->EditSnapshot[1].Name, QStringLiteral("S2"));

    // An empty table leaves the snapshot as it was.
    f.store.seed({});
    qint16 cancel = 0;
    f.form->HandleGridBeforeColUpdate(1, QVariant(), cancel);
    QCOMPARE(f.form->EditSnapshot.size(), 2);
    QCOMPARE(cancel, qint16(0));
}

void RecordOperationsTest::buttonStates_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("change");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("fileChosen");
    QTest::newRow("Open") << "Open"
                          << ".E.EDDEDE" << 0 << true;
    QTest::newRow("Open cancelled") << "Open"
                                    << "........." << 0 << false;
    QTest::newRow("Save") << "Save"
                          << "...ED..D." << 0 << true;
    QTest::newRow("Save cancelled") << "Save"
                                    << "........." << 0 << false;
    QTest::newRow("Copy") << "Copy"
                          << "....DE..." << 0 << false;
    QTest::newRow("Paste") << "Paste"
                           << "....D..D." << 0 << false;
    QTest::newRow("Delete") << "Delete"
                            << "...EDD.D." << int(AnswerYes) << false;
    QTest::newRow("Delete refused") << "Delete"
                                    << "...EDD.D." << int(AnswerNo) << false;
    QTest::newRow("Insert") << "Insert"
                            << "...EDD.D." << int(AnswerYes) << false;
    QTest::newRow("Insert refused") << "Insert"
                                    << "...EDD.D." << int(AnswerNo) << false;
    QTest::newRow("Order") << "Order"
                           << "...EDD.D." << 0 << false;
    QTest::newRow("no such key") << "open"
                                 << "........." << 0 << false;
}

void RecordOperationsTest::buttonStates()
{
    QFETCH(QString, command);
    QFETCH(QString, change);
    QFETCH(int, answer);
    QFETCH(bool, fileChosen);

    // From all enabled and from all disabled, so that every button the command
    // leaves alone shows as such.
    for (const QString &start : { QStringLiteral("EEEEEEEEE"), QStringLiteral("DDDDDDDDD") }) {
        EditorFixture f;
        f.store.seed(plan(4));
        QVERIFY(f.form->RefreshDataGrid(1, Form2::kOrderById));
        clickRowSelectors(f.form->grid(), { 1 });
        const QString file = f.store.dir() + QStringLiteral("/plan.txt");
        if (command == QLatin1String("Open")) {
            PlanFileSource source;
            source.rows = plan(3);
            QString error;
            QVERIFY(PlanFile::write(file, source, PlanFile::Encoding::Windows1252, &error));
        }
        FileDialogs::queueAnswer(fileChosen ? file : QString());
        if (answer)
            f.messages.queueAnswers({ answer });
        setButtons(*f.form, start);
        // An enabled button is clicked; a disabled one cannot be, and its
        // command is run as the grid's keys run it.
        QAction *action = f.form->findChild<QAction *>(command);
        QVERIFY(action || command == QLatin1String("open"));
        if (action && action->isEnabled()) {
            QToolBar *toolbar = f.form->findChild<QToolBar *>(QStringLiteral("ToolDs"));
            QTest::mouseClick(toolbar->widgetForAction(action), Qt::LeftButton);
        } else {
            f.form->ToolDsButtonClick(command);
        }
        QCOMPARE(f.buttonStates(), apply(start, change));
    }
}

QTEST_MAIN(RecordOperationsTest)
#include "tst_records_operations.moc"
