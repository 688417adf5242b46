// Saving the plan and the panel to a text file and opening it again from the
// editor window: what the file holds, what an opened file restores, and that
// a refused file changes nothing.
#include "EditorFixture.h"

#include "base/TextCatalogue.h"
#include "editor/PlanTableModel.h"
#include "widgets/FileDialogs.h"

#include <QFile>
#include <QStringEncoder>
#include <QtTest>

using namespace plandor;
using namespace plandor::test;

namespace {

// A name that must be stored as text, and one that survives the reader's quote rule.
const QList<ChannelValues> kPlan = { TempStore::row(1, "2", "TV", 55.25, 4.5),
    TempStore::row(2, "x'); DROP TABLE ChannelPlanUser;--", "DIGI", 100.1, 8),
    TempStore::row(3, "\"Q\"", "TV", 471.25, 6.5) };

// The panel's boxes Text1(0..6), the span in box 4, then the unit.
const QStringList kPanel = { "1", "2", "3", "4", "7.5", "5", "250", "dBmV" };

} // namespace

class RecordsPlanFileTest : public QObject
{
    Q_OBJECT

private slots:
    void saveThenOpen_data()
    {
        QTest::addColumn<int>("savedIn");
        QTest::addColumn<int>("openedIn");
        QTest::newRow("Chinese file, English run") << 0 << 500;
        QTest::newRow("English file, Chinese run") << 500 << 0;
    }
    // Saved with Ctrl+S, which does nothing while Save is disabled, and opened
    // with Ctrl+O.
    void saveThenOpen()
    {
        QFETCH(int, savedIn);
        QFETCH(int, openedIn);
        EditorFixture f { qint16(savedIn) };
        f.store.seed(kPlan);
        panelTexts(*f.form, kPanel);
        QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
        const QString path = f.store.dir() + QStringLiteral("/plan.txt");
        for (bool enabled : { false, true }) {
            f.form->setState({ true, enabled, false, false, false, false });
            FileDialogs::clearQueue();
            FileDialogs::queueAnswer(path);
            QTest::keyClick(f.form.get(), Qt::Key_S, Qt::ControlModifier);
            QCOMPARE(QFile::exists(path), enabled);
        }

        // In the code page of the language it was saved in.
        QStringEncoder encoder(savedIn == 0 ? "GB18030" : "windows-1252");
        const QString caption = f.form->caption();
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        QCOMPARE(lines[0], QByteArray(encoder.encode(caption)) + "\r");
        QCOMPARE(lines[7], QByteArray(encoder.encode('*' + CatalogueText(63))) + "\t3\r");
        QCOMPARE(lines[12], QByteArray("*Span\t7.5\r")); // after the 3 rows

        // Opened into an empty window in the other language.
        EditorFixture g { qint16(openedIn) };
        QVERIFY(QTest::qWaitForWindowActive(g.form.get()));
        FileDialogs::queueAnswer(path);
        QTest::keyClick(g.form.get(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(g.buttonStates(), QStringLiteral("EEEEDDEDE"));
        QCOMPARE(g.store.rows(), kPlan);
        QCOMPARE(g.form->model()->order(), PlanOrder::ById);
        QCOMPARE(g.form->caption(), caption);
        QCOMPARE(panelTexts(*g.form), kPanel);
    }

    // A file is taken whole or not at all, and a refused one says so.
    void open_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("taken");
        QTest::addColumn<QString>("message"); // the first line of the one message
        auto add = [](const char *name, const QByteArray &bytes, bool taken, qint16 message) {
            QTest::newRow(name) << bytes << taken << CatalogueText(message);
        };
        const QByteArray row = "c\r\n1\t2\tTV\t55.25\t4.5\t\r\n";
        add("Freq not a number", QByteArray(row).replace("55.25", "abc"), false, 21);
        // The span becomes 0, which the panel check refuses and empties.
        add("only a caption", "Only a caption", true, 29);
    }
    void open()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, taken);
        QFETCH(QString, message);
        EditorFixture f;
        f.load(kPlan);
        panelTexts(*f.form, kPanel);
        const QString before = f.buttonStates();
        QFile file(f.store.dir() + QStringLiteral("/plan.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) > 0);
        file.close();
        FileDialogs::queueAnswer(file.fileName());
        f.form->run(EditorCommand::Open);

        QCOMPARE(f.messages.shown.size(), 1);
        QCOMPARE(f.messages.texts().value(0).section(QLatin1Char('\n'), 0, 0), message);
        QCOMPARE(f.store.rows(), taken ? QList<ChannelValues>() : kPlan);
        QCOMPARE(f.form->model()->rowCount(), taken ? 0 : kPlan.size());
        QCOMPARE(f.form->caption(), taken ? QString::fromLatin1(bytes) : CatalogueText(15));
        QCOMPARE(panelTexts(*f.form), taken ? QStringList(8, QString()) : kPanel);
        if (!taken)
            QCOMPARE(f.buttonStates(), before);
    }

    // Nothing is written, and the message says why.
    void saveRefused()
    {
        const std::tuple<bool, QString, QString> cases[] = { // plan, file, message
            { false, "/never.txt", CatalogueText(20) }, // not even a dialog
            { true, "/missing/plan.txt", "plan.txt" }
        };
        for (const auto &[seeded, file, message] : cases) {
            EditorFixture f;
            f.store.seed(seeded ? kPlan : QList<ChannelValues>());
            FileDialogs::queueAnswer(f.store.dir() + file);
            f.form->run(EditorCommand::Save);
            QCOMPARE(f.messages.shown.size(), 1);
            QVERIFY2(f.messages.shown[0].text.contains(message), qPrintable(message));
            QVERIFY(!QFile::exists(f.store.dir() + file));
        }
    }
};

QTEST_MAIN(RecordsPlanFileTest)
#include "tst_records_planfile.moc"
