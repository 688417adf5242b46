// History, Compare and CSV in the editor window: the real window over a
// store in a temporary folder, the simulated instrument on a pseudo-terminal
// and plandor-cli changing the instrument's plan behind the window's back.
#include "CliRun.h"
#include "EditorFixture.h"
#include "SimProcess.h"

#include "base/Language.h"
#include "base/TextCatalogue.h"
#include "editor/CompareDialog.h"
#include "editor/HistoryDialog.h"
#include "editor/PlanExchange.h"
#include "editor/UndoCommands.h"
#include "widgets/FileDialogs.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>
#include <QUndoStack>
#include <QtTest>

using namespace plandor;
using namespace plandor::test;

namespace {

constexpr auto kTesterMode = QAbstractItemModelTester::FailureReportingMode::QtTest;

// A command from the keyboard, as a user gives it, to the editor window.
void press(EditorFixture &f, QKeyCombination keys)
{
    f.form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
    QTest::keyClick(f.form.get(), keys.key(), keys.keyboardModifiers());
}

QList<ChannelValues> valuesOf(const std::optional<QList<StoredRow>> &table)
{
    QList<ChannelValues> values;
    for (const StoredRow &row : table.value_or(QList<StoredRow>()))
        values.append(row.values);
    return values;
}

void clickRow(QTableView *table, int row)
{
    const QRect cell = table->visualRect(table->model()->index(row, 0));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
}

const QList<ChannelValues> kPlan = {
    TempStore::row(1, QStringLiteral("中央"), QStringLiteral("TV"), 55.25, 6.5),
    TempStore::row(2, QStringLiteral("Été"), QStringLiteral("DIGI"), 474, 8),
    TempStore::row(3, QStringLiteral("C3"), QStringLiteral("TV"), 61.25, 4.5),
};

} // namespace

