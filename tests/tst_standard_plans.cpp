// The shipped standard plans: each table's channels, known carriers from the
// published tables, the plans made from them, and the dialog that picks one.
#include "EditorFixture.h"

#include "base/Language.h"
#include "editor/PlanCheckList.h"
#include "editor/PlanTableModel.h"
#include "editor/PlanTableView.h"
#include "editor/PlanTools.h"
#include "editor/SpectrumView.h"
#include "editor/StandardPlanDialog.h"
#include "editor/UndoCommands.h"
#include "store/StandardPlans.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <QTimer>

using namespace plandor;

class StandardPlansTest : public QObject
{
    Q_OBJECT

    StandardPlans m_standards;
    QStringList m_checked; // the tables tables() has seen

private slots:
    void initTestCase()
    {
        LanguageOffset = kEnglishOffset;
        QString error;
        QVERIFY2(m_standards.load(&error), qPrintable(error));
    }

    // Per table (the row's name is its key): the channel count, the variants
    // offered ("AD" or "D"), the audio offset, what the analogue and the
    // digital plan of the whole table leave out ("analogue|digital"), and
    // channels as "name carrier digital-centre bandwidth" ("-": no carrier,
    // digital only), the first and the last in frequency order among them.
    // The numbers are those of the published tables named in docs/plans.md.
    void tables_data()
    {
        QTest::addColumn<int>("channels");
        QTest::addColumn<QString>("variants");
        QTest::addColumn<double>("audioOffset");
        QTest::addColumn<QString>("leftOut");
        QTest::addColumn<QStringList>("known");
        // Digital 158 would reach 1002 MHz (centre 999, 6 MHz wide).
        QTest::newRow("na-std") << 157 << "AD" << 4.5 << "|158"
                                << QStringList { "2 55.25 57 6", "14 121.25 123 6", "95 91.25 93 6",
                                       "79 553.25 555 6", "100 649.25 651 6", "158 997.25 999 6" };
        QTest::newRow("na-hrc") << 158 << "AD" << 4.5 << "|158"
                                << QStringList { "2 54.0027 55.7527 6", "1 72.0036 73.7536 6",
                                       "7 174.0087 175.7587 6", "79 552.0276 553.7776 6",
                                       "100 648.0324 649.7824 6", "158 996.0498 997.7998 6" };
        QTest::newRow("na-irc") << 158 << "AD" << 4.5 << "|158"
                                << QStringList { "2 55.2625 57.0125 6", "1 73.2625 75.0125 6",
                                       "5 79.2625 81.0125 6", "14 121.2625 123.0125 6",
                                       "158 997.2625 999.0125 6" };
        QTest::newRow("na-air") << 68 << "AD" << 4.5 << "|"
                                << QStringList { "2 55.25 57 6", "7 175.25 177 6",
                                       "14 471.25 473 6", "36 603.25 605 6", "69 801.25 803 6" };
        // ISDB-Tb centres 1/7 MHz above the channel centre.
        QTest::newRow("sa-air") << 68 << "AD" << 4.5 << "|"
                                << QStringList { "2 55.25 57.1429 6", "7 175.25 177.1429 6",
                                       "14 471.25 473.1429 6", "69 801.25 803.1429 6" };
        QTest::newRow("docsis") << 149 << "D" << 0.0 << "|158"
                                << QStringList { "98 - 111 6", "14 - 123 6", "7 - 177 6",
                                       "100 - 651 6", "158 - 999 6" };
        QTest::newRow("eurodocsis") << 111 << "D" << 0.0 << "|"
                                    << QStringList { "114 - 114 8", "306 - 306 8", "474 - 474 8",
                                           "858 - 858 8", "994 - 994 8" };
        // E2's lower edge (48.25 - 5.5/2) lies below 46 MHz.
        QTest::newRow("ccir-bg") << 100 << "AD" << 5.5 << "E2|"
                                 << QStringList { "E2 48.25 50.5 7", "E5 175.25 177.5 7",
                                        "S11 231.25 233.5 7", "S21 303.25 306 8",
                                        "E21 471.25 474 8", "E69 855.25 858 8" };
        QTest::newRow("italy-bg") << 59 << "AD" << 5.5 << "|"
                                  << QStringList { "A 53.75 56 7", "C 82.25 84.5 7",
                                         "E 183.75 186 7", "H2 224.25 226.5 7", "21 471.25 474 8",
                                         "69 855.25 858 8" };
        // Irish A (44.5-52.5 MHz) starts below 46 MHz.
        QTest::newRow("pal-i") << 59 << "AD" << 6.0 << "A|A"
                               << QStringList { "A 45.75 48.5 8", "B 53.75 56.5 8",
                                      "I 215.25 218 8", "J 223.25 226 8", "21 471.25 474 8",
                                      "69 855.25 858 8" };
        QTest::newRow("za-i") << 59 << "AD" << 6.0 << "|"
                              << QStringList { "4 175.25 178 8", "11 231.25 234 8",
                                     "13 247.25 250 8", "21 471.25 474 8", "69 855.25 858 8" };
        QTest::newRow("france-l") << 55 << "AD" << 6.5 << "|"
                                  << QStringList { "05 176 178.75 8", "10 216 218.75 8",
                                         "21 471.25 474 8", "69 855.25 858 8" };
        QTest::newRow("oirt-dk") << 61 << "AD" << 6.5 << "|"
                                 << QStringList { "R1 49.75 52.5 8", "R4 85.25 88 8",
                                        "R12 223.25 226 8", "R21 471.25 474 8",
                                        "R69 855.25 858 8" };
        QTest::newRow("oirt-cable")
            << 99 << "AD" << 6.5 << "|"
            << QStringList { "R1 49.75 52.5 8", "S1 111.25 114 8", "S19 295.25 298 8",
                   "S20 303.25 306 8", "S40 463.25 466 8", "R69 855.25 858 8" };
        QTest::newRow("china-dk") << 110 << "AD" << 6.5 << "|"
                                  << QStringList { "D1 49.75 52.5 8", "Z1 112.25 115 8",
                                         "Z37 456.25 459 8", "D13 471.25 474 8", "Z38 567.25 570 8",
                                         "Z42 599.25 602 8", "D68 951.25 954 8" };
        // Channel 0 (45-52 MHz) starts below 46 MHz.
        QTest::newRow("australia")
            << 57 << "AD" << 5.5 << "0|0"
            << QStringList { "0 46.25 48.5 7", "5A 138.25 140.5 7", "6 175.25 177.5 7",
                   "9A 203.25 205.5 7", "12 224.25 226.5 7", "28 527.25 529.5 7",
                   "69 814.25 816.5 7" };
        QTest::newRow("nz-bg") << 60 << "AD" << 5.5 << "1|1"
                               << QStringList { "1 45.25 47.5 7", "4 175.25 177.5 7",
                                      "11 224.25 226.5 7", "21 471.25 474 8", "69 855.25 858 8" };
        QTest::newRow("japan-air")
            << 62 << "AD" << 4.5 << "|"
            << QStringList { "1 91.25 93.1429 6", "7 189.25 191.1429 6", "8 193.25 195.1429 6",
                   "13 471.25 473.1429 6", "62 765.25 767.1429 6" };
        QTest::newRow("japan-cable")
            << 63 << "AD" << 4.5 << "|"
            << QStringList { "1 91.25 93.1429 6", "C13 109.25 111.1429 6", "C22 165.25 167.1429 6",
                   "C23 223.25 225.1429 6", "C63 463.25 465.1429 6" };
    }
    void tables()
    {
        QFETCH(int, channels);
        QFETCH(QString, variants);
        QFETCH(double, audioOffset);
        QFETCH(QString, leftOut);
        QFETCH(QStringList, known);
        const StandardTable *t = m_standards.find(QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(t);
        m_checked << t->key;
        QCOMPARE(t->channels.size(), channels);
        QCOMPARE(t->audioOffset, audioOffset);
        QCOMPARE(t->offers(PlanVariant::Analogue), variants.contains(QLatin1Char('A')));
        QCOMPARE(t->offers(PlanVariant::Digital), variants.contains(QLatin1Char('D')));
        QCOMPARE(t->channels.first().name, known.first().section(QLatin1Char(' '), 0, 0));
        QCOMPARE(t->channels.last().name, known.last().section(QLatin1Char(' '), 0, 0));
        for (const QString &line : known) {
            const QStringList k = line.split(QLatin1Char(' '));
            const auto c = std::find_if(t->channels.begin(), t->channels.end(),
                [&](const StandardChannel &c) { return c.name == k[0]; });
            QVERIFY2(c != t->channels.end(), qPrintable(line));
            if (k[1] != QLatin1String("-"))
                QCOMPARE(c->carrier, k[1].toDouble());
            QCOMPARE(StandardPlans::planFrequency(*t, *c, PlanVariant::Digital), k[2].toDouble());
            QCOMPARE(c->bandwidth, k[3].toDouble());
        }
        // Names as the channel rules take them, and none twice.
        QSet<QString> names;
        for (const StandardChannel &c : t->channels) {
            QVERIFY2(c.name.size() >= 1 && c.name.size() <= 3, qPrintable(c.name));
            QVERIFY2(!names.contains(c.name), qPrintable(c.name));
            names << c.name;
        }
        // Rows are numbered 1..n in frequency order, of the variant's type,
        // each on the raster the plan check holds for that variant; a variant
        // not offered makes nothing and has no raster.
        const QList<PlanRaster> rasters = m_standards.rasters();
        for (const PlanVariant v : { PlanVariant::Analogue, PlanVariant::Digital }) {
            const StandardPlan plan = StandardPlans::build(*t, v, 0, channels - 1);
            const auto raster = std::find_if(rasters.begin(), rasters.end(),
                [&](const PlanRaster &r) { return r.name == StandardPlans::displayName(*t, v); });
            if (!t->offers(v)) {
                QVERIFY(plan.rows.isEmpty() && plan.leftOut.isEmpty());
                QVERIFY(raster == rasters.end());
                continue;
            }
            QVERIFY(raster != rasters.end());
            QCOMPARE(plan.leftOut.join(QLatin1Char(' ')), leftOut.split(QLatin1Char('|'))[int(v)]);
            QCOMPARE(plan.rows.size(), channels - plan.leftOut.size());
            const QList<double> &positions
                = v == PlanVariant::Digital ? raster->digiCentres : raster->tvCarriers;
            double previous = 0;
            for (int i = 0; i < plan.rows.size(); ++i) {
                const ChannelValues &row = plan.rows[i];
                QCOMPARE(row.value(ColumnId).toLongLong(), i + 1);
                QCOMPARE(row.value(ColumnType).toString(),
                    QString::fromLatin1(v == PlanVariant::Digital ? "DIGI" : "TV"));
                const double freq = row.value(ColumnFreq).toDouble();
                QVERIFY(freq > previous);
                QVERIFY2(positions.contains(freq), qPrintable(QString::number(freq)));
                previous = freq;
            }
        }
    }

    // Every shipped table has its row above.
    void everyTableChecked()
    {
        QStringList keys;
        for (const StandardTable &t : m_standards.tables())
            keys << t.key;
        keys.sort();
        m_checked.sort();
        QCOMPARE(m_checked, keys);
    }

    // The dialog: chosen through its boxes as a user would; a range of one
    // standard holds the table's channels between the two, whatever their
    // names; a range the wrong way round makes nothing and cannot be taken.
    void dialog()
    {
        StandardPlanDialog dialog(m_standards);
        auto *standardBox = dialog.findChild<QComboBox *>(QStringLiteral("standardBox"));
        auto *lastBox = dialog.findChild<QComboBox *>(QStringLiteral("lastChannelBox"));
        QVERIFY(standardBox && lastBox);
        standardBox->setCurrentIndex(
            standardBox->findText(QStringLiteral("Europe CCIR B/G (DIGI)")));
        lastBox->setCurrentIndex(2); // E4
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::keyClick(&dialog, Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.plan().rows.size(), 3);
        QCOMPARE(dialog.plan().rows[0].value(ColumnFreq).toDouble(), 50.5);
        QCOMPARE(dialog.plan().rows[0].value(ColumnAudio1).toDouble(), 7.0);

        auto *ok = dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
        QVERIFY(dialog.choose(QStringLiteral("china-dk"), PlanVariant::Analogue,
            QStringLiteral("D1"), QStringLiteral("D13")));
        QVERIFY(ok->isEnabled());
        const StandardPlan plan = dialog.plan();
        QCOMPARE(plan.caption, QStringLiteral("China cable D/K"));
        // D1..D5, Z1..Z7, D6..D12, Z8..Z37, D13
        QCOMPARE(plan.rows.size(), 5 + 7 + 7 + 30 + 1);
        QCOMPARE(plan.rows.last().value(ColumnFreq).toDouble(), 471.25);
        QVERIFY(dialog.choose(QStringLiteral("na-std"), PlanVariant::Digital, QStringLiteral("14"),
            QStringLiteral("2")));
        QVERIFY(dialog.plan().rows.isEmpty());
        QVERIFY(!ok->isEnabled());

        // A digital-only raster is offered only as digital.
        QCOMPARE(standardBox->findText(QStringLiteral("EuroDOCSIS cable 8 MHz")), -1);
        QVERIFY(!dialog.choose(QStringLiteral("eurodocsis"), PlanVariant::Analogue));
        QVERIFY(dialog.choose(QStringLiteral("eurodocsis"), PlanVariant::Digital,
            QStringLiteral("306"), QStringLiteral("466")));
        QCOMPARE(dialog.plan().rows.size(), 21);
        QCOMPARE(dialog.plan().rows.first().value(ColumnAudio1).toDouble(), 8.0);
    }

    // "New plan from standard" in the editor window: the store, the grid,
    // the caption and the spectrum hold exactly the template's channels.
    void templateThroughTheWindow()
    {
        test::EditorFixture f;
        PlanTools *tools = PlanTools::attach(*f.form);
        f.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
        QTimer::singleShot(0, this, [] {
            auto *dialog = qobject_cast<StandardPlanDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QVERIFY(dialog->choose(QStringLiteral("ccir-bg"), PlanVariant::Analogue,
                QStringLiteral("E21"), QStringLiteral("E69")));
            dialog->accept();
        });
        tools->newFromStandardAction()->trigger();

        const StandardTable *ccir = m_standards.find(QStringLiteral("ccir-bg"));
        const int last = int(ccir->channels.size()) - 1; // E69
        const auto expected
            = StandardPlans::build(*ccir, PlanVariant::Analogue, last - 48, last).rows;
        QCOMPARE(expected.first().value(ColumnName).toString(), QStringLiteral("E21"));
        QCOMPARE(f.store.rows(PlanOrder::ById), expected);
        QCOMPARE(f.form->model()->rowCount(), 49);
        QCOMPARE(f.form->caption().trimmed(), QStringLiteral("Europe CCIR B/G"));
        QCOMPARE(tools->spectrum()->channelCount(), 49);
        QVERIFY(tools->checkPlan().isEmpty());
        QVERIFY(tools->confirmDownload()); // nothing found: no question
        QVERIFY(f.messages.shown.isEmpty());

        // A channel off the raster is listed, but the Download is not held up.
        QVERIFY(f.form->model()->setData(
            f.form->model()->index(48, ColumnFreq), QStringLiteral("858.25"), Qt::EditRole));
        QVERIFY(f.form->commitPending());
        QVERIFY(tools->confirmDownload());
        QVERIFY(f.messages.shown.isEmpty());
        QCOMPARE(tools->checkPlan().size(), 1);

        // Two channels on one carrier: Download asks, and No keeps the plan home.
        QVERIFY(f.form->model()->setData(
            f.form->model()->index(1, ColumnFreq), QStringLiteral("471.25"), Qt::EditRole));
        QVERIFY(f.form->commitPending());
        f.messages.queueAnswers({ MessageAnswer::No });
        QVERIFY(!tools->confirmDownload());
        QCOMPARE(f.messages.shown.size(), 1);
        QVERIFY2(f.messages.shown.first().text.contains(QLatin1String("found 1 problem (")),
            qPrintable(f.messages.shown.first().text));
        PlanCheckList *list = tools->findingsList();
        QVERIFY(list->isVisible());
        QCOMPARE(list->count(), 2);

        // The list follows the plan: Undo takes the overlap away from it,
        // and the finding left selects the row it names.
        f.form->findChild<PlanUndo *>()->undo();
        QTRY_COMPARE(list->count(), 1);
        QCOMPARE(list->findings().first().rows, QList<int> { 48 });
        emit list->itemClicked(list->item(0));
        QCOMPARE(f.form->view()->selectionModel()->selectedRows().value(0).row(), 48);
    }

    void refusesBrokenTables()
    {
        for (const char *bytes : { "# nothing\n", "C\tE2\t48.25\t7\n", // channel before standard
                 "S\tx\tAD\t5.5\t0\tX\tX\nC\tE2AB\t48.25\t7\n",
                 "S\tx\tAD\t5.5\t0\tX\tX\nC\tE2\tabc\t7\n",
                 "S\tx\t5.5\tX\tX\n", // without variants and digital offset
                 "S\tx\tDA\t5.5\t0\tX\tX\n", "S\tx\tAD\t5.5\tabc\tX\tX\n",
                 "S\tx\tAD\t0\t0\tX\tX\n" }) { // analogue without an audio offset
            StandardPlans plans;
            QString error;
            QVERIFY2(!plans.parse(bytes, &error) && !error.isEmpty(), bytes);
        }
    }
};

QTEST_MAIN(StandardPlansTest)
#include "tst_standard_plans.moc"
