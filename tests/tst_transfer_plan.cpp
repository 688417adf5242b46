// Reading the plan from the instrument (Upload) and sending it (Download),
// through the real toolbar against a scripted link.
#include "EditorFixture.h"
#include "OtherConnection.h"

#include "base/TextCatalogue.h"
#include "editor/PlanTableModel.h"
#include "rules/PlanSizeLimit.h"
#include "transfer/ProcessLink.h"

#include <QComboBox>
#include <QEventLoop>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>

using namespace plandor;
using namespace plandor::test;

namespace {

// A scripted link that can run code while the plan is being read, and give a
// reason for a failed call.
class HookedLink : public ScriptedLink
{
public:
    std::function<void()> duringRead;
    QString reason;

    bool ReadPlan(qint32 s, LinkRecordArray &r, FavoritesRecord &fav) override
    {
        if (duringRead)
            duringRead();
        return ScriptedLink::ReadPlan(s, r, fav);
    }
    QString lastError() const override { return reason; }
};

HookedLink *installHookedLink(EditorFixture &f)
{
    auto link = std::make_unique<HookedLink>();
    f.link = link.get();
    ProcessLink::set(std::move(link));
    return static_cast<HookedLink *>(f.link);
}

LinkRecord channel(
    const QString &name, const QString &type, float freq, float audio1, quint8 position = 0)
{
    return { 0, type, position, freq, 0, name, audio1, 0, {} };
}

const QList<LinkRecord> kThreeChannels = { channel("2", "TV", 55.25f, 6.5f, 1),
    channel("S1", "DIGI", 100.1f, 8.0f, 2), channel("21", "TV", 471.25f, 6.5f, 3) };

// What the scripted instrument hands out: these channels from lower bound 1,
// favourites 1 2 3 4 0 250, the span and the unit code.
void scriptRead(ScriptedLink *link, const QList<LinkRecord> &items = kThreeChannels,
    qint16 span = 8, quint8 unit = 1)
{
    link->planToRead = { 1, items };
    link->favoritesToRead = { 1, 2, 3, 4, 0, 250, span, unit, 0 };
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
    void uploadThenDownloadKeepsThePlan()
    {
        EditorFixture f;
        scriptRead(f.link, kThreeChannels, 8, 2);
        f.click("Upload");
        QCOMPARE(f.store.rows(),
            QList<ChannelValues>({ TempStore::row(1, "2", "TV", 55.25, 6.5),
                TempStore::row(2, "S1", "DIGI", 100.1, 8), // 100.1, not 100.0999984741
                TempStore::row(3, "21", "TV", 471.25, 6.5) }));
        QCOMPARE(panelTexts(*f.form), QStringList({ "1", "2", "3", "4", "8", "0", "250", "dBmV" }));
        QCOMPARE(f.form->caption(), CatalogueText(15));

        f.click("Download");
        QCOMPARE(f.link->calls,
            QStringList(
                { "CheckConnection", "ReadPlan", "CheckConnection", "WritePlan", "EndTransfer" }));
        QCOMPARE(f.link->writtenFavorites, f.link->favoritesToRead);
        QCOMPARE(f.link->writtenPlan, f.link->planToRead);
        QCOMPARE(f.messages.texts(), QStringList { CatalogueText(18) });
        QCOMPARE(f.messages.shown.first().style, int(StyleInformationOk));
        QCOMPARE(f.buttonStates(), kAfterTransfer);
    }

    // The received panel is written box by box, and each write is checked;
    // a unit code other than 1 or 2 leaves the unit as it was. The plan is
    // stored all the same.
    void receivedPanel_data()
    {
        QTest::addColumn<int>("favorite3");
        QTest::addColumn<int>("span");
        QTest::addColumn<int>("unit");
        QTest::addColumn<QStringList>("boxes"); // favourite 3, bandwidth, unit
        QTest::addColumn<QStringList>("messages");
        const QStringList id = { CatalogueText(67) }, bw = { CatalogueText(29) }, none;
        QTest::newRow("all good") << 3 << 7 << 1 << QStringList { "3", "7", "dBuV" } << none;
        QTest::newRow("favourite 251") << 251 << 7 << 0 << QStringList { "", "7", "dBmV" } << id;
        QTest::newRow("bandwidth 10") << 3 << 10 << 3 << QStringList { "3", "", "dBmV" } << bw;
        QTest::newRow("negative") << 3 << -5 << 1 << QStringList { "3", "", "dBuV" } << none;
    }
    void receivedPanel()
    {
        QFETCH(int, favorite3);
        QFETCH(int, span);
        QFETCH(int, unit);
        QFETCH(QStringList, boxes);
        QFETCH(QStringList, messages);
        EditorFixture f;
        withLoadedPlan(f, {});
        scriptRead(f.link, kThreeChannels, qint16(span), quint8(unit));
        f.link->favoritesToRead.Favorite3 = quint8(favorite3);
        f.click("Upload");
        QCOMPARE(f.messages.texts(), messages);
        QCOMPARE(panelTexts(*f.form),
            QStringList({ "1", "2", boxes[0], "4", boxes[1], "0", "250", boxes[2] }));
        QCOMPARE(f.store.rows().size(), 3);
    }

    // A failed read (the selector's letter runs into the first word), a reply
    // without channels, a store that refuses a row half-way (the plan goes in
    // as one transaction), or no instrument: the table, the toolbar and,
    // except for a store refusal, which comes after it, the panel stay as
    // they were. Text 0: the store's own error.
    void uploadChangesNothing_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<int>("text");
        QTest::addColumn<int>("style");
        QTest::newRow("read fails") << "read" << 65 << int(StyleInformationOk);
        QTest::newRow("no channels") << "empty" << 17 << int(StyleExclamationOk);
        QTest::newRow("store refuses") << "store" << 0 << int(StyleExclamationOk);
        QTest::newRow("unplugged") << "unplugged" << 16 << int(StyleExclamationOk);
    }
    void uploadChangesNothing()
    {
        QFETCH(QString, failure);
        QFETCH(int, text);
        QFETCH(int, style);
        EditorFixture f;
        HookedLink *link = installHookedLink(f);
        withLoadedPlan(f, kSeeded);
        const QString buttonsBefore = f.buttonStates();
        QList<LinkRecord> items = kThreeChannels;
        if (failure == "store") {
            QVERIFY(OtherConnection(f.store.path(),
                "CREATE TRIGGER refuse BEFORE INSERT ON ChannelPlanUser "
                "WHEN NEW.CHName = 'BAD' BEGIN SELECT RAISE(ABORT, 'refused'); END")
                        .ok());
            items.insert(2, channel("BAD", "TV", 300.0f, 6.5f));
        }
        scriptRead(link, failure == "empty" ? QList<LinkRecord> {} : items);
        link->readResult = failure != "read";
        const bool unplugged = failure == "unplugged";
        link->connectionResult = !unplugged;
        link->reason = "no reply"; // given below message 16 only
        f.click("Upload");
        QCOMPARE(f.messages.shown.size(), 1);
        const QString shown = f.messages.shown.first().text;
        if (text == 0)
            QVERIFY2(shown.contains("refused"), qPrintable(shown));
        else
            QCOMPARE(shown,
                (failure == "read" ? "A" : "") + CatalogueText(qint16(text))
                    + (unplugged ? "\nno reply" : ""));
        QCOMPARE(f.messages.shown.first().style, style);
        QCOMPARE(f.store.rows(), kSeeded);
        if (failure != "store") // the received panel is written before the plan is stored
            QCOMPARE(panelTexts(*f.form), kOwnPanel);
        QCOMPARE(f.buttonStates(), buttonsBefore);
        QVERIFY(f.form->progressBar()->isHidden());
        QVERIFY(!f.form->findChild<QTimer *>(QStringLiteral("Timer1"))->isActive());
    }