class TestPlanExchange : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<QTemporaryDir> m_history;

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid() && QDir().mkpath(m_dir.filePath("ports"))); }
    void init()
    {
        m_history = std::make_unique<QTemporaryDir>();
        PlanHistory::setFolder(m_history->path());
    }
    void cleanup() { PlanHistory::setFolder(QString()); }

    // The commands follow the window: Compare and Export need a plan,
    // nothing runs during a transfer, and an empty history says so.
    void commandsFollowTheWindow()
    {
        EditorFixture f;
        PlanExchange *x = PlanExchange::attach(*f.form);
        QCOMPARE(PlanExchange::attach(*f.form), x);
        QVERIFY(x->historyAction()->isEnabled() && x->importCsvAction()->isEnabled());
        QVERIFY(!x->compareInstrumentAction()->isEnabled() && !x->exportCsvAction()->isEnabled());
        f.load(kPlan);
        QVERIFY(x->compareInstrumentAction()->isEnabled() && x->compareFileAction()->isEnabled());
        EditorState busy = f.form->state();
        busy.busy = true;
        f.form->setState(busy);
        QVERIFY(!x->menuButton()->isEnabled() && !x->historyAction()->isEnabled());
        QVERIFY(!x->exportCsvAction()->isEnabled() && !x->importCsvAction()->isEnabled());
        busy.busy = false;
        f.form->setState(busy);
        QVERIFY(x->menuButton()->isEnabled());

        press(f, Qt::CTRL | Qt::Key_H);
        HistoryDialog *history = x->historyDialog();
        QTRY_VERIFY(history->isVisible());
        QVERIFY(history->findChild<QLabel *>("historyEmptyNote")->isVisible());
        QVERIFY(!history->findChild<QPushButton *>("historyOpenButton")->isEnabled());
    }

    // Compare with the instrument reads its plan and leaves the store, the
    // history and the undo stack alone; after plandor-cli changed the
    // instrument's plan it lists each kind of difference.
    void compareWithInstrument()
    {
        EditorFixture f;
        PlanExchange *x = PlanExchange::attach(*f.form);
        SimProcess sim(m_dir.filePath("compare.state"), m_dir.filePath("ports"));
        QVERIFY(sim.start());
        f.useSerialLink(sim.port());
        f.click("Upload");
        QVERIFY2(f.messages.shown.isEmpty(), qPrintable(f.messages.texts().join('\n')));
        const QList<ChannelValues> received = f.store.rows(PlanOrder::ByFreq);
        QVERIFY(received.size() >= 3);
        auto *undo = f.form->findChild<PlanUndo *>();
        QTRY_COMPARE(undo->stack()->count(), 1); // the Upload
        const auto table = f.channels.snapshot();

        press(f, Qt::CTRL | Qt::SHIFT | Qt::Key_I);
        QVERIFY2(f.messages.shown.isEmpty(), qPrintable(f.messages.texts().join('\n')));
        CompareDialog *view = x->compareDialog();
        QVERIFY(view && view->isVisible());
        QAbstractItemModelTester tester(view->model(), kTesterMode);
        QCOMPARE(view->summary(), QStringLiteral("The plans are the same"));
        QCOMPARE(view->model()->rowCount(), 0);

        // On the instrument: the first channel renamed, the last gone, one more.
        QList<ChannelValues> changed = received;
        changed.first().values[ColumnName] = QStringLiteral("X1");
        const ChannelValues gone = changed.takeLast();
        changed.append(TempStore::row(0, "Z9", "DIGI", 858.0, 8.0));
        const QString file = m_dir.filePath("changed.txt");
        QVERIFY(writePlanFile(file, changed));
        // The window keeps the port open after a transfer; a new link frees it.
        f.useSerialLink(sim.port());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PLANDOR_HISTORY_DIR", PlanHistory::folder());
        const CliResult sent = runCli({ "send", "--port", sim.port(), "--in", file }, env);
        QVERIFY2(sent.code == 0, qPrintable(sent.err));

        press(f, Qt::CTRL | Qt::SHIFT | Qt::Key_I);
        QVERIFY2(f.messages.shown.isEmpty(), qPrintable(f.messages.texts().join('\n')));
        QCOMPARE(view->summary(), QStringLiteral("3 channels differ"));
        QStringList rows = gridTexts(view->model()); // kind, other, current, fields
        rows.sort();
        QCOMPARE(rows.size(), 3);
        QVERIFY2(
            rows[0].startsWith("added  ID") && rows[0].contains(gone.values[ColumnName].toString()),
            qPrintable(rows[0]));
        QVERIFY2(rows[1].startsWith("changed ID")
                && rows[1].endsWith(" -> " + received.first().values[ColumnName].toString()),
            qPrintable(rows[1]));
        QVERIFY2(rows[2].startsWith("removed ID") && rows[2].contains(" Z9 DIGI 858 8  "),
            qPrintable(rows[2]));

        QCOMPARE(f.channels.snapshot(), table);
        QCOMPARE(undo->stack()->count(), 1);
        QCOMPARE(PlanHistory::entries().size(), 2); // the Upload and plandor-cli's send
    }

    // One entry per transfer; Open brings back an earlier plan as one step,
    // which Undo takes back; the entry last sent compares equal to the plan
    // it was sent from.
    void historyOpensAnEarlierPlan()
    {
        EditorFixture f;
        PlanExchange *x = PlanExchange::attach(*f.form);
        SimProcess sim(m_dir.filePath("history.state"), m_dir.filePath("ports"));
        QVERIFY(sim.start());
        f.useSerialLink(sim.port());
        f.click("Upload");
        const QList<ChannelValues> received = f.store.rows();
        const QList<ChannelValues> sentPlan = { TempStore::row(1, "S1", "TV", 55.25, 6.5),
            TempStore::row(2, "S2", "DIGI", 474, 8) };
        f.load(sentPlan);
        f.click("Download");
        QVERIFY2(f.messages.texts() == QStringList { CatalogueText(18) },
            qPrintable(f.messages.texts().join('\n')));
        f.messages.clear();
        const auto sentTable = f.channels.snapshot();

        press(f, Qt::CTRL | Qt::Key_H);
        HistoryDialog *history = x->historyDialog();
        QTRY_VERIFY(history->isVisible());
        QAbstractItemModelTester tester(history->model(), kTesterMode);
        QCOMPARE(history->model()->rowCount(), 2);
        const auto cell = [&](int row, int column) {
            return history->model()->index(row, column).data().toString();
        };
        QCOMPARE(cell(0, HistoryModel::DirectionColumn),
            PlanHistory::directionText(PlanHistory::Direction::Sent));
        QCOMPARE(cell(0, HistoryModel::CountColumn), QString::number(sentPlan.size()));
        QCOMPARE(cell(1, HistoryModel::DirectionColumn),
            PlanHistory::directionText(PlanHistory::Direction::Received));
        QCOMPARE(cell(1, HistoryModel::CountColumn), QString::number(received.size()));

        clickRow(history->table(), 1);
        QTest::mouseClick(history->findChild<QPushButton *>("historyOpenButton"), Qt::LeftButton);
        QVERIFY2(f.messages.shown.isEmpty(), qPrintable(f.messages.texts().join('\n')));
        QCOMPARE(f.store.rows(), received);
        auto *undo = f.form->findChild<PlanUndo *>();
        QCOMPARE(undo->stack()->text(undo->stack()->index() - 1), PlanUndo::historyName());

        history->close();
        press(f, Qt::CTRL | Qt::Key_Z);
        QCOMPARE(f.channels.snapshot(), sentTable);

        press(f, Qt::CTRL | Qt::Key_H);
        QTRY_VERIFY(history->isVisible());
        QTest::mouseClick(
            history->findChild<QPushButton *>("historyCompareButton"), Qt::LeftButton);
        QVERIFY(x->compareDialog() && x->compareDialog()->isVisible());
        QCOMPARE(x->compareDialog()->summary(), QStringLiteral("The plans are the same"));
        QCOMPARE(f.channels.snapshot(), sentTable);
    }

    // Export then Import gives back the same table, names in both scripts;
    // the panel stays, and Undo puts back the plan before the import.
    void csvRoundTrip()
    {
        EditorFixture f;
        PlanExchange::attach(*f.form);
        f.load(kPlan);
        const QList<ChannelValues> exported = valuesOf(f.channels.snapshot());
        const QString path = m_dir.filePath("plan.csv");
        FileDialogs::queueAnswer(path);
        press(f, Qt::CTRL | Qt::Key_E);
        QVERIFY2(f.messages.shown.isEmpty(), qPrintable(f.messages.texts().join('\n')));
        QVERIFY(QFileInfo(path).size() > 0);

        f.load({ TempStore::row(1, "A", "TV", 100, 6.5) });
        const QStringList panel
            = panelTexts(*f.form, { "1", "2", "3", "4", "8", "5", "6", "dBuV" });
        QCoreApplication::processEvents(); // the load becomes a step of its own
        const auto before = f.channels.snapshot();
        FileDialogs::queueAnswer(path);
        press(f, Qt::CTRL | Qt::Key_I);
        // The Chinese name is kept and marked, and told of as Open tells it.
        QCOMPARE(f.messages.shown.size(), 1);
        QVERIFY2(
            f.messages.texts()[0].contains(CatalogueText(59)), qPrintable(f.messages.texts()[0]));
        QCOMPARE(valuesOf(f.channels.snapshot()), exported);
        QCOMPARE(panelTexts(*f.form), panel);

        press(f, Qt::CTRL | Qt::Key_Z);
        QCOMPARE(f.channels.snapshot(), before);
    }

    // A refused table (the reasons are the table reader's) shows message 21
    // with the reason; the plan, the caption and the undo stack stay.
    void refusedCsvChangesNothing()
    {
        const QByteArray bytes = "1,C3,TV,fast,6.5\r\n";
        EditorFixture f;
        PlanExchange::attach(*f.form);
        f.load(kPlan);
        auto *undo = f.form->findChild<PlanUndo *>();
        QCoreApplication::processEvents();
        const int steps = undo->stack()->count();
        const auto table = f.channels.snapshot();
        const QString caption = f.form->caption();
        QFile file(m_dir.filePath("refused.csv"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        file.close();

        FileDialogs::queueAnswer(file.fileName());
        press(f, Qt::CTRL | Qt::Key_I);
        QCOMPARE(f.messages.shown.size(), 1);
        const QStringList lines = f.messages.shown[0].text.split('\n');
        QCOMPARE(lines.first(), CatalogueText(21));
        QVERIFY(lines.size() > 1 && !lines[1].isEmpty());
        QCOMPARE(f.channels.snapshot(), table);
        QCOMPARE(f.form->caption(), caption);
        QCoreApplication::processEvents();
        QCOMPARE(undo->stack()->count(), steps);
    }
};

QTEST_MAIN(TestPlanExchange)
#include "tst_plan_exchange.moc"
