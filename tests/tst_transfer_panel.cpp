// The favourites panel: what its boxes accept, checked on every change, and
// its own button that sends the panel alone.
#include "EditorFixture.h"

#include "app/TextCatalogue.h"
#include "transfer/FavoritesPanelCheck.h"

#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

using namespace plandor;
using namespace plandor::test;

namespace {

// Fills every box without running the check, as a starting state.
void fillPanel(Form2 &form, const QStringList &texts, const QString &unit)
{
    for (int i = 0; i < 7; ++i) {
        QSignalBlocker blocker(form.text1(i));
        form.text1(i)->setText(texts.value(i));
    }
    form.combo5()->setCurrentIndex(form.combo5()->findText(unit));
}

QStringList panelTexts(const Form2 &form)
{
    QStringList texts;
    for (int i = 0; i < 7; ++i)
        texts.append(form.text1(i)->text());
    return texts;
}

const QStringList kFullPanel = { "1", "2", "3", "4", "7.3", "5", "250" };

} // namespace

class TransferPanelTest : public QObject
{
    Q_OBJECT

private slots:
    // The favourites are checked in box order 0, 1, 2, 3, 5, 6 before the
    // bandwidth, which is only checked when it is the box that changed.
    void checkOrder()
    {
        using FavoritesPanelCheck::check;
        using R = FavoritesPanelCheck::Refusal;
        std::array<QString, 7> texts = { "1", "2", "3", "4", "2", "x", "300" };
        QCOMPARE(check(texts, 0), R({ 5, 67 }));
        QCOMPARE(check(texts, 4), R({ 5, 67 }));
        texts[5] = "5";
        QCOMPARE(check(texts, 6), R({ 6, 67 }));
        texts[6] = "6";
        QCOMPARE(check(texts, 0), std::nullopt);
        QCOMPARE(check(texts, 4), R({ 4, 29 }));
        texts[4] = "4 ";
        QCOMPARE(check(texts, 4), R({ 4, 0 }));
        texts[4] = "4.";
        QCOMPARE(check(texts, 4), std::nullopt);
    }

    // Keystrokes into the real boxes: the check runs at every one of them.
    void typing_data()
    {
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("finalText");
        QTest::addColumn<QStringList>("messages");
        const QString id = CatalogueText(67);
        const QString bw = CatalogueText(29);
        QTest::newRow("300: the third digit") << 0 << "300"
                                              << "" << QStringList { id };
        QTest::newRow("0") << 1 << "0"
                           << "0" << QStringList {};
        QTest::newRow("250") << 2 << "250"
                             << "250" << QStringList {};
        QTest::newRow("251") << 3 << "251"
                             << "" << QStringList { id };
        QTest::newRow("300 in the 5th favourite") << 5 << "300"
                                                  << "" << QStringList { id };
        QTest::newRow("minus") << 6 << "-"
                               << "" << QStringList { id };
        QTest::newRow("blank in a favourite") << 0 << " "
                                              << "" << QStringList { id };
        QTest::newRow("typing on after a refusal") << 0 << "3007"
                                                   << "7" << QStringList { id };
        QTest::newRow("4.5 passes at each key") << 4 << "4.5"
                                                << "4.5" << QStringList {};
        QTest::newRow("9.95") << 4 << "9.95"
                              << "" << QStringList { bw };
        QTest::newRow("first digit 1") << 4 << "1"
                                       << "" << QStringList { bw };
        QTest::newRow("blank in the bandwidth") << 4 << " "
                                                << "" << QStringList {};
        QTest::newRow("lone point") << 4 << "."
                                    << "" << QStringList { bw };
        QTest::newRow("4.5.6") << 4 << "4.5.6"
                               << "4.5.6" << QStringList {};
    }
    void typing()
    {
        QFETCH(int, box);
        QFETCH(QString, keys);
        QFETCH(QString, finalText);
        QFETCH(QStringList, messages);
        EditorFixture f;
        fillPanel(*f.form, { "1", "2", "3", "4", "", "5", "6" }, QString());
        {
            QSignalBlocker blocker(f.form->text1(box));
            f.form->text1(box)->clear();
        }
        QTest::keyClicks(f.form->text1(box), keys);
        QCOMPARE(f.form->text1(box)->text(), finalText);
        QCOMPARE(f.messages.texts(), messages);
        for (const ShownMessage &m : f.messages.shown) {
            QCOMPARE(m.style, int(StyleExclamationOk));
            QCOMPARE(m.title, CatalogueText(2));
        }
        // Only the offending box is emptied.
        QStringList expected = { "1", "2", "3", "4", "", "5", "6" };
        expected[box] = finalText;
        QCOMPARE(panelTexts(*f.form), expected);
    }

