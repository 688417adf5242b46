// The editor window as it opens and closes, the grid's view of the store, and
// the grid's model on its own under Qt's model tester.
#include "EditorFixture.h"

#include "base/TextCatalogue.h"
#include "editor/ChannelCountLabel.h"
#include "editor/PlanTableModel.h"
#include "editor/PlanTableView.h"

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QToolButton>
#include <QtTest>

using namespace plandor;
using namespace plandor::test;

namespace {

// Stored in this order; ID order and frequency order differ from it.
QList<ChannelValues> mixedPlan()
{
    return { TempStore::row(3, "C", "TV", 100.25, 4.5), TempStore::row(1, "A", "DIGI", 474, 8),
        TempStore::row(7, "D", "TV", 46, 6.5), TempStore::row(2, "B", "TV", 61.25, 5.5) };
}

} // namespace

class EditorWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void afterOpenAndClose_data()
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
    void afterOpenAndClose()
    {
        QFETCH(int, language);
        QFETCH(QStringList, headings);
        EditorFixture f { qint16(language) };
        EditorWindow &form = *f.form;
        QCOMPARE(form.objectName(), QStringLiteral("Form2"));
        QCOMPARE(form.view()->objectName(), QStringLiteral("Fregtable"));
        QCOMPARE(form.model()->rowCount(), 0);
        QStringList shown;
        for (int c = 0; c < 5; ++c)
            shown.append(form.model()->headerData(c, Qt::Horizontal).toString());
        QCOMPARE(shown, headings);
        QCOMPARE(f.buttonStates(), QStringLiteral("EDEDDDDDD"));
        QCOMPARE(f.unit()->count(), 2);
        QCOMPARE(f.unit()->currentIndex(), -1);
        QCOMPARE(form.caption(), CatalogueText(15));
        // The close button closes without a question and without writing.
        auto *command10 = form.findChild<QToolButton *>(QStringLiteral("Command10"));
        QVERIFY(command10 && form.isVisible());
        QTest::mouseClick(command10, Qt::LeftButton);
        QVERIFY(!form.isVisible());
        QVERIFY(f.messages.shown.isEmpty());
    }

    // A caption from a plan file is shown as its characters, markup and all.
    void captionIsPlainText()
    {
        EditorFixture f;
        const QString caption = QStringLiteral("<b>R&D</b> plan");
        f.form->setCaption(caption);
        QCOMPARE(f.form->caption(), caption);
        auto *label = f.form->findChild<QLabel *>(QStringLiteral("FregtableCaption"));
        QVERIFY(label);
        QCOMPARE(label->textFormat(), Qt::PlainText);
        QCOMPARE(label->text(), QStringLiteral("<b>R&&D</b> plan"));
    }

    // The channel count follows the plan and turns to a warning past what
    // the instrument holds.
    void channelCountBesideTheCaption()
    {
        EditorFixture f;
        auto *count = f.form->findChild<ChannelCountLabel *>(QStringLiteral("FregtableCount"));
        QVERIFY(count);
        QList<ChannelValues> rows;
        for (int i = 1; i <= 256; ++i)
            rows.append(TempStore::row(i, "C", "TV", 50.0 + i, 6.5));
        QVERIFY(f.form->replacePlan(rows.mid(0, 3), {}, QStringLiteral("x")));
        QCOMPARE(count->text(), QStringLiteral("3 / 255 channels"));
        QVERIFY(!count->overLimit());
        QVERIFY(f.form->replacePlan(rows, {}, QStringLiteral("x")));
        QCOMPARE(count->text(), QStringLiteral("256 / 255 channels"));
        QVERIFY(count->overLimit());
        QVERIFY(!count->toolTip().isEmpty());
    }

    void gridShowsThePlanInOrder()
    {
        EditorFixture f;
        f.load(mixedPlan(), PlanOrder::ByFreq);
        const PlanTableModel *model = f.form->model();
        QCOMPARE(gridTexts(model),
            (QStringList { "7 D TV 46.00 6.50", "2 B TV 61.25 5.50", "3 C TV 100.25 4.50",
                "1 A DIGI 474.00 8.00" }));
        // The cell's own text is the value in its shortest form.
        QCOMPARE(gridTexts(model, Qt::EditRole).first(), QStringLiteral("7 D TV 46 6.5"));
        QVERIFY(f.form->reload(PlanOrder::ById));
        QCOMPARE(gridTexts(model).first(), QStringLiteral("1 A DIGI 474.00 8.00"));
        // Columns 1750 twips wide, rows 300 high.
        PlanTableView *grid = f.form->view();
        const double dotsPerTwip = grid->logicalDpiX() / 1440.0;
        for (int c = 0; c < 5; ++c)
            QCOMPARE(grid->columnWidth(c), int(std::lround(1750 * dotsPerTwip)));
        QCOMPARE(grid->rowHeight(3), int(std::lround(300 * dotsPerTwip)));
        QVERIFY(f.messages.shown.isEmpty());
    }

    // A store that cannot be read leaves the grid as it was and says why.
    void reloadFailureKeepsTheGrid()
    {
        EditorFixture f;
        f.load(mixedPlan());
        const QStringList before = gridTexts(f.form->model());
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "drop");
            db.setDatabaseName(f.store.path());
            QVERIFY(db.open());
            QVERIFY(QSqlQuery(db).exec(QStringLiteral("DROP TABLE ChannelPlanUser")));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("drop"));
        QVERIFY(!f.form->reload(PlanOrder::ByFreq));
        QCOMPARE(f.messages.shown.size(), 1);
        QCOMPARE(f.messages.shown[0].style, int(StyleExclamationOk));
        QCOMPARE(gridTexts(f.form->model()), before);
    }

    // The model alone: edits stay in the row's buffer until the commit, a
    // row with the same ID as another is written by its own identity, and
    // a value the store cannot take keeps the row pending.
    void modelCommitsByIdentity()
    {
        TempStore temp;
        temp.seed(mixedPlan());
        ChannelStore store(temp.path());
        PlanTableModel model(store);
        QAbstractItemModelTester tester(
            &model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        RecordingPrompter messages;
        QVERIFY(model.reload(PlanOrder::ById)); // A B C D
        QSignalSpy committed(&model, &PlanTableModel::rowCommitted);
        QVERIFY(model.setData(model.index(3, ColumnId), QStringLiteral("2")));
        QVERIFY(!model.setData(model.index(3, ColumnId), QStringLiteral("2"))); // no change
        QCOMPARE(temp.rows(PlanOrder::Stored), mixedPlan()); // not yet written
        QCOMPARE(model.pendingRow(), 3);
        QVERIFY(model.setData(model.index(3, ColumnName), QStringLiteral("X")));
        QVERIFY(model.commitPending());
        QCOMPARE(committed.size(), 1);
        QCOMPARE(temp.rows(PlanOrder::Stored)[2], TempStore::row(2, "X", "TV", 46, 6.5));

        QVERIFY(model.setData(model.index(0, ColumnFreq), QStringLiteral("abc")) == false);
        QCOMPARE(messages.texts(), QStringList { CatalogueText(27) }); // 0 MHz: refused
        QVERIFY(model.setData(model.index(0, ColumnId), QStringLiteral("x")));
        QVERIFY(!model.commitPending());
        QCOMPARE(model.pendingRow(), 0);
        QCOMPARE(messages.shown.size(), 2);
        model.revertPending();
        QCOMPARE(model.index(0, ColumnId).data().toString(), QStringLiteral("1"));
    }
};

QTEST_MAIN(EditorWindowTest)
#include "tst_editor_window.moc"
