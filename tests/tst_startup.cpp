// The start-up window, the language of the run and the text catalogue.
#include "RecordingPrompter.h"
#include "ScriptedLink.h"
#include "TempStore.h"

#include "app/SingleInstance.h"
#include "app/StartupStore.h"
#include "app/ui/Form1.h"
#include "base/Language.h"
#include "base/QtTranslations.h"
#include "base/TextCatalogue.h"
#include "editor/EditorWindow.h"
#include "editor/PlanTableModel.h"
#include "store/ChannelStore.h"
#include "transfer/ProcessLink.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QtTest>

using namespace plandor;
using namespace plandor::test;

class StartupTest : public QObject
{
    Q_OBJECT

    ScriptedLink *m_link = nullptr;
    int m_linksMade = 0;

    std::unique_ptr<Form1> makeForm(QStringList ports, quint16 langId = kLangIdEnglishUS)
    {
        auto form = std::make_unique<Form1>([ports] { return ports; }, [langId] { return langId; });
        form->show();
        return form;
    }
    template <typename T> static T *child(Form1 &form, const char *name)
    {
        return form.findChild<T *>(QLatin1String(name));
    }

private slots:
    void init()
    {
        ProcessLink::reset();
        m_linksMade = 0;
        ProcessLink::setFactory([this] {
            ++m_linksMade;
            auto link = std::make_unique<ScriptedLink>();
            m_link = link.get();
            return link;
        });
    }
    void cleanup()
    {
        ProcessLink::reset();
        ProcessLink::setFactory({});
        LanguageOffset = kEnglishOffset;
    }

    void languageFollowsTheSystemLocale()
    {
        QCOMPARE(LangIdForLocaleName("zh_CN.UTF-8"), quint16(2052));
        QCOMPARE(LangIdForLocaleName("en_US.UTF-8"), quint16(1033));
        QCOMPARE(LangIdForLocaleName("ja_JP"), quint16(1041));
        QCOMPARE(LangIdForLocaleName("de-DE"), quint16(1031));
        QCOMPARE(LanguageOffsetFor(2052), kChineseOffset);
        QCOMPARE(LanguageOffsetFor(1033), kEnglishOffset);
        QCOMPARE(LanguageOffsetFor(1041), kEnglishOffset);
        QCOMPARE(LanguageOffsetFor(0), kEnglishOffset);
    }

    void catalogueHoldsBothLanguagesWhole()
    {
        QCOMPARE(TextCatalogue::keys().size(), 144);
        for (qint16 id = 1; id <= 72; ++id) {
            QVERIFY(!TextCatalogue::entry(id).isEmpty());
            QVERIFY(!TextCatalogue::entry(qint16(id + 500)).isEmpty());
        }
        QVERIFY(!TextCatalogue::contains(73) && !TextCatalogue::contains(573));
        // Blanks and quotes are part of the texts; the run's language picks.
        QCOMPARE(CatalogueText(45), QStringLiteral("    ID"));
        QCOMPARE(CatalogueText(38),
            QStringLiteral("You must set Tilt to \"N\" for channel to be disabled !"));
        LanguageOffset = kChineseOffset;
        QCOMPARE(CatalogueText(7), QStringLiteral("上传 "));
    }

    // Qt's own texts follow the run's language: a Chinese run's message box
    // buttons come from Qt's Chinese translation, an English run's stay English.
    void qtMessageBoxButtons()
    {
        QVERIFY2(QtTranslations::install(kChineseOffset),
            "qtbase_zh_CN.qm is missing (package qt6-translations-l10n)");
        QMessageBox chinese(QMessageBox::Question, "Plandor", "?", QMessageBox::Yes);
        QCOMPARE(
            chinese.button(QMessageBox::Yes)->text().remove(u'&').left(1), QStringLiteral("是"));
        QVERIFY(QtTranslations::install(kEnglishOffset));
        QMessageBox english(QMessageBox::Question, "Plandor", "?", QMessageBox::Yes);
        QCOMPARE(english.button(QMessageBox::Yes)->text(), QStringLiteral("&Yes"));
    }

