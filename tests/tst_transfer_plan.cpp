// Reading the plan from the instrument (Upload) and sending it (Download),
// through the real toolbar against a scripted link.
#include "EditorFixture.h"

#include "app/TextCatalogue.h"
#include "editor/PlanGridModel.h"
#include "store/StoreConnection.h"
#include "transfer/PlanSizeLimit.h"
#include "transfer/ProcessLink.h"

#include <QComboBox>
#include <QEventLoop>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
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

    QVariant ReadPlan(
        qint32 selector, LinkRecordArray &records, FavoritesRecord &favorites) override
    {
        if (duringRead)
            duringRead();
        return ScriptedLink::ReadPlan(selector, records, favorites);
    }
    QString lastError() const override { return reason; }
};

HookedLink *installHookedLink(EditorFixture &f)
{
    auto link = std::make_unique<HookedLink>();
    HookedLink *raw = link.get();
    ProcessLink::set(std::move(link));
    f.link = raw;
    return raw;
}

void click(EditorFixture &f, const char *key)
{
    auto *button = f.form->findChild<QToolButton *>(QStringLiteral("ToolDs_") + key);
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton);
}

LinkRecord channel(const QString &name, const QString &type, float freq, float audio1)
{
    LinkRecord record;
    record.Name = name;
    record.Type = type;
    record.Freq = freq;
    record.Audio1 = audio1;
    return record;
}

LinkRecordArray plan(int lowerBound, const QList<LinkRecord> &items)
{
    LinkRecordArray array;
    array.lowerBound = lowerBound;
    array.items = items;
    return array;
}

const QList<LinkRecord> kThreeChannels = {
    channel("2", "TV", 55.25f, 6.5f),
    channel("S1", "DIGI", 100.1f, 8.0f),
    channel("21", "TV", 471.25f, 6.5f),
};

FavoritesRecord favorites(qint16 span, quint8 unit)
{
    FavoritesRecord record;
    record.Favorite1 = 1;
    record.Favorite2 = 2;
    record.Favorite3 = 3;
    record.Favorite4 = 4;
    record.Favorite5 = 0;
    record.Favorite6 = 250;
    record.Span = span;
    record.Unit = unit;
    return record;
}

QStringList panelTexts(const Form2 &form)
{
    QStringList texts;
    for (int i = 0; i < 7; ++i)
        texts.append(form.text1(i)->text());
    return texts << form.combo5()->currentText();
}

void setPanel(Form2 &form, const QStringList &texts, const QString &unit)
{
    for (int i = 0; i < 7; ++i)
        form.text1(i)->setText(texts.value(i));
    form.combo5()->setCurrentIndex(form.combo5()->findText(unit));
}

QList<ChannelValues> seededPlan()
{
    return { TempStore::row(1, "5", "TV", 300.25, 6.5), TempStore::row(2, "2", "TV", 55.25, 6.5),
        TempStore::row(3, "S9", "DIGI", 100.5, 8) };
}

