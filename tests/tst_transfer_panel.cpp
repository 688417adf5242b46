// The favourites panel: what its boxes accept, checked on every change, and
// its own button that sends the panel alone.
#include "EditorFixture.h"

#include "base/TextCatalogue.h"
#include "editor/FavoritesPanel.h"
#include "rules/FavoritesPanelCheck.h"

#include <QPushButton>
#include <QtTest>

using namespace plandor;
using namespace plandor::test;

// Fills the seven boxes ("1,,3,...") without running the check, as a
// starting state, and chooses the unit.
static void fillPanel(EditorFixture &f, const QString &texts, const QString &unit = QString())
{
    const QStringList boxes = texts.split(QLatin1Char(','));
    for (int i = 0; i < 7; ++i) {
        QSignalBlocker blocker(f.box(i));
        f.box(i)->setText(boxes.value(i));
    }
    f.unit()->setCurrentIndex(f.unit()->findText(unit));
}

class TransferPanelTest : public QObject
{
    Q_OBJECT

private slots:
    // Keystrokes into the real boxes (what the rules accept is checked in
    // tst_rules): the check runs at every one of them and empties only the
    // offending box, where typing goes on; a change of a favourite leaves the
    // (invalid) bandwidth unchecked, and a change of the bandwidth re-checks
    // the favourites first and ends there. (A bandwidth out of range: the
    // received panel in tst_transfer_plan.)
    void typing_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("after");
        const QStringList id = { CatalogueText(67) }, none;
        QTest::newRow("251, then 7") << "1,2,3,,12,5,6" << 3 << "2517" << id << "1,2,3,7,12,5,6";
        QTest::newRow("blank bandwidth") << "1,2,3,4,,5,6" << 4 << " " << none << "1,2,3,4,,5,6";
        QTest::newRow("favourites first") << "1,2,300,4,,5,6" << 4 << "1" << id << "1,2,,4,1,5,6";
    }
    void typing()
    {
        QFETCH(QString, before);
        QFETCH(int, box);
        QFETCH(QString, keys);
        QFETCH(QStringList, messages);
        QFETCH(QString, after);
        EditorFixture f;
        fillPanel(f, before);
        QTest::keyClicks(f.box(box), keys);
        QCOMPARE(panelTexts(*f.form).mid(0, 7).join(QLatin1Char(',')), after);
        QCOMPARE(f.messages.texts(), messages);
    }

    // A plan made from a table holds a panel nobody set, with a bandwidth of
    // 0: it is loaded blank, without a message; a set one is loaded as it is.
    void blankPanelLoadsQuietly()
    {
        EditorFixture f;
        PanelTexts blank;
        blank.span = QStringLiteral("0");
        f.form->panel()->setPanel(blank);
        QCOMPARE(panelTexts(*f.form).mid(0, 7).join(QLatin1Char(',')), QStringLiteral(",,,,,,"));
        QCOMPARE(f.messages.texts(), QStringList());
        blank.favorites[0] = QStringLiteral("3");
        f.form->panel()->setPanel(blank);
        QCOMPARE(f.messages.texts(), QStringList { CatalogueText(29) });
    }

    // The panel's own button; it leaves the toolbar alone. A refused write
    // ends there, silently; a refused end is still a success. An incomplete
    // panel is refused before the link. A bandwidth of 7.3 goes out as 7,
    // and once the instrument has it the user is told so.
    void send_data()
    {
        QTest::addColumn<QString>("results"); // of the connection, the write, the end
        QTest::addColumn<int>("calls");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("span");
        QTest::addColumn<QStringList>("messages");
        auto text = [](qint16 id) { return QStringList { CatalogueText(id) }; };
        const QString rounded = *FavoritesPanelCheck::roundedSpanNote(u"7.3");
        QTest::newRow("accepted") << "111" << 3 << "dBmV"
                                  << "7" << text(72);
        QTest::newRow("accepted, rounded") << "111" << 3 << "dBmV"
                                           << "7.3" << text(72) + QStringList { rounded };
        QTest::newRow("end refused, rounded") << "110" << 3 << "dBmV"
                                              << "7.3" << text(72) + QStringList { rounded };
        QTest::newRow("write refused") << "101" << 2 << "dBmV"
                                       << "7.3" << QStringList();
        QTest::newRow("no link") << "011" << 1 << "dBmV"
                                 << "7.3" << text(16);
        QTest::newRow("no unit") << "111" << 0 << ""
                                 << "7.3" << text(68);
    }
    void send()
    {
        QFETCH(QString, results);
        QFETCH(int, calls);
        QFETCH(QString, unit);
        QFETCH(QString, span);
        QFETCH(QStringList, messages);
        EditorFixture f;
        fillPanel(f, "1,2,3,4," + span + ",5,250", unit);
        f.link->connectionResult = results[0] == '1';
        f.link->writeFavoritesResult = results[1] == '1';
        f.link->endResult = results[2] == '1';
        QTest::mouseClick(
            f.form->findChild<QPushButton *>(QStringLiteral("Command3")), Qt::LeftButton);
        QCOMPARE(f.link->calls,
            QStringList({ "CheckConnection", "WriteFavorites", "EndTransfer" }).mid(0, calls));
        QCOMPARE(f.messages.texts(), messages);
        if (calls > 1)
            QCOMPARE(f.link->writtenFavorites, FavoritesRecord({ 1, 2, 3, 4, 5, 250, 7, 2 }));
        QCOMPARE(f.buttonStates(), QStringLiteral("EDEDDDDDD"));
    }

    // The plan's Download rounds the box as the panel's does (9.9 goes out
    // as 10) and tells it after the result; a whole number is not told.
    void downloadTellsARoundedSpan()
    {
        for (const QString span : { "9.9", "8" }) {
            EditorFixture f;
            f.load({ TempStore::row(1, "A", "TV", 55.25, 6.5) });
            fillPanel(f, "1,2,3,4," + span + ",5,6", "dBuV");
            f.messages.clear();
            f.click("Download");
            QStringList told { CatalogueText(18) };
            if (span == "9.9")
                told << *FavoritesPanelCheck::roundedSpanNote(span);
            QCOMPARE(f.messages.texts(), told);
            QCOMPARE(int(f.link->writtenFavorites.Span), span == "9.9" ? 10 : 8);
        }
    }
};

QTEST_MAIN(TransferPanelTest)
#include "tst_transfer_panel.moc"
