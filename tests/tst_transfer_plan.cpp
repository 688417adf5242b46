// Reading the plan from the instrument (Upload) and sending it (Download),
// through the real toolbar against a scripted link.
#include "EditorFixture.h"
#include "OtherConnection.h"

#include "base/TextCatalogue.h"
#include "rules/PlanSizeLimit.h"
#include "store/PlanHistory.h"

#include <QProgressBar>
#include <QTemporaryDir>
#include <QtTest>

using namespace plandor;
using namespace plandor::test;

namespace {

const QList<LinkRecord> kThreeChannels = { { 0, "TV", 1, 55.25f, 0, "2", 6.5f, 0, {} },
    { 0, "DIGI", 2, 100.1f, 0, "S1", 8.0f, 0, {} }, { 0, "TV", 3, 471.25f, 0, "21", 6.5f, 0, {} } };

// What the scripted instrument hands out: these channels from lower bound 1,
// favourites 1 2 3 4 0 250, the span and the unit code.
void scriptRead(EditorFixture &f, const QList<LinkRecord> &items = kThreeChannels, qint16 span = 8,
    quint8 unit = 1)
{
    f.link->planToRead = { 1, items };
    f.link->favoritesToRead = { 1, 2, 3, 4, 0, 250, span, unit, 0 };
}

const QStringList kOwnPanel = { "9", "8", "7", "6", "5", "4", "3", "dBmV" };

const QList<ChannelValues> kSeeded = { TempStore::row(1, "5", "TV", 300.25, 6.5),
    TempStore::row(2, "2", "TV", 55.25, 6.5), TempStore::row(3, "S9", "DIGI", 100.5, 8) };

// A plan loaded by other means (Download is enabled, as after Open), a panel of
// its own, and buttons a transfer must disable.
void withLoadedPlan(EditorFixture &f, const QList<ChannelValues> &rows)
{
    f.store.seed(rows);
    f.form->setState({ true, true, true, true, true, false });
    panelTexts(*f.form, kOwnPanel);
}

const QString kAfterTransfer = QStringLiteral("EEEEDDEDE");

} // namespace

