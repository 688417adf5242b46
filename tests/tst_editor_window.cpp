// The editor window right after it loads, the grid's re-query, and the grid's
// data source: what it shows, how an edited row reaches the store.
#include "EditorFixture.h"

#include "editor/PlanGrid.h"
#include "editor/PlanGridModel.h"
#include "store/DatabaseLocation.h"

#include <QComboBox>
#include <QToolButton>
#include <QtTest>

using namespace plandor;
using namespace plandor::test;

namespace {

const QString kById = QString::fromLatin1(Form2::kOrderById);

// Stored in this order; ID order and frequency order differ from it.
QList<ChannelValues> mixedPlan()
{
    return { TempStore::row(3, "C", "TV", 100.25, 4.5), TempStore::row(1, "A", "DIGI", 474, 8),
        TempStore::row(7, "D", "TV", 46, 6.5), TempStore::row(2, "B", "TV", 61.25, 5.5) };
}

// Each row's texts, the columns separated by blanks.
QStringList texts(const QAbstractItemModel *model, int role = Qt::DisplayRole)
{
    QStringList rows;
    for (int r = 0; r < model->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < model->columnCount(); ++c)
            cells.append(model->index(r, c).data(role).toString());
        rows.append(cells.join(u' '));
    }
    return rows;
}

// The grid's data source over the plan above, in ID order: A(1) B(2) C(3) D(7).
struct ModelOverPlan
{
    TempStore store;
    PlanGridModel model;
    bool loaded = (store.seed(mixedPlan()), model.refresh(1, kById));
};

} // namespace

class EditorWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void afterLoadAndClose_data()
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

    void afterLoadAndClose()
    {
        QFETCH(int, language);
        QFETCH(QStringList, headings);
        EditorFixture f { qint16(language) };
        // A plan in the store does not reach the grid until a command re-queries it.
        f.store.seed(mixedPlan());
        Form2 &form = *f.form;
        QCOMPARE(form.grid()->model()->rowCount(), 0);
        QStringList shown;
        for (int c = 0; c < 5; ++c)
            shown.append(form.grid()->model()->headerData(c, Qt::Horizontal).toString());
        QCOMPARE(shown, headings);
        QCOMPARE(f.buttonStates(), QStringLiteral("EDEDDDDDD"));
        QCOMPARE(texts(form.combo3()->model()), (QStringList { "4.50", "5.50", "6.00", "6.50" }));
        QCOMPARE(form.combo3()->currentText(), QStringLiteral("4.50"));
        QCOMPARE(texts(form.combo5()->model()), (QStringList { "dBuV", "dBmV" }));
        QCOMPARE(form.combo5()->currentIndex(), -1);
        QCOMPARE(texts(form.combo2()->model()), (QStringList { "TV", "DIGI" }));
        QCOMPARE(form.combo2()->currentText(), QStringLiteral("TV"));
        const PlanGridModel *model = form.gridModel();
        QVERIFY(model->isColumnLocked(2) && model->isColumnLocked(4) && !model->isColumnLocked(3));
        // The close button closes without a question and without writing.
        auto *command10 = form.findChild<QToolButton *>(QStringLiteral("Command10"));
        QVERIFY(command10 && form.isVisible());
        QTest::mouseClick(command10, Qt::LeftButton);
        QVERIFY(!form.isVisible());
        QVERIFY(f.messages.shown.isEmpty());
        QCOMPARE(f.store.rows(QStringLiteral("ChannelPlanUser")), mixedPlan());
    }

    void refreshShowsPlan()
    {
        EditorFixture f;
        f.store.seed(mixedPlan());
        for (int run = 0; run < 2; ++run) // again with the same arguments: the same rows
            QVERIFY(f.form->RefreshDataGrid(1, QString::fromLatin1(Form2::kOrderByFreq)));
        const PlanGridModel *model = f.form->gridModel();
        QCOMPARE(texts(model),
            (QStringList { "7 D TV 46.00 6.50", "2 B TV 61.25 5.50", "3 C TV 100.25 4.50",
                "1 A DIGI 474.00 8.00" }));
        // The cell's own text is the value in its shortest form.
        QCOMPARE(texts(model, Qt::EditRole).first(), QStringLiteral("7 D TV 46 6.5"));
        // Columns 1750 twips wide, rows 300 high and not resizable.
        PlanGrid *grid = f.form->grid();
        const double dotsPerTwip = grid->logicalDpiX() / 1440.0;
        for (int c = 0; c < 5; ++c)
            QCOMPARE(grid->columnWidth(c), int(std::lround(1750 * dotsPerTwip)));
        QCOMPARE(grid->rowHeight(3), int(std::lround(300 * dotsPerTwip)));
        QVERIFY(f.messages.shown.isEmpty());
    }

    void refreshFailureKeepsGrid_data()
    {
        QTest::addColumn<bool>("brokenFile");
        QTest::addColumn<QString>("reason");
        QTest::newRow("directory at the path") << true << "not a file";
        QTest::newRow("no such table") << false << "no such table";
    }

    void refreshFailureKeepsGrid()
    {
        QFETCH(bool, brokenFile);
        QFETCH(QString, reason);
        EditorFixture f;
        f.store.seed(mixedPlan());
        QVERIFY(f.form->RefreshDataGrid(1, kById));
        const QStringList before = texts(f.form->gridModel());
        const QString brokenPath = f.store.dir() + QStringLiteral("/broken.db");
        QVERIFY(QDir().mkdir(brokenPath));
        if (brokenFile)
            DatabaseLocation::setOverride(brokenPath);
        QVERIFY(!f.form->RefreshDataGrid(
            1, brokenFile ? kById : QStringLiteral("SELECT * FROM ChannelPlan ORDER BY Freq")));
        QCOMPARE(f.messages.shown.size(), 1);
        QCOMPARE(f.messages.shown[0].title, QStringLiteral("Plandor"));
        QCOMPARE(f.messages.shown[0].style, int(StyleExclamationOk));
        QVERIFY2(f.messages.shown[0].text.contains(reason, Qt::CaseInsensitive),
            qPrintable(f.messages.shown[0].text));
        QCOMPARE(texts(f.form->gridModel()), before);
    }

    // ---- The data source on its own, over a temporary store ----

    void writeRow_data()
    {
        QTest::addColumn<bool>("cancel"); // what the before-write hook answers
        QTest::addColumn<QString>("freq");
        QTest::newRow("written") << false << "62.5";
        QTest::newRow("the hook cancels") << true << "62.5";
        QTest::newRow("the store refuses the value") << false << "abc";
    }

    void writeRow()
    {
        QFETCH(bool, cancel);
        QFETCH(QString, freq);
        ModelOverPlan m;
        QVERIFY(m.loaded);
        QList<ChannelValues> expected = m.store.rows();
        m.model.beforeRowWrite = [cancel](qint16 &answer) { answer = cancel ? 1 : 0; };
        QSignalSpy updated(&m.model, &PlanGridModel::columnUpdated);
        QSignalSpy errors(&m.model, &PlanGridModel::dataError);
        QVERIFY(m.model.setData(m.model.index(1, ColumnFreq), freq));
        // The same text again is no change and is not announced.
        QVERIFY(!m.model.setData(m.model.index(1, ColumnFreq), freq));
        QCOMPARE(updated.size(), 1);
        QVERIFY(m.model.isRowModified(1));
        QCOMPARE(m.store.rows(), expected); // not yet written

        const bool ok = !cancel && freq != QLatin1String("abc");
        QCOMPARE(m.model.writeRow(1), ok);
        QCOMPARE(errors.size(), ok || cancel ? 0 : 1);
        QCOMPARE(m.model.isRowModified(1), !ok);
        QCOMPARE(m.model.cellText(1, ColumnFreq), freq);
        if (ok)
            expected[1].values[ColumnFreq] = 62.5;
        QCOMPARE(m.store.rows(), expected); // that row and value only
    }

    void duplicateIdKeepsIdentity()
    {
        ModelOverPlan m;
        QVERIFY(m.loaded);
        // D takes B's ID, then a new name: the second write finds D by its identity.
        QVERIFY(m.model.setData(m.model.index(3, ColumnId), QStringLiteral("2")));
        QVERIFY(m.model.writeRow(3));
        QVERIFY(m.model.setData(m.model.index(3, ColumnName), QStringLiteral("X")));
        QVERIFY(m.model.writeRow(3));
        const QList<ChannelValues> p = mixedPlan();
        QCOMPARE(m.store.rows(QStringLiteral("SELECT * FROM ChannelPlanUser ORDER BY ID, CHName")),
            (QList<ChannelValues> { p[1], p[3], TempStore::row(2, "X", "TV", 46, 6.5), p[0] }));
    }
};

QTEST_MAIN(EditorWindowTest)
#include "tst_editor_window.moc"