    void portsShowInEnumerationOrderWithTheLastPreselected()
    {
        auto form = makeForm({ "COM3", "COM1", "COM4" });
        auto *ports = child<QComboBox>(*form, "Combo1");
        QCOMPARE(ports->count(), 3);
        QCOMPARE(ports->itemText(0) + ports->itemText(1), QStringLiteral("COM3COM1"));
        QCOMPARE(ports->currentText(), QStringLiteral("COM4"));
        auto *rates = child<QComboBox>(*form, "Combo2");
        QCOMPARE(rates->count(), 9);
        QCOMPARE(rates->itemText(8), QStringLiteral("256000"));
        QCOMPARE(rates->currentText(), QStringLiteral("9600"));
    }

    void captionsFollowTheSystemLanguageAndTheOptions()
    {
        auto chinese = makeForm({}, kLangIdChinesePRC);
        QCOMPARE(child<QPushButton>(*chinese, "Command1")->text(), QStringLiteral("确定"));
        QVERIFY(child<QRadioButton>(*chinese, "Option1")->isChecked());
        auto other = makeForm({}, 1041);
        QCOMPARE(child<QLabel>(*other, "Label2")->text(), QStringLiteral("COM"));
        QCOMPARE(child<QLabel>(*other, "XPForm1")->text(), QStringLiteral("Plandor V1.25"));
        QVERIFY(child<QRadioButton>(*other, "Option2")->isChecked());
        // A click on an option switches the language of the run.
        QTest::mouseClick(child<QRadioButton>(*other, "Option1"), Qt::LeftButton);
        QCOMPARE(LanguageOffset, kChineseOffset);
        QCOMPARE(child<QPushButton>(*other, "Command2")->text(), QStringLiteral("返回"));
        QTest::mouseClick(child<QRadioButton>(*other, "Option2"), Qt::LeftButton);
        QCOMPARE(child<QPushButton>(*other, "Command2")->text(), QStringLiteral("Cancel"));
    }

    void okHandsThePortToTheLink_data()
    {
        QTest::addColumn<QString>("portText");
        QTest::addColumn<int>("number");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("COM10") << "COM10" << 10 << QStringList();
        QTest::newRow("COM alone") << "COM" << 0 << QStringList();
        QTest::newRow("empty") << "" << 0 << QStringList();
        QTest::newRow("half to even") << "COM2.5" << 2 << QStringList();
        QTest::newRow("beyond 16 bits") << "COM99999" << 0 << QStringList();
        QTest::newRow("device path") << "/dev/ttyUSB0" << 0 << QStringList { "/dev/ttyUSB0" };
    }
    void okHandsThePortToTheLink()
    {
        QFETCH(QString, portText);
        QFETCH(int, number);
        QFETCH(QStringList, names);
        TempStore store;
        auto form = makeForm({ "COM1" });
        child<QComboBox>(*form, "Combo1")->setCurrentText(portText);
        // The baud rate is offered but changes nothing the link receives.
        child<QComboBox>(*form, "Combo2")->setCurrentText("115200");
        QTest::mouseClick(child<QPushButton>(*form, "Command1"), Qt::LeftButton);
        QCOMPARE(m_link->ports, QList<qint16> { qint16(number) });
        QCOMPARE(m_link->portNames, names);
        QVERIFY(form->editor() && form->editor()->isVisible());
        QVERIFY(!form->isVisible());
        form->editor()->close();
    }

    void cancelAndCloseEndWithoutAnEditor()
    {
        for (const char *button : { "Command2", "Command3" }) {
            auto form = makeForm({ "COM1" });
            QTest::mouseClick(child<QAbstractButton>(*form, button), Qt::LeftButton);
            QVERIFY(!form->editor());
            // No window is left open, so the program ends.
            const auto windows = QApplication::topLevelWidgets();
            for (QWidget *w : windows)
                QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
        }
        QVERIFY(m_link->ports.isEmpty());
        QCOMPARE(m_linksMade, 1); // created once, when the first window loaded
    }

