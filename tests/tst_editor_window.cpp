// The editor window right after it loads, the grid's re-query, and the grid's
// data source: what it shows, how an edited row reaches the store.
#include "EditorFixture.h"

#include "editor/PlanGrid.h"
#include "editor/PlanGridModel.h"
#include "store/DatabaseLocation.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <cmath>

using namespace plandor;
using namespace plandor::test;

namespace {

// Stored in this order; ID order and frequency order differ from it.
QList<ChannelValues> mixedPlan()
{
    return { TempStore::row(3, "C", "TV", 100.25, 4.5), TempStore::row(1, "A", "DIGI", 474, 8),
        TempStore::row(7, "D", "TV", 46, 6.5), TempStore::row(2, "B", "TV", 61.25, 5.5) };
}

QStringList columnTexts(const PlanGridModel *model, int column)
{
    QStringList texts;
    for (int r = 0; r < model->rowCount(); ++r)
        texts.append(model->index(r, column).data(Qt::DisplayRole).toString());
    return texts;
}

QStringList comboItems(const QComboBox *combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items.append(combo->itemText(i));
    return items;
}

int twips(const QWidget *w, int value)
{
    return int(std::lround(value * w->logicalDpiX() / 1440.0));
}

} // namespace

class EditorWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void afterLoad_data();
    void afterLoad();
    void refreshShowsRowsInOrder_data();
    void refreshShowsRowsInOrder();
    void displayFormats();
    void gridMetrics();
    void refreshFailureKeepsGrid_data();
    void refreshFailureKeepsGrid();
    void closeButtonClosesSilently();

    void editedRowWritten();
    void refusedWriteKeepsRow();
    void valueStoreRefusesStaysInRow();
    void cancelledColumnUpdate();
    void duplicateIdKeepsIdentity();
    void leavingRowWritesIt();
};

void EditorWindowTest::afterLoad_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QStringList>("headings");
    QTest::newRow("English") << 500
                             << QStringList { "    ID", "STD CH", "  Type", "  Freq",
                                    "Audio Offset" };
    QTest::newRow("Chinese") << 0
                             << QStringList { QStringLiteral("  序列号"),
                                    QStringLiteral("标准频道号"), QStringLiteral("频道类型"),
                                    QStringLiteral("中心频率"), QStringLiteral("伴音") };
}

void EditorWindowTest::afterLoad()
{
    QFETCH(int, language);
    QFETCH(QStringList, headings);
    EditorFixture f { qint16(language) };
    // A plan in the store does not reach the grid until a command re-queries it.
    f.store.seed(mixedPlan());
    Form2 &form = *f.form;

    QCOMPARE(f.buttonStates(), QStringLiteral("EDEDDDDDD"));
    QCOMPARE(form.gridModel()->rowCount(), 0);
    QCOMPARE(form.grid()->model()->rowCount(), 0);
    QStringList shown;
    for (int c = 0; c < 5; ++c)
        shown.append(form.grid()->model()->headerData(c, Qt::Horizontal).toString());
    QCOMPARE(shown, headings);
    QVERIFY(!form.grid()->horizontalHeader()->isHidden());
    QCOMPARE(form.windowTitle(), QStringLiteral("Plandor V1.25"));
    QVERIFY(form.progressBar()->isHidden());
    QVERIFY(!form.timer1()->isActive());

    QCOMPARE(comboItems(form.combo3()), (QStringList { "4.50", "5.50", "6.00", "6.50" }));
    QCOMPARE(form.combo3()->currentText(), QStringLiteral("4.50"));
    QCOMPARE(comboItems(form.combo5()), (QStringList { "dBuV", "dBmV" }));
    QCOMPARE(form.combo5()->currentIndex(), -1);
    QVERIFY(form.combo5()->currentText().isEmpty());
    QCOMPARE(comboItems(form.combo2()), (QStringList { "TV", "DIGI" }));
    QCOMPARE(form.combo2()->currentText(), QStringLiteral("TV"));
    QVERIFY(form.gridModel()->isColumnLocked(2));
    QVERIFY(form.gridModel()->isColumnLocked(4));
    QVERIFY(!form.gridModel()->isColumnLocked(3));
    QVERIFY(f.messages.shown.isEmpty());
}