    // A change of the bandwidth re-checks the favourites first: an invalid
    // favourite is reported and emptied, and the check ends there.
    void bandwidthChangeChecksFavoritesFirst()
    {
        EditorFixture f;
        fillPanel(*f.form, { "1", "2", "300", "4", "", "5", "6" }, QString());
        QTest::keyClicks(f.form->text1(4), "1");
        QCOMPARE(f.messages.texts(), QStringList { CatalogueText(67) });
        QCOMPARE(panelTexts(*f.form), QStringList({ "1", "2", "", "4", "1", "5", "6" }));
    }

    // The program's own writes are checked like typing.
    void writtenTextIsChecked()
    {
        EditorFixture f;
        f.form->text1(6)->setText("251");
        f.form->text1(4)->setText("12");
        f.form->text1(4)->setText("8");
        QCOMPARE(f.messages.texts(), QStringList({ CatalogueText(67), CatalogueText(29) }));
        QCOMPARE(f.form->text1(6)->text(), QString());
        QCOMPARE(f.form->text1(4)->text(), QStringLiteral("8"));
    }

    void sendPanel()
    {
        EditorFixture f;
        fillPanel(*f.form, kFullPanel, "dBmV");
        const QString buttonsBefore = f.buttonStates();
        QTest::mouseClick(f.form->command3(), Qt::LeftButton);
        QCOMPARE(
            f.link->calls, QStringList({ "CheckConnection", "WriteFavorites", "EndTransfer" }));
        const FavoritesRecord &sent = f.link->writtenFavorites;
        QCOMPARE(sent.Favorite1, quint8(1));
        QCOMPARE(sent.Favorite4, quint8(4));
        QCOMPARE(sent.Favorite5, quint8(5));
        QCOMPARE(sent.Favorite6, quint8(250));
        QCOMPARE(sent.Span, qint16(7)); // 7.3
        QCOMPARE(sent.Unit, quint8(2));
        QCOMPARE(f.messages.texts(), QStringList { CatalogueText(72) });
        // The panel's send leaves the toolbar and the progress bar alone.
        QCOMPARE(f.buttonStates(), buttonsBefore);
        QVERIFY(f.form->progressBar()->isHidden());
    }

    void sendResults_data()
    {
        QTest::addColumn<QVariant>("writeResult");
        QTest::addColumn<QVariant>("endResult");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<bool>("success");
        const QStringList all = { "CheckConnection", "WriteFavorites", "EndTransfer" };
        QTest::newRow("accepted") << QVariant(1) << QVariant(1) << all << true;
        QTest::newRow("end refused, still a success") << QVariant(1) << QVariant(0) << all << true;
        QTest::newRow("write refused: no end, no message")
            << QVariant(0) << QVariant(1) << all.mid(0, 2) << false;
        QTest::newRow("empty result is a refusal")
            << QVariant() << QVariant(1) << all.mid(0, 2) << false;
    }
    void sendResults()
    {
        QFETCH(QVariant, writeResult);
        QFETCH(QVariant, endResult);
        QFETCH(QStringList, calls);
        QFETCH(bool, success);
        EditorFixture f;
        fillPanel(*f.form, kFullPanel, "dBuV");
        f.link->writeFavoritesResult = writeResult;
        f.link->endResult = endResult;
        QTest::mouseClick(f.form->command3(), Qt::LeftButton);
        QCOMPARE(f.link->calls, calls);
        QCOMPARE(f.messages.texts(), success ? QStringList { CatalogueText(72) } : QStringList {});
    }

    void incompletePanelIsNotSent_data()
    {
        QTest::addColumn<int>("emptyBox"); // -1: the unit
        QTest::newRow("unit not chosen") << -1;
        QTest::newRow("bandwidth") << 4;
    }
    void incompletePanelIsNotSent()
    {
        QFETCH(int, emptyBox);
        EditorFixture f;
        QStringList texts = kFullPanel;
        if (emptyBox >= 0)
            texts[emptyBox].clear();
        fillPanel(*f.form, texts, emptyBox < 0 ? QString() : QStringLiteral("dBmV"));
        QTest::mouseClick(f.form->command3(), Qt::LeftButton);
        QCOMPARE(f.messages.texts(), QStringList { CatalogueText(68) });
        QVERIFY(f.link->calls.isEmpty());
    }

    void unreachableInstrument()
    {
        EditorFixture f;
        fillPanel(*f.form, kFullPanel, "dBuV");
        f.link->connectionResult = QVariant(); // empty counts as 0
        QTest::mouseClick(f.form->command3(), Qt::LeftButton);
        QCOMPARE(f.messages.texts(), QStringList { CatalogueText(16) });
        QCOMPARE(f.messages.shown.first().style, int(StyleExclamationOk));
        QCOMPARE(f.link->calls, QStringList { "CheckConnection" });
    }
};

QTEST_MAIN(TransferPanelTest)
#include "tst_transfer_panel.moc"