class TransferPlanTest : public QObject
{
    Q_OBJECT

private slots:
    // What is read comes back unchanged when it is sent again.
    void uploadThenDownload()
    {
        EditorFixture f;
        scriptRead(f, kThreeChannels, 8, 2);
        f.click("Upload");
        QCOMPARE(f.store.rows(),
            QList<ChannelValues>({ TempStore::row(1, "2", "TV", 55.25, 6.5),
                TempStore::row(2, "S1", "DIGI", 100.1, 8), // 100.1, not 100.0999984741
                TempStore::row(3, "21", "TV", 471.25, 6.5) }));
        QCOMPARE(panelTexts(*f.form), QStringList({ "1", "2", "3", "4", "8", "0", "250", "dBmV" }));
        QCOMPARE(f.form->caption(), CatalogueText(15));

        f.click("Download");
        QCOMPARE(f.link->writtenFavorites, f.link->favoritesToRead);
        QCOMPARE(f.link->writtenPlan, f.link->planToRead);
        QCOMPARE(f.messages.texts(), QStringList { CatalogueText(18) });

        // The received panel is written box by box, and each write is
        // checked; a unit code other than 1 or 2 leaves the unit as it was.
        // The plan is stored all the same. (The units' codes: tst_cli.)
        f.messages.clear();
        f.store.seed({});
        scriptRead(f, kThreeChannels, 10, 3);
        f.link->favoritesToRead.Favorite3 = 251;
        f.click("Upload");
        QCOMPARE(f.messages.texts(), QStringList({ CatalogueText(67), CatalogueText(29) }));
        QCOMPARE(panelTexts(*f.form), QStringList({ "1", "2", "", "4", "", "0", "250", "dBmV" }));
        QCOMPARE(f.store.rows().size(), 3);

        // A history that cannot keep the plan does not undo a good transfer,
        // but the user is told, after the transfer's own message.
        QTemporaryDir dir;
        QFile blocker(dir.filePath("file"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        PlanHistory::setFolder(blocker.fileName() + "/history"); // under a file
        f.messages.clear();
        f.click("Download");
        PlanHistory::setFolder(QString());
        QCOMPARE(f.messages.texts().size(), 2);
        QCOMPARE(f.messages.texts()[0], CatalogueText(18));
        QVERIFY2(f.messages.texts()[1].startsWith("The transfer went through, but the plan could "
                                                  "not be kept in the history: "),
            qPrintable(f.messages.texts()[1]));
    }

    // A failed read (the selector's letter runs into the first word), a reply
    // without channels, a store that refuses a row half-way (the plan goes in
    // as one transaction), or no instrument: the table, the toolbar and,
    // except for a store refusal, which comes after it, the panel stay as
    // they were. Of the store's own error, a part.
    void uploadChangesNothing_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("read fails") << "A" + CatalogueText(65);
        QTest::newRow("no channels") << CatalogueText(17);
        QTest::newRow("store refuses") << QStringLiteral("refused");
        QTest::newRow("unplugged") << CatalogueText(16) + "\nno reply";
    }
    void uploadChangesNothing()
    {
        const QString failure = QTest::currentDataTag();
        QFETCH(QString, text);
        EditorFixture f;
        withLoadedPlan(f, kSeeded);
        const QString buttonsBefore = f.buttonStates();
        if (failure == "store refuses") // the last of the three
            QVERIFY(OtherConnection(f.store.path(),
                "CREATE TRIGGER refuse BEFORE INSERT ON ChannelPlanUser "
                "WHEN NEW.CHName = '21' BEGIN SELECT RAISE(ABORT, 'refused'); END")
                        .ok());
        scriptRead(f, failure == "no channels" ? QList<LinkRecord> {} : kThreeChannels);
        f.link->readResult = failure != "read fails";
        f.link->connectionResult = failure != "unplugged";
        f.link->reason = "no reply"; // given below message 16 only
        f.click("Upload");
        const QStringList shown = f.messages.texts();
        QVERIFY2(shown.size() == 1
                && (failure == "store refuses" ? shown[0].contains(text) : shown[0] == text),
            qPrintable(shown.join('\n')));
        QCOMPARE(f.store.rows(), kSeeded);
        if (failure != "store refuses") // the received panel is written before the plan is stored
            QCOMPARE(panelTexts(*f.form), kOwnPanel);
        QCOMPARE(f.buttonStates(), buttonsBefore);
    }

    // The link is given its pause after the write; a refused or empty result
    // ends with message 19. An empty plan, one past the 8-bit Position or one
    // with a channel the rules refuse (the last, at 2000 MHz) is refused
    // before the link sees it (the last two before the connection check); unplugged, nothing
    // changes.
    void download_data()
    {
        QTest::addColumn<int>("channels");
        QTest::addColumn<QString>("results"); // of the connection, the write, the end
        QTest::addColumn<int>("calls");
        QTest::addColumn<QStringList>("messages");
        const QString failed = CatalogueText(19);
        QTest::newRow("sent") << 3 << "111" << 3 << QStringList { CatalogueText(18) };
        QTest::newRow("write refused: no end") << 3 << "101" << 2 << QStringList { failed };
        QTest::newRow("end refused") << 3 << "110" << 3 << QStringList { failed };
        QTest::newRow("unplugged") << 3 << "011" << 1 << QStringList { CatalogueText(16) };
        QTest::newRow("empty plan") << 0 << "111" << 1 << QStringList { CatalogueText(20), failed };
        QTest::newRow("256 channels") // refused before the connection is checked
            << 256 << "111" << 0 << QStringList { PlanSizeLimit::tooLargeText(256), failed };
        QTest::newRow("a refused channel")
            << 3 << "111" << 0
            << QStringList { "The plan holds channels the rules refuse; nothing was sent:\n3 C: "
                       + CatalogueText(27),
                   failed };
    }
    void download()
    {
        QFETCH(int, channels);
        QFETCH(QString, results);
        QFETCH(int, calls);
        QFETCH(QStringList, messages);
        EditorFixture f;
        const bool refused = QTest::currentDataTag() == QLatin1String("a refused channel");
        QList<ChannelValues> rows;
        for (int i = 1; i <= channels; ++i)
            rows.append(
                TempStore::row(i, "C", "TV", refused && i == channels ? 2000 : 50.0 + i, 6.5));
        withLoadedPlan(f, rows);
        const QString before = f.buttonStates();
        f.link->connectionResult = results[0] == '1';
        f.link->writePlanResult = results[1] == '1';
        f.link->endResult = results[2] == '1';
        QElapsedTimer clock;
        clock.start();
        f.click("Download");
        QCOMPARE(f.link->calls,
            QStringList({ "CheckConnection", "WritePlan", "EndTransfer" }).mid(0, calls));
        if (calls > 2)
            QVERIFY(clock.elapsed() >= 500); // the pause after an accepted write
        QCOMPARE(f.messages.texts(), messages);
        QCOMPARE(f.buttonStates(), results[0] == '1' && calls > 0 ? kAfterTransfer : before);
        QVERIFY(f.form->progressBar()->isHidden());
    }

    // While the plan is read the window runs its events (as a link waiting
    // for the instrument does): the timer moves the bar by 5 up to 97 and no
    // further, the toolbar is disabled, and the end sets 100. Closing
    // the window meanwhile: it stays until the transfer is over, then
    // closes; the plan read is stored.
    void duringATransfer()
    {
        EditorFixture f;
        scriptRead(f);
        QString buttonsDuringRead;
        int barDuringRead = 0;
        f.link->duringRead = [&] {
            buttonsDuringRead = f.buttonStates();
            QEventLoop loop;
            QTimer::singleShot(600, &loop, &QEventLoop::quit);
            loop.exec();
            barDuringRead = f.form->progressBar()->value();
            f.form->close();
            QVERIFY(f.form->isVisible());
        };
        f.click("Upload");
        QCOMPARE(buttonsDuringRead, QStringLiteral("DDDDDDDDD"));
        QCOMPARE(barDuringRead, 97); // 2, 7, ... 97 in 600 ms, and no further
        QCOMPARE(f.form->progressBar()->value(), 100);
        QCOMPARE(f.buttonStates(), kAfterTransfer);
        QTRY_VERIFY(!f.form->isVisible());
        QCOMPARE(f.store.rows().size(), 3);
    }
};

QTEST_MAIN(TransferPlanTest)
#include "tst_transfer_plan.moc"
