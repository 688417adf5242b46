// The favourites panel: what its boxes accept, checked on every change, and
// its own button that sends the panel alone.
#include "EditorFixture.h"

#include "base/TextCatalogue.h"

#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

using namespace plandor;
using namespace plandor::test;

// Fills every box without running the check, as a starting state.
static void fillPanel(EditorFixture &f, const QStringList &texts, const QString &unit = QString())
{
    for (int i = 0; i < 7; ++i) {
        QSignalBlocker blocker(f.box(i));
        f.box(i)->setText(texts.value(i));
    }
    f.unit()->setCurrentIndex(f.unit()->findText(unit));
}

// The seven boxes without the unit.
static QStringList boxes(EditorFixture &f)
{
    return panelTexts(*f.form).mid(0, 7);
}

class TransferPanelTest : public QObject
{
    Q_OBJECT

private slots:
    // Keystrokes into the real boxes: the check runs at every one of them and
    // empties only the offending box; a change of a favourite leaves the
    // (invalid) bandwidth unchecked.
    void typing_data()
    {
        QTest::addColumn<int>("box");
        QTest::addColumn<QStringList>("keysAndResult");
        QTest::addColumn<QStringList>("messages");
        const QStringList id = { CatalogueText(67) }, bw = { CatalogueText(29) }, none;
        QTest::newRow("300: the third digit") << 0 << QStringList { "300", "" } << id;
        QTest::newRow("minus") << 6 << QStringList { "-", "" } << id;
        QTest::newRow("typing on after a refusal") << 3 << QStringList { "2517", "7" } << id;
        QTest::newRow("9.95") << 4 << QStringList { "9.95", "" } << bw;
        QTest::newRow("blank in the bandwidth: silent") << 4 << QStringList { " ", "" } << none;
    }
    void typing()
    {
        QFETCH(int, box);
        QFETCH(QStringList, keysAndResult);
        QFETCH(QStringList, messages);
        EditorFixture f;
        QStringList expected = { "1", "2", "3", "4", "12", "5", "6" };
        expected[box].clear();
        fillPanel(f, expected);
        QTest::keyClicks(f.box(box), keysAndResult[0]);
        expected[box] = keysAndResult[1];
        QCOMPARE(boxes(f), expected);
        QCOMPARE(f.messages.texts(), messages);
    }

    // A change of the bandwidth re-checks the favourites first and ends there.
    void favoritesAreCheckedFirst()
    {
        EditorFixture f;
        fillPanel(f, { "1", "2", "300", "4", "", "5", "6" });
        QTest::keyClicks(f.box(4), "1");
        QCOMPARE(f.messages.texts(), QStringList { CatalogueText(67) });
        QCOMPARE(f.messages.shown.first().style, int(StyleExclamationOk));
        QCOMPARE(boxes(f), QStringList({ "1", "2", "", "4", "1", "5", "6" }));
    }

    // The panel's own button; it leaves the toolbar and the progress bar
    // alone. A refused write ends there, silently; a refused end is still a
    // success. An incomplete panel is refused before the link.
    void send_data()
    {
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QVariantList>("results"); // connection, write, end
        QTest::addColumn<int>("calls");
        QTest::addColumn<QStringList>("messages");
        auto text = [](qint16 id) { return QStringList { CatalogueText(id) }; };
        QTest::newRow("accepted") << "dBmV" << QVariantList { 1, 1, 1 } << 3 << text(72);
        QTest::newRow("end refused") << "dBmV" << QVariantList { 1, 1, 0 } << 3 << text(72);
        QTest::newRow("write refused") << "dBmV" << QVariantList { 1, 0, 1 } << 2 << QStringList();
        QTest::newRow("no link") << "dBmV" << QVariantList { QVariant(), 1, 1 } << 1 << text(16);
        QTest::newRow("no unit") << "" << QVariantList { 1, 1, 1 } << 0 << text(68);
    }
    void send()
    {
        QFETCH(QString, unit);
        QFETCH(QVariantList, results);
        QFETCH(int, calls);
        QFETCH(QStringList, messages);
        EditorFixture f;
        fillPanel(f, { "1", "2", "3", "4", "7.3", "5", "250" }, unit);
        f.link->connectionResult = results[0].toInt() != 0;
        f.link->writeFavoritesResult = results[1].toInt() != 0;
        f.link->endResult = results[2].toInt() != 0;
        QTest::mouseClick(
            f.form->findChild<QPushButton *>(QStringLiteral("Command3")), Qt::LeftButton);
        QCOMPARE(f.link->calls,
            QStringList({ "CheckConnection", "WriteFavorites", "EndTransfer" }).mid(0, calls));
        QCOMPARE(f.messages.texts(), messages);
        if (calls > 1)
            QCOMPARE(f.link->writtenFavorites, FavoritesRecord({ 1, 2, 3, 4, 5, 250, 7, 2 }));
        QCOMPARE(f.buttonStates(), QStringLiteral("EDEDDDDDD"));
        QVERIFY(f.form->progressBar()->isHidden());
    }
};

QTEST_MAIN(TransferPanelTest)
#include "tst_transfer_panel.moc"