    // Channels go in frequency order, numbered 1..n, whatever their IDs. The panel goes as
    // its boxes hold it (an empty box as 0, the bandwidth rounded), with
    // Unit 1 when none is chosen (the panel's own button refuses then).
    void sentPlanAndPanel()
    {
        EditorFixture f;
        withLoadedPlan(f, kSeeded);
        panelTexts(*f.form, { "1", "", "250", "4", "9.9", "5", "6", "" });
        f.click("Download");
        QCOMPARE(f.link->writtenPlan,
            LinkRecordArray(1,
                { channel("2", "TV", 55.25f, 6.5f, 1), channel("S9", "DIGI", 100.5f, 8, 2),
                    channel("5", "TV", 300.25f, 6.5f, 3) }));
        QCOMPARE(f.link->writtenFavorites, FavoritesRecord({ 1, 0, 250, 4, 5, 6, 10, 1, 0 }));
        // The grid was re-queried in frequency order before the send.
        QCOMPARE(f.form->model()->cellText(0, ColumnName), QStringLiteral("2"));
    }

    // A channel the rules refuse (no name, no type) never reaches the
    // instrument: the user is told which, and nothing is written.
    void refusedChannelIsNotSent()
    {
        EditorFixture f;
        withLoadedPlan(f, QList(kSeeded) << ChannelValues { { 4, {}, {}, 862.0, {} } });
        f.click("Download");
        QVERIFY(!f.link->calls.contains(QStringLiteral("WritePlan")));
        const QStringList texts = f.messages.texts();
        QCOMPARE(texts.size(), 2);
        QVERIFY2(texts[0].contains(QStringLiteral("\n4 : ")), qPrintable(texts[0]));
        QCOMPARE(texts[1], CatalogueText(19));
    }

