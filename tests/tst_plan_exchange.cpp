// History, Compare and CSV in the editor window: the real window over a
// store in a temporary folder, the simulated instrument on a pseudo-terminal
// and plandor-cli changing the instrument's plan behind the window's back.
#include "CliRun.h"
#include "EditorFixture.h"
#include "SimProcess.h"
#include "SmallDisk.h"

#include "base/TextCatalogue.h"
#include "editor/CompareDialog.h"
#include "editor/HistoryDialog.h"
#include "editor/PlanExchange.h"
#include "editor/UndoCommands.h"
#include "widgets/FileDialogs.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
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

const QList<ChannelValues> kPlan = { TempStore::row(1, "中央", "TV", 55.25, 6.5),
    TempStore::row(2, "Été", "DIGI", 474, 8), TempStore::row(3, "C3", "TV", 61.25, 4.5) };

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

    // With the simulated instrument. History holds one entry per transfer;
    // Open brings back an earlier plan as one step, which Undo takes back, and
    // the entry last sent compares equal to the plan it was sent from. After
    // plandor-cli changed the instrument's plan, Compare with the instrument
    // and with the file it sent list each kind of difference and leave the
    // store, the history and the undo stack alone.
    void historyAndCompare()
    {
        EditorFixture f;
        PlanExchange *x = PlanExchange::attach(*f.form);
        SimProcess sim(m_dir.filePath("sim.state"), m_dir.filePath("ports"));
        QVERIFY(sim.start());
        f.useSerialLink(sim.port());
        f.click("Upload");
        const QList<ChannelValues> received = f.store.rows();
        auto *undo = f.form->findChild<PlanUndo *>();
        QTRY_COMPARE(undo->stack()->count(), 1); // the Upload

        const QList<ChannelValues> sentPlan = { TempStore::row(1, "S1", "TV", 55.25, 6.5),
            TempStore::row(2, "S2", "DIGI", 474, 8) };
        f.load(sentPlan);
        f.click("Download");
        f.messages.clear();
        const auto sentTable = f.channels.snapshot();

        press(f, Qt::CTRL | Qt::Key_H);
        HistoryDialog *history = x->historyDialog();
        QTRY_VERIFY(history->isVisible());
        QAbstractItemModelTester historyTester(history->model(), kTesterMode);
        QCOMPARE(history->model()->rowCount(), 2);
        QCOMPARE(history->model()->index(0, HistoryModel::DirectionColumn).data(),
            PlanHistory::directionText(PlanHistory::Direction::Sent));

        const QRect second = history->table()->visualRect(history->model()->index(1, 0));
        QTest::mouseClick(history->table()->viewport(), Qt::LeftButton, {}, second.center());
        QTest::mouseClick(history->findChild<QPushButton *>("historyOpenButton"), Qt::LeftButton);
        QVERIFY2(f.messages.shown.isEmpty(), qPrintable(f.messages.texts().join('\n')));
        QCOMPARE(f.store.rows(), received);
        press(f, Qt::CTRL | Qt::Key_Z);
        QCOMPARE(f.channels.snapshot(), sentTable);

        press(f, Qt::CTRL | Qt::Key_H);
        QTRY_VERIFY(history->isVisible());
        QTest::mouseClick(
            history->findChild<QPushButton *>("historyCompareButton"), Qt::LeftButton);
        CompareDialog *view = x->compareDialog();
        QVERIFY(view && view->isVisible());
        QAbstractItemModelTester tester(view->model(), kTesterMode);
        QCOMPARE(view->summary(), QStringLiteral("The plans are the same"));
        history->close();

        // On the instrument: the first channel renamed, the last gone, one more.
        const QList<ChannelValues> changed = { TempStore::row(1, "X1", "TV", 55.25, 6.5),
            TempStore::row(2, "Z9", "DIGI", 858, 8) };
        const QString file = m_dir.filePath("changed.txt");
        QVERIFY(writePlanFile(file, changed));
        // The window keeps the port open after a transfer; a new link frees it.
        f.useSerialLink(sim.port());
        qputenv("PLANDOR_HISTORY_DIR", QFile::encodeName(PlanHistory::folder()));
        QCOMPARE(runCli({ "send", "--port", sim.port(), "--in", file }).code, 0);
        const int steps = undo->stack()->count();

        const std::pair<QKeyCombination, QString> compares[]
            = { { Qt::CTRL | Qt::SHIFT | Qt::Key_I, QStringLiteral("Instrument") },
                  { Qt::CTRL | Qt::SHIFT | Qt::Key_F, QStringLiteral("changed.txt") } };
        for (const auto &[keys, other] : compares) {
            if (keys.key() == Qt::Key_F)
                FileDialogs::queueAnswer(file);
            press(f, keys);
            QCOMPARE(view->summary(), QStringLiteral("3 channels differ"));
            const QAbstractItemModel *differences = view->model();
            QCOMPARE(differences->headerData(DifferenceModel::OtherColumn, Qt::Horizontal), other);
            // Kind, the other plan's channel, the current one's, the fields.
            QCOMPARE(gridTexts(differences),
                QStringList({ "changed ID 1 X1 TV 55.25 6.5 ID 1 S1 TV 55.25 6.5 STD CH X1 -> S1",
                    "added  ID 2 S2 DIGI 474 8 ", "removed ID 2 Z9 DIGI 858 8  " }));
        }
        QCOMPARE(f.channels.snapshot(), sentTable);
        QCOMPARE(undo->stack()->count(), steps);
        QCOMPARE(PlanHistory::entries().size(), 3); // Upload, Download and plandor-cli's send
    }

    // Save and Export onto a full disk tell the user why with the path, and
    // leave the old file whole with no temporary file beside it.
    void fullDisk_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("Save") << "plan.txt";
        QTest::newRow("Export CSV") << "plan.csv";
    }
    void fullDisk()
    {
        QFETCH(QString, file);
        QTemporaryDir dir;
        const SmallDisk disk(dir.path());
        if (!disk.mounted())
            QSKIP(qPrintable(disk.why()));
        const QString path = dir.filePath(file);
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        old.close();
        QVERIFY(disk.fill());
        EditorFixture f;
        PlanExchange::attach(*f.form);
        f.load({ TempStore::row(1, "A", "TV", 55.25, 6.5) });
        FileDialogs::queueAnswer(path);
        if (file.endsWith(".csv"))
            press(f, Qt::CTRL | Qt::Key_E);
        else
            f.click("Save");
        QCOMPARE(f.messages.shown.size(), 1);
        QVERIFY2(f.messages.texts()[0].startsWith(path + "\n")
                && f.messages.texts()[0].size() > path.size() + 1,
            qPrintable(f.messages.texts()[0]));
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("old"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({ "filler", file }));
    }

    // Open and Save list "Plan files (*.txt)" and "All files (*)", the second for
    // every file, a name without a dot too.
    void fileDialogFilters()
    {
        QFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog); // the one whose lists can be read
        FileDialogs::prepare(&dialog);
        auto *shown = dialog.findChild<QComboBox *>("fileTypeCombo");
        QVERIFY(shown);
        QCOMPARE(QStringList({ shown->itemText(0), shown->itemText(1) }),
            QStringList({ "Plan files (*.txt)", "All files (*)" }));
        QCOMPARE(shown->count(), 2);
        auto *files = dialog.findChild<QFileSystemModel *>();
        QVERIFY(files);
        QCOMPARE(files->nameFilters(), QStringList { "*.txt" });
        dialog.selectNameFilter(dialog.nameFilters().value(1));
        QCOMPARE(files->nameFilters(), QStringList { "*" });
    }

    // Export then Import gives back the same table, names in both scripts;
    // the panel stays, and Undo puts back the plan before the import. A
    // refused table (the reasons are the table reader's) shows message 21
    // with the reason; the plan, the caption and the undo stack stay.
    // Compare and Export need a plan, and nothing runs during a transfer.
    void csvExportImport()
    {
        EditorFixture f;
        PlanExchange *x = PlanExchange::attach(*f.form);
        QVERIFY(x->historyAction()->isEnabled() && x->importCsvAction()->isEnabled());
        QVERIFY(!x->compareInstrumentAction()->isEnabled() && !x->exportCsvAction()->isEnabled());
        f.load(kPlan);
        QVERIFY(x->compareInstrumentAction()->isEnabled() && x->compareFileAction()->isEnabled());
        const QString path = m_dir.filePath("plan.csv");
        FileDialogs::queueAnswer(path);
        press(f, Qt::CTRL | Qt::Key_E);

        f.load({ TempStore::row(1, "A", "TV", 100, 6.5) });
        f.form->setCaption(QStringLiteral("mine"));
        const QStringList panel
            = panelTexts(*f.form, { "1", "2", "3", "4", "8", "5", "6", "dBuV" });
        QCoreApplication::processEvents(); // the load becomes a step of its own
        auto *undo = f.form->findChild<PlanUndo *>();
        const int steps = undo->stack()->count();
        const auto before = f.channels.snapshot();
        QFile refused(m_dir.filePath("refused.csv"));
        QVERIFY(refused.open(QIODevice::WriteOnly) && refused.write("1,C3,TV,fast,6.5\r\n") > 0);
        refused.close();
        FileDialogs::queueAnswer(refused.fileName());
        press(f, Qt::CTRL | Qt::Key_I);
        QCOMPARE(f.messages.texts(),
            QStringList { CatalogueText(21)
                + "\nLine 1, column Frequency (MHz): \"fast\" is not a value of this column." });
        QCOMPARE(f.channels.snapshot(), before);
        QCOMPARE(f.form->caption(), QStringLiteral("mine"));
        QCoreApplication::processEvents();
        QCOMPARE(undo->stack()->count(), steps);

        f.messages.clear();
        FileDialogs::queueAnswer(path);
        press(f, Qt::CTRL | Qt::Key_I);
        // The Chinese name is kept and marked, and told of as Open tells it.
        QCOMPARE(f.messages.shown.size(), 1);
        QVERIFY2(
            f.messages.texts()[0].contains(CatalogueText(59)), qPrintable(f.messages.texts()[0]));
        QCOMPARE(f.store.rows(PlanOrder::Stored), kPlan);
        QCOMPARE(panelTexts(*f.form), panel);

        press(f, Qt::CTRL | Qt::Key_Z);
        QCOMPARE(f.channels.snapshot(), before);

        EditorState busy = f.form->state();
        busy.busy = true;
        f.form->setState(busy);
        QVERIFY(!x->menuButton()->isEnabled() && !x->historyAction()->isEnabled());
        QVERIFY(!x->exportCsvAction()->isEnabled() && !x->importCsvAction()->isEnabled());
    }
};

QTEST_MAIN(TestPlanExchange)
#include "tst_plan_exchange.moc"
