// The editor as a desktop program: what it remembers from run to run (its
// place, each file question's folder, the recent plans), plan files dropped
// on it, Save as, Ctrl+Q, the manual and the About box, the keys of every
// command, the History window and the Port dialog from the keyboard. Each
// fixture keeps its settings beside its store.
#include "CliRun.h"
#include "EditorFixture.h"

#include "app/EditorLauncher.h"
#include "app/StartupChoice.h"
#include "app/StartupMemory.h"
#include "base/Language.h"
#include "base/ProgramVersion.h"
#include "base/TextCatalogue.h"
#include "editor/BulkEdits.h"
#include "editor/HelpDialogs.h"
#include "editor/HistoryDialog.h"
#include "editor/PlanExchange.h"
#include "editor/PlanPrint.h"
#include "editor/PlanTableModel.h"
#include "editor/PlanTools.h"
#include "editor/RecentPlans.h"
#include "editor/UndoCommands.h"
#include "editor/WindowCommands.h"
#include "store/PlanHistory.h"
#include "widgets/FileDialogs.h"
#include "widgets/PortDialog.h"

#include <QFileDialog>
#include <QMenu>
#include <QMimeData>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QToolBar>
#include <QtTest>

using namespace plandor;
using namespace plandor::test;

namespace {

const QList<ChannelValues> kPlan
    = { TempStore::row(1, "A", "TV", 55.25, 6.5), TempStore::row(2, "B", "TV", 61.25, 6.5) };
const QList<ChannelValues> kOther = { TempStore::row(1, "Z", "DIGI", 474, 8) };

// The question's dialog, as the last ask() left it.
QFileDialog *dialogOf(const EditorWindow &form, const char *name)
{
    return form.findChild<QFileDialog *>(QLatin1String(name));
}

// Drops data on the window as a file manager would; whether it was taken.
bool drop(EditorWindow &form, QMimeData *data)
{
    const QPoint at = form.rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&form, &enter);
    QDropEvent dropped(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&form, &dropped);
    return enter.isAccepted() && dropped.isAccepted();
}

// A key of the window, as the user presses it in the active window.
void press(EditorWindow &form, QKeyCombination keys)
{
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QTest::keyClick(&form, keys.key(), keys.keyboardModifiers());
}

// The program's editor, with every feature, over the fixture's store.
struct LaunchedEditor
{
    explicit LaunchedEditor(EditorFixture &f)
        : launcher([&f] { return &f.channels; })
    {
        launcher.open({ QStringLiteral("/dev/ttyS0"), 9600, kEnglishOffset });
        QCoreApplication::processEvents(); // the toolbar names its buttons once made
    }
    EditorWindow &editor() const { return *launcher.editor(); }
    EditorLauncher launcher;
};

} // namespace

class EditorDesktopTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_files;

    QString planFile(const QString &name, const QList<ChannelValues> &rows)
    {
        const QString path = m_files.filePath(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        return writePlanFile(path, rows) ? path : QString();
    }

private slots:
    // A new window (the next run) comes back where the last was closed, each
    // question in the folder of its own last answer, with the plan opened
    // among the recent plans.
    void settingsSurviveARestart()
    {
        EditorFixture f;
        const QString opened = planFile(QStringLiteral("open/a.txt"), kPlan);
        FileDialogs::queueAnswer(opened);
        f.click("Open");
        // Within the screen and above the least the window takes.
        const QSize size = f.form->minimumSizeHint() + QSize(24, 16);
        f.form->setGeometry(QRect(QPoint(40, 50), size));
        QVERIFY(f.form->close());
        f.form.reset();

        EditorWindow next(f.channels);
        QCOMPARE(next.size(), size);
        QCOMPARE(next.recentPlans()->paths(), QStringList { opened });
        next.show();
        FileDialogs::queueAnswer({}); // cancelled: only the dialog is looked at
        next.run(EditorCommand::Open);
        FileDialogs::queueAnswer({});
        next.run(EditorCommand::Save);
        QCOMPARE(dialogOf(next, "dlgrespondsource")->directory().path(),
            m_files.filePath(QStringLiteral("open")));
        // Save has an answer of its own still to come: the user's documents or home.
        QCOMPARE(dialogOf(next, "saveFileDialog")->directory().path(), FileDialogs::startFolder());
        QVERIFY(FileDialogs::startFolder() != QCoreApplication::applicationDirPath());
    }

    // Each question proposes a name with its own extension: Export CSV the
    // plan's name as a table, never the file just compared; Save the plan's
    // file; Save as (Ctrl+Shift+S) no name, and writes where it is told.
    void questionsProposeTheirOwnNames()
    {
        EditorFixture f;
        PlanExchange *x = PlanExchange::attach(*f.form);
        QVERIFY(f.form->openPlanFile(planFile(QStringLiteral("mine.txt"), kPlan)));
        FileDialogs::queueAnswer(planFile(QStringLiteral("compared/plan7.txt"), kOther));
        QVERIFY(x->compareWithFile());
        FileDialogs::queueAnswer({});
        QVERIFY(!x->exportCsv());
        const QStringList proposed = x->exportPrompt().dialog()->selectedFiles();
        QCOMPARE(QFileInfo(proposed.value(0)).fileName(), QStringLiteral("mine.csv"));
        QCOMPARE(x->exportPrompt().dialog()->nameFilters().value(0),
            QStringLiteral("CSV tables (*.csv)"));

        FileDialogs::queueAnswer({});
        f.click("Save");
        QCOMPARE(
            QFileInfo(dialogOf(*f.form, "saveFileDialog")->selectedFiles().value(0)).fileName(),
            QStringLiteral("mine.txt"));
        const QString copy = m_files.filePath(QStringLiteral("copy.txt"));
        FileDialogs::queueAnswer(copy);
        press(*f.form, Qt::CTRL | Qt::SHIFT | Qt::Key_S);
        QVERIFY(QFile::exists(copy));
        QCOMPARE(f.form->planPath(), copy);
        const QString proposedAs = dialogOf(*f.form, "saveFileDialog")->selectedFiles().value(0);
        QVERIFY2(QFileInfo(proposedAs).isDir(), qPrintable(proposedAs)); // no name, its folder
        QVERIFY(f.messages.shown.isEmpty());
    }

    // A dropped plan file opens as Open does, one step that Undo takes back;
    // a drop of anything else is refused and changes nothing.
    void droppedPlanFileOpens()
    {
        EditorFixture f;
        f.load(kPlan);
        QCoreApplication::processEvents(); // the loaded plan becomes a step of its own
        PlanUndo *undo = f.form->findChild<PlanUndo *>();
        QVERIFY(undo);
        const int steps = undo->stack()->count();
        for (const QString &name : { QStringLiteral("picture.png"), QStringLiteral("gone.txt") }) {
            QMimeData other;
            const QString path = m_files.filePath(name);
            if (name.endsWith(QLatin1String(".png")))
                QVERIFY(writePlanFile(path, kOther)); // a plan, but not by its name
            other.setUrls({ QUrl::fromLocalFile(path) });
            QVERIFY(!drop(*f.form, &other));
        }
        QMimeData text;
        text.setText(planFile(QStringLiteral("dropped.txt"), kOther));
        QVERIFY(!drop(*f.form, &text));
        QCoreApplication::processEvents();
        QCOMPARE(f.store.rows(), kPlan);
        QCOMPARE(undo->stack()->count(), steps);

        QMimeData file;
        file.setUrls({ QUrl::fromLocalFile(m_files.filePath(QStringLiteral("dropped.txt"))) });
        QVERIFY(drop(*f.form, &file));
        QTRY_COMPARE(f.store.rows(), kOther);
        QCOMPARE(undo->stack()->count(), steps + 1);
        undo->undo();
        QCOMPARE(f.store.rows(), kPlan);
        QVERIFY(f.messages.shown.isEmpty());
    }

    // The last eight plans, most recent first, a plan used again moving to
    // the top; the menu names the files and tells the path; a plan no longer
    // there is dropped with a message; Clear empties the list.
    void recentPlansKeepTheLastEight()
    {
        EditorFixture f;
        PlanExchange *x = PlanExchange::attach(*f.form);
        RecentPlans *recent = f.form->recentPlans();
        QStringList expected;
        for (int i = 1; i <= 10; ++i)
            expected.prepend(planFile(QStringLiteral("p%1.txt").arg(i), kPlan));
        for (int i = 10; i >= 1; --i)
            recent->add(expected[i - 1]);
        recent->add(expected[5]);
        expected.move(5, 0);
        expected = expected.mid(0, RecentPlans::kLimit);
        QCOMPARE(recent->paths(), expected);

        QList<QAction *> entries = x->recentMenu()->actions();
        QCOMPARE(entries.size(), 8 + 2); // the separator and Clear
        QCOMPARE(entries[0]->text(), QStringLiteral("&1 ") + QFileInfo(expected[0]).fileName());
        QCOMPARE(entries[0]->toolTip(), QDir::toNativeSeparators(expected[0]));

        QVERIFY(QFile::remove(expected[1]));
        entries[1]->trigger();
        QCOMPARE(f.messages.shown.size(), 1);
        QVERIFY(f.messages.texts()[0].contains(QDir::toNativeSeparators(expected[1])));
        QCOMPARE(f.form->model()->rowCount(), 0);
        QCOMPARE(recent->paths().size(), 7);
        QVERIFY(!recent->paths().contains(expected[1]));

        entries = x->recentMenu()->actions();
        entries[2]->trigger(); // p8, still there
        QCOMPARE(f.store.rows(), kPlan);
        QCOMPARE(recent->paths().value(0), expected[3]);

        x->recentMenu()->actions().constLast()->trigger(); // Clear
        QVERIFY(recent->paths().isEmpty());
        QCOMPARE(x->recentMenu()->actions().size(), 3); // "(none)", the separator, Clear
    }

    // A file that is not a plan opens nothing: false, the reason shown, the
    // plan and the undo stack as they were.
    void refusedFileKeepsThePlan()
    {
        EditorFixture f;
        f.load(kPlan);
        QCoreApplication::processEvents();
        const int steps = f.form->findChild<PlanUndo *>()->stack()->count();
        const QString path = m_files.filePath(QStringLiteral("notes.txt"));
        QFile notes(path);
        QVERIFY(notes.open(QIODevice::WriteOnly) && notes.write("shopping list\nmilk\n") > 0);
        notes.close();
        QVERIFY(!f.form->openPlanFile(path));
        QCOMPARE(f.messages.shown.size(), 1);
        QVERIFY(f.messages.texts()[0].startsWith(CatalogueText(21) + u'\n'));
        QCOMPARE(f.store.rows(), kPlan);
        QCOMPARE(f.form->findChild<PlanUndo *>()->stack()->count(), steps);
        QVERIFY(f.form->recentPlans()->paths().isEmpty());
    }

    // F1 shows the bundled manual in the run's language; About names the
    // version and the Qt in use; Ctrl+Q closes as the close box does, so a
    // refused edit keeps the window.
    void manualAboutAndQuit()
    {
        for (const qint16 language : { qint16(0), qint16(500) }) {
            EditorFixture f(language);
            press(*f.form, QKeyCombination(Qt::Key_F1));
            auto *manual = f.form->findChild<ManualDialog *>();
            QVERIFY(manual && manual->isVisible());
            const QString page = manual->browser()->toPlainText();
            QVERIFY2(page.contains(language == 0 ? QStringLiteral("撤销") : QStringLiteral("Undo"))
                    && page.contains(QStringLiteral("Ctrl+Shift+S")),
                qPrintable(page.left(200)));
        }
        EditorFixture f;
        AboutDialog *about = f.form->windowCommands()->showAbout();
        QVERIFY(about->text().contains(ProgramVersion::number()));
        QVERIFY(about->text().contains(QString::fromLatin1(qVersion())));
        QVERIFY(about->text().contains(QStringLiteral("may not be redistributed")));
        QCOMPARE(f.form->windowCommands()->saveAsAction()->toolTip(),
            QStringLiteral("Save as (Ctrl+Shift+S)"));

        f.load(kPlan);
        PlanTableModel *model = f.form->model();
        QVERIFY(model->setData(model->index(0, ColumnId), QStringLiteral("x")));
        press(*f.form, Qt::CTRL | Qt::Key_Q);
        QVERIFY(f.form->isVisible());
        QCOMPARE(f.messages.shown.size(), 1);
        model->revertPending();
        press(*f.form, Qt::CTRL | Qt::Key_Q);
        QVERIFY(!f.form->isVisible());
    }

    // Every command has keys of its own, and each toolbar button says them
    // in its tooltip; Ctrl+U reaches Upload.
    void everyCommandHasItsOwnKeys()
    {
        EditorFixture f;
        EditorWindow &editor = *f.form;
        PlanTools::attach(editor);
        PlanExchange::attach(editor);
        PlanPrint::attach(editor);
        BulkEdits::attach(editor);
        QCoreApplication::processEvents(); // the toolbar names its buttons once made
        QStringList problems;
        QHash<QKeySequence, QString> owners;
        for (QAction *action : editor.findChildren<QAction *>()) {
            for (const QKeySequence &keys : action->shortcuts()) {
                if (owners.contains(keys))
                    problems << keys.toString() + QStringLiteral(": ") + owners[keys]
                            + QStringLiteral(", ") + action->objectName();
                owners.insert(keys, action->objectName());
            }
        }
        for (QAction *action : editor.toolbar()->actions()) {
            const QString keys = action->shortcut().toString(QKeySequence::NativeText);
            if (!action->isSeparator()
                && (keys.isEmpty() || !action->toolTip().endsWith(" (" + keys + ')')))
                problems << action->objectName() + QStringLiteral(": ") + action->toolTip();
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
        QCOMPARE(editor.actions()->action(EditorCommand::Upload)->toolTip(),
            QStringLiteral("Upload (Ctrl+U)"));
        f.link->connectionResult = false;
        press(editor, Qt::CTRL | Qt::Key_U);
        QCOMPARE(f.messages.texts().value(0).section(u'\n', 0, 0), CatalogueText(16));
    }

    // Port (Ctrl+Shift+L) starts from the start-up window's choice; Escape
    // leaves it, Enter hands the new port and rate to the link at once and
    // keeps them for the next start.
    void portChangesWithoutARestart()
    {
        EditorFixture f;
        LaunchedEditor launched(f);
        EditorWindow &editor = launched.editor();
        editor.windowCommands()->setPortSource([] {
            return QStringList { QStringLiteral("/dev/ttyS0"), QStringLiteral("/dev/ttyUSB0") };
        });
        f.link->portNames.clear();
        for (const Qt::Key key : { Qt::Key_Escape, Qt::Key_Return }) {
            press(editor, Qt::CTRL | Qt::SHIFT | Qt::Key_L);
            auto *dialog = editor.findChild<PortDialog *>();
            QVERIFY(dialog && dialog->isVisible());
            QCOMPARE(dialog->setting(), (PortSetting { QStringLiteral("/dev/ttyS0"), 9600 }));
            QTRY_COMPARE(QApplication::focusWidget(), dialog->portBox());
            dialog->portBox()->setCurrentIndex(1);
            dialog->rateBox()->setCurrentText(QStringLiteral("115200"));
            QTest::keyClick(QApplication::focusWidget(), key);
            QTRY_VERIFY(!editor.findChild<PortDialog *>());
        }
        QCOMPARE(f.link->portNames, QStringList { QStringLiteral("/dev/ttyUSB0") });
        QCOMPARE(f.link->bauds.constLast(), 115200);
        QCOMPARE(StartupMemory::port(), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(StartupMemory::rate(), 115200);
    }

    // The History window from the keyboard: the list first, Tab on to Open,
    // Compare and Close and back; Escape closes; Enter opens the chosen plan.
    void historyFromTheKeyboard()
    {
        EditorFixture f;
        PlanHistory::setFolder(f.store.dir() + QStringLiteral("/history"));
        QVERIFY(PlanHistory::record(PlanHistory::Direction::Received, QString(), kOther, {}));
        PlanExchange::attach(*f.form);
        for (const Qt::Key key : { Qt::Key_Escape, Qt::Key_Return }) {
            press(*f.form, Qt::CTRL | Qt::Key_H);
            auto *dialog = f.form->findChild<HistoryDialog *>();
            QVERIFY(dialog && QTest::qWaitForWindowActive(dialog));
            QStringList reached;
            for (int i = 0; i < 4; ++i) {
                reached << dialog->focusWidget()->objectName();
                QTest::keyClick(dialog->focusWidget(), Qt::Key_Tab);
            }
            QCOMPARE(reached.join(u' '),
                QStringLiteral(
                    "historyTable historyOpenButton historyCompareButton historyCloseButton"));
            QCOMPARE(dialog->focusWidget(), dialog->table());
            QTest::keyClick(dialog->table(), key);
            QTRY_VERIFY(!dialog->isVisible());
            QCOMPARE(f.store.rows(), key == Qt::Key_Return ? kOther : QList<ChannelValues>());
        }
        PlanHistory::setFolder(QString());
    }
};

QTEST_MAIN(EditorDesktopTest)
#include "tst_editor_desktop.moc"