    // A plan left in the store by the last run is shown when the editor
    // opens, with the buttons of a loaded plan.
    void planLeftInTheStoreIsShown()
    {
        TempStore store;
        store.seed(
            { TempStore::row(1, "A", "TV", 471.25, 6.5), TempStore::row(2, "B", "DIGI", 100, 8) });
        ChannelStore channels(store.path());
        auto form = makeForm({ "COM1" });
        form->setStore(&channels);
        QTest::mouseClick(child<QPushButton>(*form, "Command1"), Qt::LeftButton);
        EditorWindow *editor = form->editor();
        QVERIFY(editor);
        QCOMPARE(editor->model()->rowCount(), 2);
        QCOMPARE(editor->model()->index(0, 3).data().toString(), QStringLiteral("100.00"));
        QString states;
        for (int i = 0; i < kEditorCommandCount; ++i)
            states += editor->actions()->action(EditorCommand(i))->isEnabled() ? u'E' : u'D';
        QCOMPARE(states, QStringLiteral("EEEEDDEDE"));
        editor->close();
    }

    // The database is opened once the start-up window is on screen, or by
    // OK if that comes first; a damaged file is explained once either way.
    void databaseOpensAfterTheWindowIsShown()
    {
        for (const bool okFirst : { false, true }) {
            TempStore dir;
            QFile damaged(dir.path());
            QVERIFY(damaged.open(QIODevice::WriteOnly) && damaged.write(QByteArray(4096, 'x')) > 0);
            damaged.close();
            RecordingPrompter messages;
            StartupStore store(dir.path());
            auto form
                = std::make_unique<Form1>([] { return QStringList { QStringLiteral("COM1") }; },
                    [] { return kLangIdEnglishUS; });
            form->setStoreSource([&store] { return &store.store(); });
            form->show();
            store.openAfterFirstPaint(form.get());
            QVERIFY(!store.isOpened());
            if (okFirst) {
                QTest::mouseClick(child<QPushButton>(*form, "Command1"), Qt::LeftButton);
                QVERIFY(store.isOpened());
                QVERIFY(form->editor());
                form->editor()->close();
            } else {
                QTRY_VERIFY(store.isOpened());
            }
            QVERIFY(store.store().isOpen());
            QCOMPARE(messages.shown.size(), 1);
            QVERIFY(messages.texts().first().contains(QDir::toNativeSeparators(dir.path())));
        }
    }

    // One Plandor per database; a lock whose process is gone does not block.
    void onePlandorPerDatabase()
    {
        TempStore store;
        {
            SingleInstance first(store.path());
            QVERIFY(first.acquire());
            QSignalSpy woken(&first, &SingleInstance::wakeRequested);
            SingleInstance second(store.path());
            QVERIFY(!second.acquire());
            // The second start asks the first to come forward.
            QVERIFY(second.wakeHolder());
            QVERIFY(woken.wait());
            TempStore other; // another database is another matter
            SingleInstance elsewhere(other.path());
            QVERIFY(elsewhere.acquire());
        }
        SingleInstance afterFirst(store.path());
        QVERIFY(afterFirst.acquire());
        QVERIFY(!SingleInstance::alreadyRunningText().isEmpty());
    }

    // A run that is killed leaves no lock behind, whatever its lock file
    // still says.
    void lockOfACrashedRunIsTakenOver()
    {
        TempStore store;
        const QString lockPath = SingleInstance::lockPathFor(store.path());
        QProcess holder; // holds the lock as a running Plandor does
        holder.start(QStringLiteral("flock"),
            { QStringLiteral("-o"), lockPath, QStringLiteral("-c"),
                QStringLiteral("echo locked; read line") });
        QVERIFY(holder.waitForReadyRead());
        QCOMPARE(holder.readAllStandardOutput(), QByteArray("locked\n"));
        QVERIFY(!SingleInstance(store.path()).acquire());

        holder.kill();
        QVERIFY(holder.waitForFinished());
        holder.closeWriteChannel();
        QVERIFY(QFile::exists(lockPath));
        QVERIFY(SingleInstance(store.path()).acquire());
    }
};

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
