// Saving the plan and the panel to a text file and opening it again from the
// editor window: what Save takes from the store and the panel, what Open puts
// back, and that a refused file changes nothing. The file's own format and
// code pages are tst_planfile's.
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
    // Saved with Ctrl+S in the order the table keeps the rows and under the
    // panel's headings in the run's language; opened with Ctrl+O into an
    // empty window.
    void saveThenOpen()
    {
        EditorFixture f { 0 }; // a Chinese run
        f.load({ kPlan[2], kPlan[0], kPlan[1] });
        f.form->setCaption(QStringLiteral("Plan A"));
        panelTexts(*f.form, kPanel);
        QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
        const QString path = f.store.dir() + QStringLiteral("/plan.txt");
        FileDialogs::queueAnswer(path);
        QTest::keyClick(f.form.get(), Qt::Key_S, Qt::ControlModifier);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        QVERIFY2(lines.value(2).startsWith("3\t"), lines.value(2)); // in stored order
        QCOMPARE(
            lines.value(7), QStringEncoder("GB18030").encode('*' + CatalogueText(63)) + "\t3\r");

        EditorFixture g;
        QVERIFY(QTest::qWaitForWindowActive(g.form.get()));
        FileDialogs::queueAnswer(path);
        QTest::keyClick(g.form.get(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(g.buttonStates(), QStringLiteral("EEEEDDEDE"));
        QCOMPARE(g.store.rows(), kPlan);
        QCOMPARE(g.form->model()->order(), PlanOrder::ById);
        QCOMPARE(g.form->caption(), QStringLiteral("Plan A"));
        QCOMPARE(panelTexts(*g.form), kPanel);
    }

    // A file is taken whole or not at all, and a refused one says so.
    void open_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("taken");
        QTest::addColumn<QString>("message"); // the first line of the one message; empty: none
        QTest::newRow("Freq not a number")
            << QByteArray("c\r\n1\t2\tTV\tabc\t4.5\t\r\n") << false << CatalogueText(21);
        // No panel lines: the panel is blank, with no bandwidth to refuse.
        QTest::newRow("only a caption") << QByteArray("Only a caption") << true << QString();
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
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) > 0 && file.flush());
        FileDialogs::queueAnswer(file.fileName());
        f.form->run(EditorCommand::Open);

        QCOMPARE(f.messages.shown.size(), message.isEmpty() ? 0 : 1);
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
