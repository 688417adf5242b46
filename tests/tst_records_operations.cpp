// Insert, copy and paste, delete and Order from the toolbar of the editor
// window, and the button states each command leaves.
#include "EditorFixture.h"

#include "base/TextCatalogue.h"
#include "widgets/FileDialogs.h"
#include "editor/PlanGrid.h"
#include "editor/PlanGridModel.h"
#include "store/CopiedIds.h"
#include "store/PlanFile.h"
#include "store/RecordOperations.h"

#include <QAction>
#include <QtTest>

using namespace plandor;
using namespace plandor::test;

namespace {

// IDs 1..n named C1..Cn; frequency rises with ID unless falling is set.
QList<ChannelValues> plan(int n, bool falling = false)
{
    QList<ChannelValues> rows;
    for (int i = 1; i <= n; ++i)
        rows.append(TempStore::row(
            i, QStringLiteral("C%1").arg(i), "TV", falling ? 1000.0 - i * 7 : 46.0 + i * 7, 4.5));
    return rows;
}

// "ID:name" of each row, in order.
QString listing(const QList<ChannelValues> &rows)
{
    QStringList texts;
    for (const ChannelValues &r : rows)
        texts.append(r.values[ColumnId].toString() + ':' + r.values[ColumnName].toString());
    return texts.join(' ');
}

QString gridListing(const PlanGridModel *model)
{
    QStringList texts;
    for (int r = 0; r < model->rowCount(); ++r)
        texts.append(model->cellText(r, ColumnId) + ':' + model->cellText(r, ColumnName));
    return texts.join(' ');
}

// Whole rows selected in the given order, as clicks on their selectors do.
void selectRows(PlanGrid *grid, const QList<int> &rows)
{
    for (int r : rows)
        grid->selectionModel()->select(
            grid->model()->index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

} // namespace

class RecordOperationsTest : public QObject
{
    Q_OBJECT

private slots:
    // The new channel's row becomes current at its Type cell.
    void insertChannel_data()
    {
        QTest::addColumn<int>("planSize");
        QTest::addColumn<int>("currentRow"); // -1: no row is current
        QTest::addColumn<QString>("typedId"); // typed into the current row, not written
        QTest::addColumn<int>("newId");
        QTest::newRow("empty plan") << 0 << -1 << "" << 1;
        QTest::newRow("row 61 of 70, past a page") << 70 << 60 << "" << 61;
        QTest::newRow("ID typed past the end") << 5 << 1 << "99" << 6;
        QTest::newRow("ID typed below 1") << 5 << 1 << "0" << 1;
    }
    void insertChannel()
    {
        QFETCH(int, planSize);
        QFETCH(int, currentRow);
        QFETCH(QString, typedId);
        QFETCH(int, newId);
        EditorFixture f;
        f.store.seed(plan(planSize));
        QVERIFY(f.form->RefreshDataGrid(1, Form2::kOrderById));
        if (currentRow >= 0)
            f.form->grid()->setCurrentIndex(f.form->gridModel()->index(currentRow, 1));
        if (!typedId.isEmpty())
            f.form->gridModel()->setCellText(currentRow, ColumnId, typedId);
        f.messages.queueAnswers({ AnswerYes });
        f.form->ToolDsButtonClick(QStringLiteral("Insert"));

        QCOMPARE(f.messages.texts(), QStringList { CatalogueText(23) });
        // The rows from the new one on moved up by one.
        QList<ChannelValues> expected = plan(planSize);
        expected.insert(newId - 1, TempStore::row(newId, "250", "TV", 46, 4.5));
        for (int i = newId; i < expected.size(); ++i)
            expected[i].values[ColumnId] = i + 1;
        QCOMPARE(f.store.rows(), expected);
        QTRY_COMPARE(
            f.form->grid()->currentIndex(), f.form->gridModel()->index(newId - 1, ColumnType));
    }

    // The name is the highest free number up to 250; with none free, nothing
    // changes after the question.
    void insertIntoFullPlan()
    {
        EditorFixture f;
        f.store.seed(plan(250).mid(0, 199) + plan(250).mid(200)); // ID 200 is free
        QString name;
        QCOMPARE(RecordOperations().insertAt(1, &name), RecordOperations::InsertResult::Inserted);
        QCOMPARE(name, QStringLiteral("200"));
        f.store.seed(plan(250));
        f.messages.queueAnswers({ AnswerYes });
        qint16 cancel = 5;
        f.form->HandleGridBeforeInsert(cancel);
        QCOMPARE(f.store.rows(), plan(250));
        QVERIFY(f.messages.texts() == QStringList { CatalogueText(23) } && cancel == 5);
    }

    void copyTwoPasteTwice()
    {
        EditorFixture f;
        f.store.seed(plan(5, true));
        QVERIFY(f.form->RefreshDataGrid(1, Form2::kOrderByFreq)); // C5, C4, C3, C2, C1
        selectRows(f.form->grid(), { 1, 3 }); // C4 and C2
        f.form->ToolDsButtonClick(QStringLiteral("Copy"));
        f.form->ToolDsButtonClick(QStringLiteral("Paste"));
        const QString pasted = "1:C1 2:C2 3:C2 4:C3 5:C4 6:C4 7:C5";
        QCOMPARE(listing(f.store.rows()), pasted);
        // The grid shows the table's stored order, which is the new ID order.
        QCOMPARE(gridListing(f.form->gridModel()), pasted);
        // The IDs are remembered, not the rows: now 2 and 4 are C2 and C3.
        // An ID no row carries refuses the whole paste.
        f.form->ToolDsButtonClick(QStringLiteral("Paste"));
        CopiedIds = { 1, 10 };
        f.form->PasteRows();
        QCOMPARE(listing(f.store.rows()), "1:C1 2:C2 3:C2 4:C2 5:C3 6:C3 7:C4 8:C4 9:C5");
    }

    // Rows picked in frequency order go, and either way the plan is
    // renumbered in ID order and shown in frequency order.
    void deleteRows_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        QTest::newRow("yes") << int(AnswerYes) << QString("1:C1 2:C9") << QString("2:C9 1:C1");
        QTest::newRow("no") << int(AnswerNo) << QString("1:C1 2:C3 3:C7 4:C9")
                            << QString("3:C7 4:C9 2:C3 1:C1");
    }
    void deleteRows()
    {
        QFETCH(int, answer);
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        EditorFixture f;
        f.store.seed(
            { TempStore::row(1, "C1", "TV", 400, 4.5), TempStore::row(3, "C3", "TV", 300, 4.5),
                TempStore::row(7, "C7", "TV", 100, 4.5), TempStore::row(9, "C9", "TV", 200, 4.5) });
        QVERIFY(f.form->RefreshDataGrid(1, Form2::kOrderByFreq)); // C7, C9, C3, C1
        selectRows(f.form->grid(), { 0, 2 }); // C7 and C3
        f.messages.queueAnswers({ answer });
        f.form->ToolDsButtonClick(QStringLiteral("Delete"));
        QCOMPARE(f.messages.texts(), QStringList { CatalogueText(22) });
        QCOMPARE(listing(f.store.rows()), stored);
        QCOMPARE(gridListing(f.form->gridModel()), shown);
    }

    // Order numbers by frequency, channels sharing one keep their ID order.
    // A plan numbered so already but stored out of that order is rewritten:
    // Save and the grid after a Paste show the stored order.
    void renumbering()
    {
        EditorFixture f;
        f.store.seed({ TempStore::row(1, "A", "TV", 500, 4.5),
            TempStore::row(2, "B", "DIGI", 100, 8), TempStore::row(3, "C", "TV", 300, 4.5),
            TempStore::row(4, "D", "TV", 100, 6), TempStore::row(5, "E", "TV", 46, 4.5) });
        f.form->ToolDsButtonClick(QStringLiteral("Order"));
        QCOMPARE(gridListing(f.form->gridModel()), "1:E 2:B 3:D 4:C 5:A");
        f.store.seed(
            { TempStore::row(2, "B", "TV", 60, 4.5), TempStore::row(1, "A", "TV", 50, 4.5) });
        f.form->Renumber(QStringLiteral("ORDER BY ID"));
        QCOMPARE(listing(f.store.rows(QStringLiteral("SELECT * FROM ChannelPlanUser"))), "1:A 2:B");
    }

    // Which buttons each command enables ('E') or disables ('D'); '.' leaves
    // one as it was. Each from all enabled and from all disabled, so that
    // every button the command leaves alone shows as such.
    void buttonStates()
    {
        const std::tuple<const char *, const char *, int> cases[] = { // answer 1: a file is chosen
            { "Open", ".E.EDDEDE", 1 }, { "Open", ".........", 0 }, { "Save", "...ED..D.", 1 },
            { "Copy", "....DE...", 0 }, { "Paste", "....D..D.", 0 },
            { "Delete", "...EDD.D.", AnswerNo }, { "Insert", "...EDD.D.", AnswerYes },
            { "Order", "...EDD.D.", 0 }, { "open", ".........", 0 }
        }; // no such key
        for (const auto &[command, change, answer] : cases) {
            for (const QChar start : { QLatin1Char('E'), QLatin1Char('D') }) {
                EditorFixture f;
                f.store.seed(plan(4));
                QVERIFY(f.form->RefreshDataGrid(1, Form2::kOrderById));
                selectRows(f.form->grid(), { 1 });
                const QString file = f.store.dir() + QStringLiteral("/plan.txt");
                QVERIFY(PlanFile::write(file, {}, PlanFile::Encoding::Windows1252, nullptr));
                FileDialogs::queueAnswer(answer == 1 ? file : QString());
                if (answer > 1)
                    f.messages.queueAnswers({ answer });
                for (int i = 1; i <= 9; ++i)
                    f.form->setButtonEnabled(i, start == QLatin1Char('E'));
                // An enabled button is clicked; a disabled one cannot be, and
                // its command is run as the grid's keys run it.
                QAction *action = f.form->findChild<QAction *>(command);
                (action && action->isEnabled()) ? action->trigger()
                                                : f.form->ToolDsButtonClick(command);
                QCOMPARE(QString(command) + ' ' + f.buttonStates(),
                    QString(command) + ' ' + QString(change).replace(QLatin1Char('.'), start));
            }
        }
    }
};

QTEST_MAIN(RecordOperationsTest)
#include "tst_records_operations.moc"