void EditorWindowTest::refreshShowsRowsInOrder_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("frequency order")
        << QString::fromLatin1(Form2::kOrderByFreq) << QStringList { "D", "B", "C", "A" };
    QTest::newRow("ID order") << QString::fromLatin1(Form2::kOrderById)
                              << QStringList { "A", "B", "C", "D" };
    QTest::newRow("stored order") << QString::fromLatin1(Form2::kStoredOrder)
                                  << QStringList { "C", "A", "D", "B" };
}

void EditorWindowTest::refreshShowsRowsInOrder()
{
    QFETCH(QString, query);
    QFETCH(QStringList, names);
    EditorFixture f;
    f.store.seed(mixedPlan());
    qint16 type = 1;
    QVERIFY(f.form->RefreshDataGrid(type, query));
    QCOMPARE(columnTexts(f.form->gridModel(), ColumnName), names);
    // Again with the same arguments: the same rows.
    QVERIFY(f.form->RefreshDataGrid(type, query));
    QCOMPARE(columnTexts(f.form->gridModel(), ColumnName), names);
    QCOMPARE(f.form->grid()->model()->rowCount(), names.size());
    QVERIFY(f.messages.shown.isEmpty());
}

void EditorWindowTest::displayFormats()
{
    EditorFixture f;
    f.store.seed(mixedPlan());
    QVERIFY(f.form->RefreshDataGrid(1, QString::fromLatin1(Form2::kOrderByFreq)));
    const PlanGridModel *model = f.form->gridModel();
    QCOMPARE(columnTexts(model, ColumnId), (QStringList { "7", "2", "3", "1" }));
    QCOMPARE(
        columnTexts(model, ColumnFreq), (QStringList { "46.00", "61.25", "100.25", "474.00" }));
    QCOMPARE(columnTexts(model, ColumnAudio1), (QStringList { "6.50", "5.50", "4.50", "8.00" }));
    QCOMPARE(columnTexts(model, ColumnType), (QStringList { "TV", "TV", "TV", "DIGI" }));
    // The cell's own text is the value in its shortest form.
    QCOMPARE(model->cellText(0, ColumnFreq), QStringLiteral("46"));
    QCOMPARE(model->index(2, ColumnAudio1).data(Qt::EditRole).toString(), QStringLiteral("4.5"));
    QCOMPARE(model->index(0, ColumnFreq).data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
}

void EditorWindowTest::gridMetrics()
{
    EditorFixture f;
    f.store.seed(mixedPlan());
    QVERIFY(f.form->RefreshDataGrid(1, QString::fromLatin1(Form2::kOrderById)));
    PlanGrid *grid = f.form->grid();
    for (int c = 0; c < 5; ++c)
        QCOMPARE(grid->columnWidth(c), twips(grid, 1750));
    for (int r = 0; r < 4; ++r)
        QCOMPARE(grid->rowHeight(r), twips(grid, 300));
    QCOMPARE(grid->verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
}

void EditorWindowTest::refreshFailureKeepsGrid_data()
{
    QTest::addColumn<QString>("broken");
    QTest::addColumn<QString>("reason");
    QTest::newRow("not a database") << "noise"
                                    << "file is not a database";
    QTest::newRow("directory at the path") << "directory"
                                           << "not a file";
    QTest::newRow("no such table") << "query"
                                   << "no such table";
}

void EditorWindowTest::refreshFailureKeepsGrid()
{
    QFETCH(QString, broken);
    QFETCH(QString, reason);
    EditorFixture f;
    f.store.seed(mixedPlan());
    QVERIFY(f.form->RefreshDataGrid(1, QString::fromLatin1(Form2::kOrderById)));
    const QStringList before = columnTexts(f.form->gridModel(), ColumnName);

    QString query = QString::fromLatin1(Form2::kOrderByFreq);
    const QString brokenPath = f.store.dir() + QStringLiteral("/broken.db");
    if (broken == QLatin1String("noise")) {
        QFile file(brokenPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, '\x5a'));
        file.close();
        DatabaseLocation::setOverride(brokenPath);
    } else if (broken == QLatin1String("directory")) {
        QVERIFY(QDir().mkdir(brokenPath));
        DatabaseLocation::setOverride(brokenPath);
    } else {
        query = QStringLiteral("SELECT * FROM ChannelPlan ORDER BY Freq");
    }
    qint16 type = 1;
    const bool ok = f.form->RefreshDataGrid(type, query);
    DatabaseLocation::setOverride(f.store.path());

    QVERIFY(!ok);
    QCOMPARE(f.messages.shown.size(), 1);
    QCOMPARE(f.messages.shown[0].title, QStringLiteral("Plandor"));
    QCOMPARE(f.messages.shown[0].style, int(StyleExclamationOk));
    QVERIFY2(f.messages.shown[0].text.contains(reason, Qt::CaseInsensitive),
        qPrintable(f.messages.shown[0].text));
    QCOMPARE(columnTexts(f.form->gridModel(), ColumnName), before);
}

void EditorWindowTest::closeButtonClosesSilently()
{
    EditorFixture f;
    f.store.seed(mixedPlan());
    QVERIFY(f.form->RefreshDataGrid(1, QString::fromLatin1(Form2::kOrderById)));
    const QByteArray before = [&] {
        QFile file(f.store.path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    auto *command10 = f.form->findChild<QToolButton *>(QStringLiteral("Command10"));
    QVERIFY(command10);
    QVERIFY(f.form->isVisible());
    QTest::mouseClick(command10, Qt::LeftButton);
    QVERIFY(!f.form->isVisible());
    QVERIFY(f.messages.shown.isEmpty());
    QFile file(f.store.path());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
}

// ---- The data source on its own, over a temporary store ----

void EditorWindowTest::editedRowWritten()
{
    TempStore store;
    store.seed(mixedPlan());
    PlanGridModel model;
    QVERIFY(model.refresh(1, QString::fromLatin1(Form2::kOrderById)));
    QSignalSpy updated(&model, &PlanGridModel::columnUpdated);
    QSignalSpy written(&model, &PlanGridModel::rowWritten);

    QVERIFY(model.setData(model.index(1, ColumnFreq), QStringLiteral("62.5")));
    QCOMPARE(updated.size(), 1);
    QCOMPARE(updated[0][0].toInt(), int(ColumnFreq));
    QVERIFY(model.isRowModified(1));
    QCOMPARE(model.cellText(1, ColumnFreq), QStringLiteral("62.5"));
    QCOMPARE(store.rows().at(1).values[ColumnFreq].toDouble(), 61.25); // not yet written

    QVERIFY(model.writeRow(1));
    QCOMPARE(written.size(), 1);
    QVERIFY(!model.isRowModified(1));
    QCOMPARE(store.rows().at(1).values[ColumnFreq].toDouble(), 62.5);
    QCOMPARE(model.storedValue(1, ColumnFreq).toDouble(), 62.5);
    QCOMPARE(model.displayText(1, ColumnFreq), QStringLiteral("62.50"));
    // The other rows are untouched.
    QCOMPARE(store.rows().at(0), mixedPlan().at(1));
}

void EditorWindowTest::refusedWriteKeepsRow()
{
    TempStore store;
    store.seed(mixedPlan());
    const QList<ChannelValues> before = store.rows();
    PlanGridModel model;
    QVERIFY(model.refresh(1, QString::fromLatin1(Form2::kOrderById)));
    int hookRuns = 0;
    model.beforeRowWrite = [&](qint16 &cancel) {
        ++hookRuns;
        cancel = 1;
    };
    model.setCellText(0, ColumnName, QStringLiteral("Z"));
    QVERIFY(!model.writeRow(0));
    QCOMPARE(hookRuns, 1);
    QVERIFY(model.isRowModified(0));
    QCOMPARE(model.cellText(0, ColumnName), QStringLiteral("Z"));
    QCOMPARE(store.rows(), before);

    // Reverting brings back the stored text; an unmodified row needs no hook.
    model.revertRow(0);
    QVERIFY(!model.isRowModified(0));
    QCOMPARE(model.cellText(0, ColumnName), QStringLiteral("A"));
    QVERIFY(model.writeRow(0));
    QCOMPARE(hookRuns, 1);
}

void EditorWindowTest::valueStoreRefusesStaysInRow()
{
    TempStore store;
    store.seed(mixedPlan());
    const QList<ChannelValues> before = store.rows();
    PlanGridModel model;
    QVERIFY(model.refresh(1, QString::fromLatin1(Form2::kOrderById)));
    QSignalSpy errors(&model, &PlanGridModel::dataError);
    model.setCellText(2, ColumnFreq, QStringLiteral("abc"));
    QCOMPARE(model.displayText(2, ColumnFreq), QStringLiteral("abc"));
    QVERIFY(!model.writeRow(2));
    QCOMPARE(errors.size(), 1);
    QVERIFY(model.isRowModified(2));
    QCOMPARE(store.rows(), before);
}

void EditorWindowTest::cancelledColumnUpdate()
{
    TempStore store;
    store.seed(mixedPlan());
    PlanGridModel model;
    QVERIFY(model.refresh(1, QString::fromLatin1(Form2::kOrderById)));
    QList<int> announced;
    model.beforeColumnUpdate = [&](int column, qint16 &cancel) {
        announced.append(column);
        cancel = column == ColumnName ? 1 : 0;
    };
    QSignalSpy updated(&model, &PlanGridModel::columnUpdated);
    QVERIFY(!model.setData(model.index(0, ColumnName), QStringLiteral("Q")));
    QCOMPARE(model.cellText(0, ColumnName), QStringLiteral("A"));
    QVERIFY(!model.isRowModified(0));
    QVERIFY(model.setData(model.index(0, ColumnFreq), QStringLiteral("50")));
    // The same text again is no change and is not announced.
    QVERIFY(!model.setData(model.index(0, ColumnFreq), QStringLiteral("50")));
    QCOMPARE(announced, (QList<int> { ColumnName, ColumnFreq }));
    QCOMPARE(updated.size(), 1);
}

void EditorWindowTest::duplicateIdKeepsIdentity()
{
    TempStore store;
    store.seed(mixedPlan());
    PlanGridModel model;
    QVERIFY(model.refresh(1, QString::fromLatin1(Form2::kOrderById)));
    // Rows in ID order: A(1) B(2) C(3) D(7). D takes B's ID, then a new name.
    const qint64 identity = model.rowId(3);
    QVERIFY(model.setData(model.index(3, ColumnId), QStringLiteral("2")));
    QVERIFY(model.writeRow(3));
    QCOMPARE(model.rowId(3), identity);
    QVERIFY(model.setData(model.index(3, ColumnName), QStringLiteral("X")));
    QVERIFY(model.writeRow(3));

    QStringList names;
    for (const ChannelValues &r :
        store.rows(QStringLiteral("SELECT * FROM ChannelPlanUser where ID=2")))
        names.append(r.values[ColumnName].toString());
    names.sort();
    QCOMPARE(names, (QStringList { "B", "X" }));
    QCOMPARE(store.rows().size(), 4);
}

void EditorWindowTest::leavingRowWritesIt()
{
    TempStore store;
    store.seed(mixedPlan());
    PlanGridModel model;
    PlanGrid grid;
    grid.setPlanModel(&model);
    QVERIFY(model.refresh(1, QString::fromLatin1(Form2::kOrderById)));
    grid.setCurrentIndex(model.index(0, ColumnFreq));
    QVERIFY(model.setData(model.index(0, ColumnFreq), QStringLiteral("480")));
    grid.setCurrentIndex(model.index(1, ColumnFreq));
    QCOMPARE(store.rows().at(0).values[ColumnFreq].toDouble(), 480.0);
    QVERIFY(!model.isRowModified(0));

    // A refused write keeps the row current and in editing.
    model.beforeRowWrite = [](qint16 &cancel) { cancel = 1; };
    QSignalSpy refused(&grid, &PlanGrid::rowWriteRefused);
    QVERIFY(model.setData(model.index(1, ColumnFreq), QStringLiteral("70")));
    grid.setCurrentIndex(model.index(2, ColumnFreq));
    QCOMPARE(refused.size(), 1);
    QCOMPARE(grid.currentIndex().row(), 1);
    QVERIFY(model.isRowModified(1));
    QCOMPARE(store.rows().at(1).values[ColumnFreq].toDouble(), 61.25);
}

QTEST_MAIN(EditorWindowTest)
#include "tst_editor_window.moc"
