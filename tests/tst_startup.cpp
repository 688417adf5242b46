// The start-up window, the language of the run and the text catalogue.
#include "CliRun.h"
#include "RecordingPrompter.h"
#include "ScriptedLink.h"
#include "SmallDisk.h"
#include "TempStore.h"

#include "app/EditorLauncher.h"
#include "app/ProgramRun.h"
#include "app/SingleInstance.h"
#include "app/StartupMemory.h"
#include "app/StartupStore.h"
#include "app/ui/Form1.h"
#include "base/Language.h"
#include "base/QtTranslations.h"
#include "base/TextCatalogue.h"
#include "editor/EditorWindow.h"
#include "editor/PlanTableModel.h"
#include "editor/UndoCommands.h"
#include "transfer/ProcessLink.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QtTest>

#include <optional>
#include <unistd.h>

using namespace plandor;
using namespace plandor::test;

class StartupTest : public QObject
{
    Q_OBJECT

    ScriptedLink *m_link = nullptr; // the one the start-up window created
    QTemporaryDir m_settings; // the user's settings folder for this run

    std::unique_ptr<Form1> makeForm(QStringList ports, quint16 langId = kLangIdEnglishUS)
    {
        auto form = std::make_unique<Form1>([ports] { return ports; }, [langId] { return langId; });
        form->show();
        return form;
    }
    template <typename T = QAbstractButton> static T *child(Form1 &form, const char *name)
    {
        return form.findChild<T *>(QLatin1String(name));
    }

private slots:
    // The port and rate remembered by OK go to a folder of the test's own,
    // never to the user's settings. Qt reads XDG_CONFIG_HOME once, at the
    // first settings object of the process.
    void initTestCase()
    {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_settings.path()));
        QVERIFY2(StartupMemory::fileName().startsWith(m_settings.path() + '/'),
            qPrintable(StartupMemory::fileName()));
    }

    void init()
    {
        ProcessLink::reset();
        m_link = nullptr;
        ProcessLink::setFactory([this] {
            auto link = std::make_unique<ScriptedLink>();
            m_link = link.get();
            return link;
        });
        LanguageOffset = kEnglishOffset;
    }

    // The system locale gives the language identifier, and 2052 alone a
    // Chinese run: the captions; Option2 (English) is selected in either run,
    // and a click on an option switches the language of the run. The catalogue holds both
    // languages whole; Qt's own texts follow the run's language.
    void languageOfTheRun()
    {
        QCOMPARE(LangIdForLocaleName("zh-CN.UTF-8"), kLangIdChinesePRC);
        QCOMPARE(LangIdForLocaleName("zh_TW"), quint16(0x0404));
        auto form = makeForm({}, kLangIdChinesePRC);
        QCOMPARE(child(*form, "Command1")->text(), QStringLiteral("确定"));
        QVERIFY(child(*form, "Option2")->isChecked() && !child(*form, "Option1")->isChecked());
        QTest::mouseClick(child(*form, "Option2"), Qt::LeftButton);
        QCOMPARE(child(*form, "Command2")->text(), QStringLiteral("Cancel"));
        QTest::mouseClick(child(*form, "Option1"), Qt::LeftButton);
        QCOMPARE(child(*form, "Command2")->text(), QStringLiteral("返回"));

        QCOMPARE(TextCatalogue::keys().size(), 144);
        for (qint16 id = 1; id <= 72; ++id)
            QVERIFY(TextCatalogue::contains(id) && TextCatalogue::contains(id + 500));

        QVERIFY2(QtTranslations::install(kChineseOffset),
            "qtbase_zh_CN.qm is missing (package qt6-translations-l10n)");
        QMessageBox box(QMessageBox::Question, "Plandor", "?", QMessageBox::Yes);
        QVERIFY(box.button(QMessageBox::Yes)->text().startsWith(QStringLiteral("是")));
        QtTranslations::install(kEnglishOffset); // for the rest of the run
    }

    // The keyboard: the port box has the first focus (not the close button,
    // where Space would end the program), Enter in the port or rate box
    // accepts as OK does, Escape cancels; a click on a language's name
    // chooses it as a click on its option does.
    void keyboard()
    {
        for (const char *box : { "Combo1", "Combo2" }) {
            auto form = makeForm({ "COM3", "COM4" });
            QVERIFY(QTest::qWaitForWindowActive(form.get()));
            QCOMPARE(QApplication::focusWidget(), child<QComboBox>(*form, "Combo1"));
            QSignalSpy accepted(form.get(), &Form1::accepted);
            QTest::keyClick(child<QComboBox>(*form, box), Qt::Key_Return);
            QCOMPARE(accepted.size(), 1);
            QCOMPARE(accepted[0][0].value<StartupChoice>().port, QStringLiteral("COM4"));
            QVERIFY(!form->isVisible());
        }
        auto form = makeForm({ "COM3" });
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QCOMPARE(child(*form, "Command3")->focusPolicy(), Qt::NoFocus);
        QTest::mouseClick(child<QLabel>(*form, "Label4"), Qt::LeftButton);
        QVERIFY(child(*form, "Option1")->isChecked());
        QCOMPARE(child(*form, "Command2")->text(), QStringLiteral("返回"));
        QTest::mouseClick(child<QLabel>(*form, "Label5"), Qt::LeftButton);
        QVERIFY(child(*form, "Option2")->isChecked());
        QCOMPARE(child(*form, "Command2")->text(), QStringLiteral("Cancel"));
        QSignalSpy accepted(form.get(), &Form1::accepted);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(!form->isVisible());
        QCOMPARE(accepted.size(), 0);
    }

    // The window lists the ports in enumeration order with the last one
    // preselected, and the rates with 9600. OK hands the port to the link (a
    // device path by its name too) and opens the editor on the plan the last
    // run left in the store, in frequency order with the buttons of a loaded
    // plan; Cancel and Close open nothing. Either way no window is left open
    // but the editor.
    void buttons_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("portText");
        QTest::addColumn<QList<qint16>>("ports");
        QTest::addColumn<QStringList>("names");
        const auto add = [](const char *row, const char *button, const char *portText,
                             const QList<qint16> &ports, const QStringList &names = {}) {
            QTest::newRow(row) << QString(button) << QString(portText) << ports << names;
        };
        add("COM10", "Command1", "COM10", { 10 });
        add("empty", "Command1", "", { 0 });
        add("beyond 16 bits", "Command1", "COM99999", { 0 });
        add("device path", "Command1", "/dev/ttyUSB0", { 0 }, { "/dev/ttyUSB0" });
        add("Cancel", "Command2", "COM10", {});
        add("Close", "Command3", "COM10", {});
    }
    void buttons()
    {
        QFETCH(QString, button);
        QFETCH(QString, portText);
        QFETCH(QList<qint16>, ports);
        QFETCH(QStringList, names);
        TempStore seeded;
        seeded.seed(
            { TempStore::row(1, "A", "TV", 471.25, 6.5), TempStore::row(2, "B", "DIGI", 100, 8) });
        StartupStore store(seeded.path()); // opened by OK, as no paint came first
        auto form = makeForm({ "COM3", "COM1", "COM4" }, 1041);
        EditorLauncher launcher([&store] { return &store.store(); });
        launcher.follow(*form);
        auto *list = child<QComboBox>(*form, "Combo1");
        QCOMPARE(list->count(), 3);
        QCOMPARE(list->itemText(0) + list->itemText(1), QStringLiteral("COM3COM1"));
        QCOMPARE(list->currentText(), QStringLiteral("COM4"));
        auto *rates = child<QComboBox>(*form, "Combo2");
        QCOMPARE(rates->count(), 9);
        QCOMPARE(rates->itemText(8), QStringLiteral("256000"));
        QCOMPARE(rates->currentText(), QStringLiteral("9600"));
        QCOMPARE(child<QLabel>(*form, "XPForm1")->text(), QStringLiteral("Plandor V1.25"));
        QVERIFY(child(*form, "Option2")->isChecked());

        list->setCurrentText(portText);
        QTest::mouseClick(child(*form, qPrintable(button)), Qt::LeftButton);
        QVERIFY(m_link && ProcessLink::get() == m_link); // made when the window loaded
        QCOMPARE(m_link->ports, ports);
        QCOMPARE(m_link->portNames, names);
        EditorWindow *editor = launcher.editor();
        QCOMPARE(editor != nullptr, !ports.isEmpty());
        if (editor) {
            QCOMPARE(editor->model()->rowCount(), 2);
            // The caption is the program's name alone; the drawn title has the version.
            QCOMPARE(editor->windowTitle(), QStringLiteral("Plandor"));
            QCOMPARE(
                editor->findChild<QLabel *>("XPForm1")->text(), QStringLiteral("Plandor V1.25"));
            QCOMPARE(editor->model()->index(0, 3).data().toString(), QStringLiteral("100.00"));
            QVERIFY((editor->state() == EditorState { .planLoaded = true, .saveReady = true }));
            QVERIFY(editor->isVisible());
            editor->close();
        }
        for (QWidget *w : QApplication::topLevelWidgets())
            QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
    }

    // OK keeps the port and rate on disk for the next start: a first start
    // offers 9600 and the last port, a later one the accepted rate and the
    // accepted port while it is still listed.
    void rememberedPortAndRate()
    {
        QSettings(QStringLiteral("Plandor"), QStringLiteral("Plandor")).clear();
        const QStringList ports { "COM3", "COM1", "COM4" };
        const auto shown = [this](const QStringList &listed) {
            auto form = makeForm(listed);
            return child<QComboBox>(*form, "Combo1")->currentText() + ' '
                + child<QComboBox>(*form, "Combo2")->currentText();
        };
        QCOMPARE(shown(ports), QStringLiteral("COM4 9600"));
        {
            auto form = makeForm(ports);
            child<QComboBox>(*form, "Combo1")->setCurrentText("COM1");
            child<QComboBox>(*form, "Combo2")->setCurrentText("19200");
            QSignalSpy accepted(form.get(), &Form1::accepted);
            QTest::mouseClick(child(*form, "Command1"), Qt::LeftButton);
            QCOMPARE(accepted.size(), 1);
            QCOMPARE(accepted[0][0].value<StartupChoice>().portNumber(), qint16(1));
        }
        QVERIFY(QFileInfo(StartupMemory::fileName()).size() > 0);
        QCOMPARE(shown(ports), QStringLiteral("COM1 19200"));
        QCOMPARE(shown({ "COM3", "COM4" }), QStringLiteral("COM4 19200"));
    }

    // A plan file on the command line is opened once the start-up window is
    // accepted, as Open does: one step that Undo takes back to the stored
    // plan. A refused file is told of and the editor keeps the stored plan.
    void planFileOnTheCommandLine_data()
    {
        QTest::addColumn<bool>("readable");
        QTest::newRow("a plan file") << true;
        QTest::newRow("a refused file") << false;
    }
    void planFileOnTheCommandLine()
    {
        QFETCH(bool, readable);
        TempStore seeded;
        seeded.seed(
            { TempStore::row(1, "A", "TV", 471.25, 6.5), TempStore::row(2, "B", "DIGI", 100, 8) });
        const QString file = seeded.dir() + "/plan.txt";
        const QList<ChannelValues> planned { TempStore::row(1, "C", "TV", 55.25, 6.5),
            TempStore::row(2, "D", "TV", 61.25, 6.5), TempStore::row(3, "E", "DIGI", 114, 8) };
        if (readable) {
            QVERIFY(writePlanFile(file, planned));
        } else {
            QFile bytes(file);
            QVERIFY(bytes.open(QIODevice::WriteOnly) && bytes.write(QByteArray(64, '\0')) == 64);
        }
        const QList<ChannelValues> stored = seeded.rows();
        RecordingPrompter messages;
        ProgramStart run(seeded.path(), RunArguments { file });
        QVERIFY(run.begin());
        QVERIFY(!run.editor()); // not before OK
        messages.clear(); // what the port list said
        QTest::mouseClick(child(*run.startupWindow(), "Command1"), Qt::LeftButton);
        EditorWindow *editor = run.editor();
        QVERIFY(editor && editor->isVisible());
        QCOMPARE(messages.texts().size(), readable ? 0 : 1);
        QCOMPARE(editor->model()->rowCount(), readable ? 3 : 2);
        QCOMPARE(seeded.rows(), readable ? planned : stored);
        auto *undo = editor->findChild<PlanUndo *>();
        QVERIFY(undo);
        QCOMPARE(undo->stack()->count(), readable ? 1 : 0);
        if (readable) {
            undo->undo();
            QCOMPARE(seeded.rows(), stored);
            QCOMPARE(editor->model()->rowCount(), 2);
        }
        editor->close();
    }

    // What a start does with its database. One Plandor per database: the
    // second start asks the first to come forward, and a run that is killed
    // leaves no lock behind, whatever its lock file still says. The database
    // is opened once the start-up window is on screen (or by OK if that comes
    // first, above); a damaged file is explained once.
    void databaseAtStartUp()
    {
        TempStore store, other;
        {
            SingleInstance first(store.path());
            QCOMPARE(first.acquire(), SingleInstance::Outcome::Acquired);
            QSignalSpy woken(&first, &SingleInstance::wakeRequested);
            QVERIFY(SingleInstance(store.path()).wakeHolder());
            QVERIFY(woken.wait());
            // Another database is another matter.
            QCOMPARE(SingleInstance(other.path()).acquire(), SingleInstance::Outcome::Acquired);
        }
        const QString lockPath = SingleInstance::lockPathFor(store.path());
        QProcess holder; // holds the lock as a running Plandor does, once the first let go
        holder.start("flock", { "-o", lockPath, "-c", "echo locked; read line" });
        QVERIFY(holder.waitForReadyRead());
        QCOMPARE(SingleInstance(store.path()).acquire(), SingleInstance::Outcome::HeldByAnother);
        holder.kill();
        QVERIFY(holder.waitForFinished() && QFile::exists(lockPath));
        QCOMPARE(SingleInstance(store.path()).acquire(), SingleInstance::Outcome::Acquired);

        QFile damaged(store.path());
        QVERIFY(damaged.open(QIODevice::WriteOnly) && damaged.write(QByteArray(4096, 'x')) > 0
            && damaged.flush());
        RecordingPrompter messages;
        StartupStore opened(store.path());
        auto form = makeForm({ "COM1" });
        opened.openAfterFirstPaint(form.get());
        QVERIFY(!opened.isOpened());
        QTRY_VERIFY(opened.isOpened());
        QVERIFY(opened.store().isOpen()); // asked again: no second message
        QCOMPARE(messages.texts().size(), 1);
        QVERIFY(messages.texts().first().contains(QDir::toNativeSeparators(store.path())));
    }

    // A database that cannot be taken says why, with the path, in the run's
    // language: held by a running Plandor, a folder that cannot be written to
    // (read-only, which stops root too), or what the system reported.
    void lockRefused_data()
    {
        QTest::addColumn<SingleInstance::Outcome>("outcome");
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("told");
        using O = SingleInstance::Outcome;
        QTest::newRow("held by another run") << O::HeldByAnother << 500 << "already running";
        QTest::newRow("a read-only folder") << O::NotPermitted << 500 << "cannot be written to";
        QTest::newRow("a read-only folder, Chinese run") << O::NotPermitted << 0 << "不可写入";
        QTest::newRow("a folder at the lock's path") << O::Failed << 500 << "Is a directory";
    }
    void lockRefused()
    {
        QFETCH(SingleInstance::Outcome, outcome);
        QFETCH(int, language);
        QFETCH(QString, told);
        QTemporaryDir dir;
        QString folder = dir.path();
        std::optional<SmallDisk> readOnly;
        QProcess holder;
        if (outcome == SingleInstance::Outcome::NotPermitted) {
            folder = dir.filePath("data");
            QVERIFY(QDir().mkdir(folder));
            if (::geteuid() == 0) { // root writes into any folder but one on a read-only medium
                readOnly.emplace(folder, SmallDisk::Mode::ReadOnly);
                if (!readOnly->mounted())
                    QSKIP(qPrintable(readOnly->why()));
            } else {
                QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
            }
        }
        const QString database = folder + "/FileDB2000.db";
        if (outcome == SingleInstance::Outcome::HeldByAnother) {
            holder.start("flock",
                { "-o", SingleInstance::lockPathFor(database), "-c", "echo locked; read line" });
            QVERIFY(holder.waitForReadyRead());
        } else if (outcome == SingleInstance::Outcome::Failed) {
            QVERIFY(QDir().mkdir(SingleInstance::lockPathFor(database)));
        }
        LanguageOffset = qint16(language);
        SingleInstance instance(database);
        QCOMPARE(instance.acquire(), outcome);
        const QString text = instance.failureText();
        LanguageOffset = kEnglishOffset;
        QVERIFY2(text.contains(told) && text.contains(folder), qPrintable(text));
        QVERIFY2(
            !text.contains("already running") || outcome == SingleInstance::Outcome::HeldByAnother,
            qPrintable(text));
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        holder.kill();
        holder.waitForFinished();
    }
};

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