    // The link is given its pause after the write; a refused or empty result
    // ends with message 19. An empty plan or one past the 8-bit Position is
    // refused before the link sees it; unplugged, nothing changes.
    void download_data()
    {
        QTest::addColumn<int>("channels");
        QTest::addColumn<QVariantList>("results"); // connection, write, end
        QTest::addColumn<int>("calls");
        QTest::addColumn<QStringList>("messages");
        auto text = [](qint16 id) { return QStringList { CatalogueText(id) }; };
        const QStringList sent = text(18), failed = text(19);
        const QVariantList ok = { 1, 1, 1 };
        QTest::newRow("sent") << 3 << ok << 3 << sent;
        QTest::newRow("write refused: no end") << 3 << QVariantList { 1, 0, 1 } << 2 << failed;
        QTest::newRow("end refused") << 3 << QVariantList { 1, 1, 0 } << 3 << failed;
        QTest::newRow("unplugged") << 3 << QVariantList { 0, 1, 1 } << 1 << text(16);
        QTest::newRow("empty plan") << 0 << ok << 1 << text(20) + failed;
        QTest::newRow("256 channels")
            << 256 << ok << 1 << QStringList { PlanSizeLimit::tooLargeText(256) } + failed;
    }
    void download()
    {
        QFETCH(int, channels);
        QFETCH(QVariantList, results);
        QFETCH(int, calls);
        QFETCH(QStringList, messages);
        EditorFixture f;
        QList<ChannelValues> rows;
        for (int i = 1; i <= channels; ++i)
            rows.append(TempStore::row(i, "C", "TV", 50.0 + i, 6.5));
        withLoadedPlan(f, rows);
        const QString before = f.buttonStates();
        f.link->connectionResult = results[0].toInt() != 0;
        f.link->writePlanResult = results[1].toInt() != 0;
        f.link->endResult = results[2].toInt() != 0;
        QElapsedTimer clock;
        clock.start();
        f.click("Download");
        QCOMPARE(f.link->calls,
            QStringList({ "CheckConnection", "WritePlan", "EndTransfer" }).mid(0, calls));
        if (calls > 2)
            QVERIFY(clock.elapsed() >= 500); // the pause after an accepted write
        if (calls > 1)
            QCOMPARE(f.link->writtenPlan.items.size(), channels);
        QCOMPARE(f.messages.texts(), messages);
        QCOMPARE(f.buttonStates(), results[0].toInt() ? kAfterTransfer : before);
        QVERIFY(f.form->progressBar()->isHidden());
    }

    // While the plan is read the window runs its events (as a link waiting
    // for the instrument does): the timer moves the bar by 5 up to 97 and no
    // further, the toolbar is disabled, and only the end sets 100.
    void progressThroughTheTimer()
    {
        EditorFixture f;
        HookedLink *link = installHookedLink(f);
        scriptRead(link);
        QString buttonsDuringRead;
        link->duringRead = [&] {
            buttonsDuringRead = f.buttonStates();
            QEventLoop loop;
            QTimer::singleShot(600, &loop, &QEventLoop::quit);
            loop.exec();
        };
        QList<int> values;
        connect(f.form->progressBar(), &QProgressBar::valueChanged, this,
            [&values](int value) { values.append(value); });
        f.click("Upload");
        QCOMPARE(buttonsDuringRead, QStringLiteral("DDDDDDDDD"));
        QList<int> expected;
        for (int v = 2; v <= 97; v += 5)
            expected.append(v);
        QCOMPARE(values, expected << 100);
        QCOMPARE(f.buttonStates(), kAfterTransfer);
        QVERIFY(!f.form->findChild<QTimer *>(QStringLiteral("Timer1"))->isActive());
    }

    // Closing the window while the link waits: the window stays until the
    // transfer is over, then closes; the plan read is stored.
    void closeDuringATransfer()
    {
        EditorFixture f;
        HookedLink *link = installHookedLink(f);
        scriptRead(link);
        link->duringRead = [&] {
            f.form->close();
            QVERIFY(f.form->isVisible());
        };
        f.click("Upload");
        QTRY_VERIFY(!f.form->isVisible());
        QCOMPARE(f.store.rows().size(), 3);
    }
};

QTEST_MAIN(TransferPlanTest)
#include "tst_transfer_plan.moc"
