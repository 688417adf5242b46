// The shipped standard plans: each table's channels, known carriers from the
// published tables, the plans made from them, and the dialog that picks one.
#include "EditorFixture.h"

#include "base/Language.h"
#include "editor/PlanCheckList.h"
#include "editor/PlanTableModel.h"
#include "editor/PlanTools.h"
#include "editor/SpectrumView.h"
#include "editor/StandardPlanDialog.h"
#include "store/StandardPlans.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace plandor;

class StandardPlansTest : public QObject
{
    Q_OBJECT

    StandardPlans m_standards;

private slots:
    void initTestCase()
    {
        LanguageOffset = kEnglishOffset;
        QString error;
        QVERIFY2(m_standards.load(&error), qPrintable(error));
    }

    // Per table (the row's name is its key): the channel count, the audio
    // offset, what the analogue and the digital plan of the whole table leave
    // out ("analogue|digital"), and known channels as "name carrier
    // digital-centre bandwidth".
    void tables_data()
    {
        QTest::addColumn<int>("channels");
        QTest::addColumn<double>("audioOffset");
        QTest::addColumn<QString>("leftOut");
        QTest::addColumn<QStringList>("known");
        // Digital 158 would reach 1002 MHz (centre 999, 6 MHz wide).
        QTest::newRow("na-std") << 157 << 4.5 << "|158"
                                << QStringList { "2 55.25 57 6", "7 175.25 177 6",
                                       "14 121.25 123 6", "95 91.25 93 6", "158 997.25 999 6" };
        QTest::newRow("na-hrc") << 157 << 4.5 << "|158" << QStringList { "7 174.0087 175.7587 6" };
        QTest::newRow("na-irc") << 157 << 4.5 << "|158" << QStringList { "5 79.25 81 6" };
        QTest::newRow("na-air") << 68 << 4.5 << "|" << QStringList { "14 471.25 473 6" };
        // E2's lower edge (48.25 - 5.5/2) lies below 46 MHz.
        QTest::newRow("ccir-bg") << 100 << 5.5 << "E2|"
                                 << QStringList { "E5 175.25 177.5 7", "E21 471.25 474 8" };
        QTest::newRow("oirt-dk") << 61 << 6.5 << "|" << QStringList { "R1 49.75 52.5 8" };
        QTest::newRow("china-dk") << 111 << 6.5 << "|"
                                  << QStringList { "D1 49.75 52.5 8", "Z1 112.25 115 8" };
        QTest::newRow("japan-air") << 62 << 4.5 << "|" << QStringList { "1 91.25 93 6" };
        QTest::newRow("japan-cable") << 63 << 4.5 << "|" << QStringList { "C22 165.25 167 6" };
    }
    void tables()
    {
        QFETCH(int, channels);
        QFETCH(double, audioOffset);
        QFETCH(QString, leftOut);
        QFETCH(QStringList, known);
        const StandardTable *t = m_standards.find(QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(t);
        QCOMPARE(t->channels.size(), channels);
        QCOMPARE(t->audioOffset, audioOffset);
        for (const QString &line : known) {
            const QStringList k = line.split(QLatin1Char(' '));
            const auto c = std::find_if(t->channels.begin(), t->channels.end(),
                [&](const StandardChannel &c) { return c.name == k[0]; });
            QVERIFY2(c != t->channels.end(), qPrintable(line));
            QCOMPARE(c->carrier, k[1].toDouble());
            QCOMPARE(StandardPlans::planFrequency(*t, *c, PlanVariant::Digital), k[2].toDouble());
            QCOMPARE(c->bandwidth, k[3].toDouble());
        }
        // Rows are numbered 1..n in frequency order, of the variant's type.
        for (const PlanVariant v : { PlanVariant::Analogue, PlanVariant::Digital }) {
            const StandardPlan plan = StandardPlans::build(*t, v, 0, channels - 1);
            QCOMPARE(plan.leftOut.join(QLatin1Char(' ')), leftOut.split(QLatin1Char('|'))[int(v)]);
            QCOMPARE(plan.rows.size(), channels - plan.leftOut.size());
            double previous = 0;
            for (int i = 0; i < plan.rows.size(); ++i) {
                const ChannelValues &row = plan.rows[i];
                QCOMPARE(row.values[ColumnId].toLongLong(), i + 1);
                QCOMPARE(row.values[ColumnType].toString(),
                    QString::fromLatin1(v == PlanVariant::Digital ? "DIGI" : "TV"));
                QVERIFY(row.values[ColumnFreq].toDouble() > previous);
                previous = row.values[ColumnFreq].toDouble();
            }
        }
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
        QCOMPARE(dialog.plan().rows[0].values[ColumnFreq].toDouble(), 50.5);
        QCOMPARE(dialog.plan().rows[0].values[ColumnAudio1].toDouble(), 7.0);

        auto *ok = dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
        QVERIFY(dialog.choose(QStringLiteral("china-dk"), PlanVariant::Analogue,
            QStringLiteral("D1"), QStringLiteral("D13")));
        QVERIFY(ok->isEnabled());
        const StandardPlan plan = dialog.plan();
        QCOMPARE(plan.caption, QStringLiteral("China cable D/K"));
        // D1..D5, Z1..Z7, D6..D12, Z8..Z38, D13
        QCOMPARE(plan.rows.size(), 5 + 7 + 7 + 31 + 1);
        QCOMPARE(plan.rows.last().values[ColumnFreq].toDouble(), 471.25);
        QVERIFY(dialog.choose(QStringLiteral("na-std"), PlanVariant::Digital, QStringLiteral("14"),
            QStringLiteral("2")));
        QVERIFY(dialog.plan().rows.isEmpty());
        QVERIFY(!ok->isEnabled());
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
        QCOMPARE(expected.first().values[ColumnName].toString(), QStringLiteral("E21"));
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
        f.messages.queueAnswers({ AnswerNo });
        QVERIFY(!tools->confirmDownload());
        QCOMPARE(f.messages.shown.size(), 1);
        QVERIFY(f.messages.shown.first().text.contains(QLatin1String("Send anyway?")));
        QVERIFY(tools->findingsList()->isVisible());
    }

    void refusesBrokenTables()
    {
        for (const char *bytes : { "# nothing\n", "C\tE2\t48.25\t7\n", // channel before standard
                 "S\tx\t5.5\tX\tX\nC\tE2AB\t48.25\t7\n", "S\tx\t5.5\tX\tX\nC\tE2\tabc\t7\n" }) {
            StandardPlans plans;
            QString error;
            QVERIFY2(!plans.parse(bytes, &error) && !error.isEmpty(), bytes);
        }
    }
};

QTEST_MAIN(StandardPlansTest)
#include "tst_standard_plans.moc"