// A plan loaded by other means: Download is enabled, as after Open.
void withLoadedPlan(EditorFixture &f, const QList<ChannelValues> &rows)
{
    f.store.seed(rows);
    f.form->RefreshDataGrid();
    f.form->setButtonsEnabled({ 2, 4, 7, 9 }, true);
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
        f.link->planToRead = plan(1, kThreeChannels);
        f.link->favoritesToRead = favorites(8, 2);
        click(f, "Upload");

        QCOMPARE(f.link->calls, QStringList({ "CheckConnection", "ReadPlan" }));
        QCOMPARE(f.link->lastSelector, 0);
        QVERIFY(f.messages.shown.isEmpty());
        QCOMPARE(f.form->LoadOk, QStringLiteral("Yes"));
        QCOMPARE(f.store.rows(),
            QList<ChannelValues>({ TempStore::row(1, "2", "TV", 55.25, 6.5),
                TempStore::row(2, "S1", "DIGI", 100.1, 8), // 100.1, not 100.0999984741
                TempStore::row(3, "21", "TV", 471.25, 6.5) }));
        QCOMPARE(panelTexts(*f.form), QStringList({ "1", "2", "3", "4", "8", "0", "250", "dBmV" }));
        QCOMPARE(f.form->SpanValue, 8.0f);
        QCOMPARE(f.form->gridModel()->rowCount(), 3);
        QCOMPARE(f.form->gridModel()->cellText(1, ColumnName), QStringLiteral("S1"));
        QCOMPARE(f.form->gridCaption(), CatalogueText(15));
        QCOMPARE(f.buttonStates(), kAfterTransfer);
        QVERIFY(f.form->progressBar()->isHidden());
        QVERIFY(!f.form->timer1()->isActive());

        f.link->calls.clear();
        click(f, "Download");
        QCOMPARE(f.link->calls, QStringList({ "CheckConnection", "WritePlan", "EndTransfer" }));
        QCOMPARE(f.link->writtenFavorites, favorites(8, 2));
        QCOMPARE(f.link->writtenPlan.lowerBound, 1);
        QCOMPARE(f.link->writtenPlan.items.size(), 3);
        for (int i = 1; i <= 3; ++i) {
            LinkRecord expected = kThreeChannels[i - 1];
            expected.Position = quint8(i);
            QCOMPARE(f.link->writtenPlan.at(i), expected);
        }
        QCOMPARE(f.messages.texts(), QStringList { CatalogueText(18) });
        QCOMPARE(f.messages.shown.first().style, int(StyleInformationOk));
        QCOMPARE(f.messages.shown.first().title, CatalogueText(2));
        QCOMPARE(f.buttonStates(), kAfterTransfer);
        QVERIFY(f.form->progressBar()->isHidden());
        QVERIFY(!f.form->timer1()->isActive());
    }

    void receivedBounds_data()
    {
        QTest::addColumn<int>("lowerBound");
        QTest::addColumn<QList<float>>("freqs");
        QTest::addColumn<QList<qint64>>("ids");
        QTest::newRow("lower bound 1")
            << 1 << QList<float> { 55.25f, 62.25f, 471.25f } << QList<qint64> { 1, 2, 3 };
        QTest::newRow("lower bound 0")
            << 0 << QList<float> { 55.25f, 62.25f, 471.25f } << QList<qint64> { 0, 1, 2 };
        QTest::newRow("Freq 0 ends the list")
            << 1 << QList<float> { 55.25f, 62.25f, 0.0f, 471.25f } << QList<qint64> { 1, 2 };
        QTest::newRow("Freq 0 first empties the table")
            << 1 << QList<float> { 0.0f, 55.25f } << QList<qint64> {};
    }
    void receivedBounds()
    {
        QFETCH(int, lowerBound);
        QFETCH(QList<float>, freqs);
        QFETCH(QList<qint64>, ids);
        EditorFixture f;
        f.store.seed(seededPlan());
        QList<LinkRecord> items;
        for (float freq : freqs)
            items.append(channel("C", "TV", freq, 6.5f));
        f.link->planToRead = plan(lowerBound, items);
        f.link->favoritesToRead = favorites(8, 1);
        click(f, "Upload");
        const QList<ChannelValues> rows = f.store.rows();
        QList<qint64> storedIds;
        for (const ChannelValues &row : rows)
            storedIds.append(row.values[ColumnId].toLongLong());
        QCOMPARE(storedIds, ids);
        for (qsizetype i = 0; i < rows.size(); ++i)
            QCOMPARE(rows[i].values[ColumnFreq].toDouble(), double(freqs[i]));
        QCOMPARE(f.form->gridModel()->rowCount(), int(ids.size()));
    }

    void receivedUnit_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("unit");
        QTest::addColumn<QString>("after");
        QTest::newRow("1 gives dBuV") << "dBmV" << 1 << "dBuV";
        QTest::newRow("0 leaves dBmV") << "dBmV" << 0 << "dBmV";
        QTest::newRow("3 leaves dBuV") << "dBuV" << 3 << "dBuV";
        QTest::newRow("3 leaves no choice") << "" << 3 << "";
    }
    void receivedUnit()
    {
        QFETCH(QString, before);
        QFETCH(int, unit);
        QFETCH(QString, after);
        EditorFixture f;
        f.form->combo5()->setCurrentIndex(f.form->combo5()->findText(before));
        f.link->planToRead = plan(1, kThreeChannels);
        f.link->favoritesToRead = favorites(8, quint8(unit));
        click(f, "Upload");
        QCOMPARE(f.form->combo5()->currentText(), after);
        QCOMPARE(f.form->LoadOk, QStringLiteral("Yes"));
    }

    // The received panel is written box by box, and each write is checked.
    void receivedPanelIsChecked_data()
    {
        QTest::addColumn<int>("favorite3");
        QTest::addColumn<int>("span");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("box2");
        QTest::addColumn<QString>("box4");
        QTest::newRow("all good") << 3 << 7 << QStringList {} << "3"
                                  << "7";
        QTest::newRow("favourite 251") << 251 << 7 << QStringList { CatalogueText(67) } << ""
                                       << "7";
        QTest::newRow("bandwidth 10") << 3 << 10 << QStringList { CatalogueText(29) } << "3"
                                      << "";
        QTest::newRow("bandwidth 3") << 3 << 3 << QStringList { CatalogueText(29) } << "3"
                                     << "";
        QTest::newRow("negative bandwidth: emptied silently") << 3 << -5 << QStringList {} << "3"
                                                              << "";
        QTest::newRow("both") << 255 << 0 << QStringList { CatalogueText(67), CatalogueText(29) }
                              << ""
                              << "";
    }
    void receivedPanelIsChecked()
    {
        QFETCH(int, favorite3);
        QFETCH(int, span);
        QFETCH(QStringList, messages);
        QFETCH(QString, box2);
        QFETCH(QString, box4);
        EditorFixture f;
        f.link->planToRead = plan(1, kThreeChannels);
        FavoritesRecord received = favorites(qint16(span), 1);
        received.Favorite3 = quint8(favorite3);
        f.link->favoritesToRead = received;
        click(f, "Upload");
        QCOMPARE(f.messages.texts(), messages);
        QCOMPARE(
            panelTexts(*f.form), QStringList({ "1", "2", box2, "4", box4, "0", "250", "dBuV" }));
        QCOMPARE(f.form->SpanValue, float(span));
        // The plan is stored all the same.
        QCOMPARE(f.form->LoadOk, QStringLiteral("Yes"));
        QCOMPARE(f.store.rows().size(), 3);
    }

    // A failed read leaves everything as it was. The selector letter runs
    // into the first word, in either language.
    void failedRead_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QVariant>("result");
        QTest::newRow("English, 0") << 500 << QVariant(0);
        QTest::newRow("Chinese") << 0 << QVariant(0);
    }
    void failedRead()
    {
        QFETCH(int, language);
        QFETCH(QVariant, result);
        EditorFixture f { qint16(language) };
        f.store.seed(seededPlan());
        setPanel(*f.form, { "9", "8", "7", "6", "5", "4", "3" }, "dBmV");
        f.form->setButtonsEnabled({ 5, 8 }, true); // a state a failure must keep
        const QString buttonsBefore = f.buttonStates();
        f.form->LoadOk = QStringLiteral("Yes");
        f.link->readResult = result;
        f.link->planToRead = plan(1, kThreeChannels);
        click(f, "Upload");

        QCOMPARE(f.messages.shown.size(), 1);
        const ShownMessage &shown = f.messages.shown.first();
        QCOMPARE(shown.text, QStringLiteral("A") + CatalogueText(65));
        if (language == 500)
            QVERIFY(shown.text.startsWith(QStringLiteral("APlease make sure connet")));
        QCOMPARE(shown.style, int(StyleInformationOk));
        QCOMPARE(shown.title, CatalogueText(65));
        QCOMPARE(f.form->LoadOk, QStringLiteral("No"));
        QCOMPARE(f.store.rows(), seededPlan());
        QCOMPARE(panelTexts(*f.form), QStringList({ "9", "8", "7", "6", "5", "4", "3", "dBmV" }));
        QCOMPARE(f.buttonStates(), buttonsBefore);
        QVERIFY(f.form->progressBar()->isHidden());
        QVERIFY(!f.form->timer1()->isActive());
    }

    void failureLetter()
    {
        const QStringList letters = { "A", "B", "C", "D", "E" };
        for (int selector = 0; selector < 5; ++selector)
            QCOMPARE(Form2::FailureLetter(selector), letters[selector]);
        QCOMPARE(Form2::FailureLetter(5), QString());
        QCOMPARE(Form2::FailureLetter(-1), QString());
    }

    // A reply that claims success but carries no channel changes nothing.
    void successWithoutRecords()
    {
        EditorFixture f;
        f.store.seed(seededPlan());
        setPanel(*f.form, { "9", "8", "7", "6", "5", "4", "3" }, "dBmV");
        f.link->planToRead = plan(1, {});
        f.link->favoritesToRead = favorites(8, 1);
        click(f, "Upload");
        QCOMPARE(f.messages.texts(), QStringList { CatalogueText(17) });
        QCOMPARE(f.messages.shown.first().style, int(StyleExclamationOk));
        QCOMPARE(f.form->LoadOk, QStringLiteral("No"));
        QCOMPARE(f.store.rows(), seededPlan());
        QCOMPARE(panelTexts(*f.form), QStringList({ "9", "8", "7", "6", "5", "4", "3", "dBmV" }));
        QCOMPARE(f.buttonStates(), QStringLiteral("EDEDDDDDD"));
    }

    // Channels go in frequency order, numbered 1..n, whatever their IDs; a
    // field without a value goes as an empty text or 0.
    void sentRecords()
    {
        EditorFixture f;
        QList<ChannelValues> rows = seededPlan();
        ChannelValues blank;
        blank.values[ColumnId] = 4;
        blank.values[ColumnFreq] = 862.0;
        rows.append(blank);
        withLoadedPlan(f, rows);
        click(f, "Download");
        const LinkRecordArray &sent = f.link->writtenPlan;
        QCOMPARE(sent.lowerBound, 1);
        QCOMPARE(sent.upperBound(), 4);
        const QStringList names = { "2", "S9", "5", "" };
        const QList<float> freqs = { 55.25f, 100.5f, 300.25f, 862.0f };
        for (int i = 1; i <= 4; ++i) {
            QCOMPARE(sent.at(i).Position, quint8(i));
            QCOMPARE(sent.at(i).Id, 0);
            QCOMPARE(sent.at(i).Name, names[i - 1]);
            QCOMPARE(sent.at(i).Freq, freqs[i - 1]);
            QVERIFY(sent.at(i).SpareText.isEmpty());
        }
        QCOMPARE(sent.at(2).Type, QStringLiteral("DIGI"));
        QCOMPARE(sent.at(2).Audio1, 8.0f);
        QCOMPARE(sent.at(4).Type, QString());
        QCOMPARE(sent.at(4).Audio1, 0.0f);
        QCOMPARE(f.form->SendRecords, sent);
        // The grid was re-queried in frequency order before the send.
        QCOMPARE(f.form->gridModel()->cellText(0, ColumnName), QStringLiteral("2"));
    }

    void sentPanel_data()
    {
        QTest::addColumn<QString>("span");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<int>("sentSpan");
        QTest::addColumn<int>("sentUnit");
        QTest::newRow("7.3 -> 7") << "7.3"
                                  << "dBmV" << 7 << 2;
        QTest::newRow("9.9 -> 10") << "9.9"
                                   << "dBuV" << 10 << 1;
        QTest::newRow("4.5 -> 4") << "4.5"
                                  << "dBuV" << 4 << 1;
        QTest::newRow("empty box and no unit") << ""
                                               << "" << 0 << 1;
    }
    void sentPanel()
    {
        QFETCH(QString, span);
        QFETCH(QString, unit);
        QFETCH(int, sentSpan);
        QFETCH(int, sentUnit);
        EditorFixture f;
        withLoadedPlan(f, seededPlan());
        setPanel(*f.form, { "1", "", "250", "4", span, "5", "6" }, unit);
        click(f, "Download");
        const FavoritesRecord &sent = f.link->writtenFavorites;
        QCOMPARE(sent.Span, qint16(sentSpan));
        QCOMPARE(sent.Unit, quint8(sentUnit));
        QCOMPARE(sent.Favorite1, quint8(1));
        QCOMPARE(sent.Favorite2, quint8(0)); // empty box
        QCOMPARE(sent.Favorite3, quint8(250));
        QCOMPARE(sent.Favorite5, quint8(5));
        QCOMPARE(sent.Favorite6, quint8(6));
        QCOMPARE(f.messages.texts(), QStringList { CatalogueText(18) });
    }

    // With no unit chosen the panel's own button refuses to send, while the
    // plan goes with Unit 1.
    void unchosenUnit()
    {
        EditorFixture f;
        withLoadedPlan(f, seededPlan());
        setPanel(*f.form, { "1", "2", "3", "4", "8", "5", "6" }, QString());
        QTest::mouseClick(f.form->command3(), Qt::LeftButton);
        QCOMPARE(f.messages.texts(), QStringList { CatalogueText(68) });
        QVERIFY(f.link->calls.isEmpty());
        f.messages.clear();
        click(f, "Download");
        QCOMPARE(f.link->writtenFavorites.Unit, quint8(1));
        QCOMPARE(f.messages.texts(), QStringList { CatalogueText(18) });
    }

    void sendResults_data()
    {
        QTest::addColumn<QVariant>("writeResult");
        QTest::addColumn<QVariant>("endResult");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<int>("message");
        const QStringList all = { "CheckConnection", "WritePlan", "EndTransfer" };
        QTest::newRow("sent") << QVariant(1) << QVariant(1) << all << 18;
        QTest::newRow("write refused: no end") << QVariant(0) << QVariant(1) << all.mid(0, 2) << 19;
        QTest::newRow("end refused") << QVariant(1) << QVariant(0) << all << 19;
        QTest::newRow("end gives an empty result") << QVariant(1) << QVariant() << all << 19;
    }
    void sendResults()
    {
        QFETCH(QVariant, writeResult);
        QFETCH(QVariant, endResult);
        QFETCH(QStringList, calls);
        QFETCH(int, message);
        EditorFixture f;
        withLoadedPlan(f, seededPlan());
        f.form->setButtonsEnabled({ 5, 6, 8 }, true);
        f.link->writePlanResult = writeResult;
        f.link->endResult = endResult;
        QElapsedTimer clock;
        clock.start();
        click(f, "Download");
        // The link is given its pause after the write.
        QVERIFY(clock.elapsed() >= 500);
        QCOMPARE(f.link->calls, calls);
        QCOMPARE(f.messages.texts(), QStringList { CatalogueText(qint16(message)) });
        QCOMPARE(f.messages.shown.first().style, int(StyleInformationOk));
        QCOMPARE(f.buttonStates(), kAfterTransfer);
    }

    void emptyPlanIsNotSent()
    {
        EditorFixture f;
        withLoadedPlan(f, {});
        click(f, "Download");
        QCOMPARE(f.messages.texts(), QStringList({ CatalogueText(20), CatalogueText(19) }));
        QCOMPARE(f.messages.shown.first().style, int(StyleExclamationOk));
        QCOMPARE(f.link->calls, QStringList { "CheckConnection" });
        QCOMPARE(f.buttonStates(), kAfterTransfer);
    }

    // Position has 8 bits: 255 channels go, 256 are refused before the link
    // sees anything.
    void planSizeLimit_data()
    {
        QTest::addColumn<int>("channels");
        QTest::addColumn<bool>("sent");
        QTest::newRow("255") << 255 << true;
        QTest::newRow("256") << 256 << false;
    }
    void planSizeLimit()
    {
        QFETCH(int, channels);
        QFETCH(bool, sent);
        EditorFixture f;
        QList<ChannelValues> rows;
        for (int i = 1; i <= channels; ++i)
            rows.append(TempStore::row(i, "C", "TV", 40.0 + i, 6.5));
        withLoadedPlan(f, rows);
        click(f, "Download");
        if (sent) {
            QCOMPARE(f.link->writtenPlan.items.size(), channels);
            QCOMPARE(f.link->writtenPlan.at(255).Position, quint8(255));
            QCOMPARE(f.messages.texts(), QStringList { CatalogueText(18) });
        } else {
            QCOMPARE(f.link->calls, QStringList { "CheckConnection" });
            QCOMPARE(f.messages.texts(),
                QStringList({ PlanSizeLimit::tooLargeText(256), CatalogueText(19) }));
            QVERIFY(f.messages.texts().first().contains(QStringLiteral("256")));
        }
    }

    // Unplugged: message 16 and nothing else changes.
    void unplugged_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("reason");
        QTest::newRow("Upload") << "Upload"
                                << "";
        QTest::newRow("Download") << "Download"
                                  << "";
        QTest::newRow("Upload, the link says why") << "Upload"
                                                   << "no reply from /dev/pts/9";
    }
    void unplugged()
    {
        QFETCH(QString, key);
        QFETCH(QString, reason);
        EditorFixture f;
        HookedLink *link = installHookedLink(f);
        link->reason = reason;
        link->connectionResult = 0;
        withLoadedPlan(f, seededPlan());
        f.form->setButtonsEnabled({ 5, 8 }, true);
        f.form->LoadOk = QStringLiteral("Yes");
        const QString before = f.buttonStates();
        click(f, key.toLatin1().constData());
        QCOMPARE(f.messages.shown.size(), 1);
        const QStringList lines = f.messages.shown.first().text.split(QLatin1Char('\n'));
        QCOMPARE(lines.first(), CatalogueText(16));
        QCOMPARE(lines.size(), reason.isEmpty() ? 1 : 2);
        QCOMPARE(lines.last(), reason.isEmpty() ? CatalogueText(16) : reason);
        QCOMPARE(f.messages.shown.first().style, int(StyleExclamationOk));
        QCOMPARE(link->calls, QStringList { "CheckConnection" });
        QCOMPARE(f.buttonStates(), before);
        QCOMPARE(f.form->LoadOk, QStringLiteral("Yes"));
        QCOMPARE(f.store.rows(), seededPlan());
        QVERIFY(f.form->progressBar()->isHidden());
        QVERIFY(!f.form->timer1()->isActive());
    }

    // Right after the window opens, with the instrument unplugged.
    void unpluggedAtStart()
    {
        EditorFixture f;
        f.link->connectionResult = 0;
        click(f, "Upload");
        QCOMPARE(f.messages.texts(), QStringList { CatalogueText(16) });
        QCOMPARE(f.buttonStates(), QStringLiteral("EDEDDDDDD"));
    }

    void pulseClimbsAndWaits()
    {
        EditorFixture f;
        QProgressBar *bar = f.form->progressBar();
        bar->setRange(1, 100);
        bar->setValue(2);
        QList<int> seen;
        for (int i = 0; i < 25; ++i) {
            f.form->TransferPulse();
            seen.append(bar->value());
        }
        QList<int> expected;
        for (int v = 7; v <= 97; v += 5)
            expected.append(v);
        while (expected.size() < 25)
            expected.append(97);
        QCOMPARE(seen, expected);
    }

    // While the plan is read the window runs its events (as a link waiting
    // for the instrument does): the timer moves the bar up to 97 and no
    // further, the toolbar is disabled, and only the end sets 100.
    void progressThroughTheTimer()
    {
        EditorFixture f;
        HookedLink *link = installHookedLink(f);
        link->planToRead = plan(1, kThreeChannels);
        link->favoritesToRead = favorites(8, 1);
        QString buttonsDuringRead;
        bool timerRunning = false;
        bool barShown = false;
        link->duringRead = [&] {
            buttonsDuringRead = f.buttonStates();
            timerRunning = f.form->timer1()->isActive();
            barShown = f.form->progressBar()->isVisible();
            QEventLoop loop;
            QTimer::singleShot(600, &loop, &QEventLoop::quit);
            loop.exec();
        };
        QList<int> values;
        connect(f.form->progressBar(), &QProgressBar::valueChanged, this,
            [&values](int value) { values.append(value); });
        click(f, "Upload");
        QCOMPARE(buttonsDuringRead, QStringLiteral("DDDDDDDDD"));
        QVERIFY(timerRunning);
        QVERIFY(barShown);
        QCOMPARE(f.form->timer1()->interval(), 10);
        QVERIFY(values.size() >= 3);
        QCOMPARE(values.first(), 2);
        QCOMPARE(values.last(), 100);
        const QList<int> duringTransfer = values.mid(0, values.size() - 1);
        QCOMPARE(*std::max_element(duringTransfer.begin(), duringTransfer.end()), 97);
        QCOMPARE(f.buttonStates(), kAfterTransfer);
    }

    // The received plan goes in as one transaction: a row the store refuses
    // half-way leaves the old plan whole.
    void failingStoreKeepsTheOldPlan()
    {
        EditorFixture f;
        f.store.seed(seededPlan());
        {
            StoreConnection connection(f.store.path());
            QSqlQuery q(connection.database());
            QVERIFY2(q.exec("CREATE TRIGGER refuse BEFORE INSERT ON ChannelPlanUser "
                            "WHEN NEW.CHName = 'BAD' BEGIN SELECT RAISE(ABORT, 'refused'); END"),
                qPrintable(q.lastError().text()));
        }
        f.form->RefreshDataGrid();
        const QString before = f.buttonStates();
        QList<LinkRecord> items = kThreeChannels;
        items.insert(2, channel("BAD", "TV", 300.0f, 6.5f));
        f.link->planToRead = plan(1, items);
        f.link->favoritesToRead = favorites(8, 1);
        click(f, "Upload");
        QCOMPARE(f.store.rows(), seededPlan());
        QCOMPARE(f.messages.shown.size(), 1);
        QVERIFY2(f.messages.texts().first().contains(QStringLiteral("refused")),
            qPrintable(f.messages.texts().first()));
        QCOMPARE(f.form->LoadOk, QStringLiteral("No"));
        QCOMPARE(f.buttonStates(), before);
        QCOMPARE(f.form->gridModel()->rowCount(), 3);
    }
};

QTEST_MAIN(TransferPlanTest)
#include "tst_transfer_plan.moc"
