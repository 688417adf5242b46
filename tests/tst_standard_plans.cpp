// The shipped standard plans: known carriers from the published tables, each
// table's channel count, the plans made from them, and the dialog that picks one.
#include "EditorFixture.h"

#include "base/Language.h"
#include "editor/PlanCheckList.h"
#include "editor/PlanTableModel.h"
#include "editor/PlanTools.h"
#include "editor/SpectrumView.h"
#include "editor/StandardPlanDialog.h"
#include "rules/ChannelRules.h"
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

    const StandardChannel *channel(const QString &key, const QString &name)
    {
        const StandardTable *t = m_standards.find(key);
        if (!t)
            return nullptr;
        for (const StandardChannel &c : t->channels) {
            if (c.name == name)
                return &c;
        }
        return nullptr;
    }

private slots:
    void initTestCase()
    {
        LanguageOffset = kEnglishOffset;
        QString error;
        QVERIFY2(m_standards.load(&error), qPrintable(error));
    }

    void carriers_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("carrier");
        QTest::addColumn<double>("digitalCentre");
        QTest::addColumn<double>("bandwidth");
        auto add = [](const char *key, const char *name, double carrier, double centre, double bw) {
            QTest::addRow("%s %s", key, name)
                << QString::fromLatin1(key) << QString::fromLatin1(name) << carrier << centre << bw;
        };
        add("na-std", "2", 55.25, 57, 6);
        add("na-std", "7", 175.25, 177, 6);
        add("na-std", "14", 121.25, 123, 6);
        add("na-std", "95", 91.25, 93, 6);
        add("na-std", "158", 997.25, 999, 6);
        add("na-irc", "5", 79.25, 81, 6);
        add("na-hrc", "7", 174.0087, 175.7587, 6);
        add("na-air", "14", 471.25, 473, 6);
        add("china-dk", "D1", 49.75, 52.5, 8);
        add("china-dk", "Z1", 112.25, 115, 8);
        add("china-dk", "D13", 471.25, 474, 8);
        add("ccir-bg", "E2", 48.25, 50.5, 7);
        add("ccir-bg", "E5", 175.25, 177.5, 7);
        add("ccir-bg", "E21", 471.25, 474, 8);
        add("oirt-dk", "R1", 49.75, 52.5, 8);
        add("japan-air", "1", 91.25, 93, 6);
        add("japan-cable", "C22", 165.25, 167, 6);
    }
    void carriers()
    {
        QFETCH(QString, key);
        QFETCH(QString, name);
        QFETCH(double, carrier);
        QFETCH(double, digitalCentre);
        QFETCH(double, bandwidth);
        const StandardTable *t = m_standards.find(key);
        const StandardChannel *c = channel(key, name);
        QVERIFY(t && c);
        QCOMPARE(c->carrier, carrier);
        QCOMPARE(c->bandwidth, bandwidth);
        QCOMPARE(StandardPlans::planFrequency(*t, *c, PlanVariant::Digital), digitalCentre);
    }

    void counts_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("channels");
        QTest::addColumn<double>("audioOffset");
        QTest::addColumn<QStringList>("leftOutAnalogue");
        QTest::addColumn<QStringList>("leftOutDigital");
        const QStringList none;
        // Digital 158 would reach 1002 MHz (centre 999, 6 MHz wide).
        QTest::newRow("na-std") << "na-std" << 157 << 4.5 << none << QStringList { "158" };
        QTest::newRow("na-hrc") << "na-hrc" << 157 << 4.5 << none << QStringList { "158" };
        QTest::newRow("na-irc") << "na-irc" << 157 << 4.5 << none << QStringList { "158" };
        QTest::newRow("na-air") << "na-air" << 68 << 4.5 << none << none;
        // E2's lower edge (48.25 - 5.5/2) lies below 46 MHz.
        QTest::newRow("ccir-bg") << "ccir-bg" << 100 << 5.5 << QStringList { "E2" } << none;
        QTest::newRow("oirt-dk") << "oirt-dk" << 61 << 6.5 << none << none;
        QTest::newRow("china-dk") << "china-dk" << 111 << 6.5 << none << none;
        QTest::newRow("japan-air") << "japan-air" << 62 << 4.5 << none << none;
        QTest::newRow("japan-cable") << "japan-cable" << 63 << 4.5 << none << none;
    }
    void counts()
    {
        QFETCH(QString, key);
        QFETCH(int, channels);
        QFETCH(double, audioOffset);
        QFETCH(QStringList, leftOutAnalogue);
        QFETCH(QStringList, leftOutDigital);
        const StandardTable *t = m_standards.find(key);
        QVERIFY(t);
        QCOMPARE(t->channels.size(), channels);
        QCOMPARE(t->audioOffset, audioOffset);
        const int last = int(t->channels.size()) - 1;

        const StandardPlan analogue = StandardPlans::build(*t, PlanVariant::Analogue, 0, last);
        QCOMPARE(analogue.leftOut, leftOutAnalogue);
        QCOMPARE(analogue.rows.size(), channels - leftOutAnalogue.size());
        const StandardPlan digital = StandardPlans::build(*t, PlanVariant::Digital, 0, last);
        QCOMPARE(digital.leftOut, leftOutDigital);
        QCOMPARE(digital.rows.size(), channels - leftOutDigital.size());
        // Rows are numbered 1..n in frequency order, and every one passes the rules.
        double previous = 0;
        for (int i = 0; i < digital.rows.size(); ++i) {
            const ChannelValues &row = digital.rows[i];
            QCOMPARE(row.values[ColumnId].toLongLong(), i + 1);
            QCOMPARE(row.values[ColumnType].toString(), QStringLiteral("DIGI"));
            QVERIFY(row.values[ColumnFreq].toDouble() > previous);
            previous = row.values[ColumnFreq].toDouble();
        }
    }

    // A range of one standard holds the table's channels between the two,
    // whatever their names; a range the wrong way round makes nothing.
    void rangeOfAStandard()
    {
        StandardPlanDialog dialog(m_standards);
        QVERIFY(dialog.choose(QStringLiteral("china-dk"), PlanVariant::Analogue,
            QStringLiteral("D1"), QStringLiteral("D13")));
        auto *ok = dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
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
        const int last = int(ccir->channels.size()) - 1;
        const QList<ChannelValues> expected
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

    // Choosing through the boxes as a user would.
    void dialogByKeyboard()
    {
        StandardPlanDialog dialog(m_standards);
        auto *standardBox = dialog.findChild<QComboBox *>(QStringLiteral("standardBox"));
        QVERIFY(standardBox);
        const int ccirDigital = standardBox->findText(QStringLiteral("Europe CCIR B/G (DIGI)"));
        QVERIFY(ccirDigital >= 0);
        standardBox->setCurrentIndex(ccirDigital);
        auto *lastBox = dialog.findChild<QComboBox *>(QStringLiteral("lastChannelBox"));
        lastBox->setCurrentIndex(2); // E4
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::keyClick(&dialog, Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const StandardPlan plan = dialog.plan();
        QCOMPARE(plan.rows.size(), 3);
        QCOMPARE(plan.rows[0].values[ColumnFreq].toDouble(), 50.5);
        QCOMPARE(plan.rows[0].values[ColumnAudio1].toDouble(), 7.0);
    }

    void refusesBrokenTables_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray("# nothing\n");
        QTest::newRow("channel before standard") << QByteArray("C\tE2\t48.25\t7\n");
        QTest::newRow("name too long") << QByteArray("S\tx\t5.5\tX\tX\nC\tE2AB\t48.25\t7\n");
        QTest::newRow("carrier not a number") << QByteArray("S\tx\t5.5\tX\tX\nC\tE2\tabc\t7\n");
    }
    void refusesBrokenTables()
    {
        QFETCH(QByteArray, bytes);
        StandardPlans plans;
        QString error;
        QVERIFY(!plans.parse(bytes, &error));
        QVERIFY(!error.isEmpty());
    }
};

QTEST_MAIN(StandardPlansTest)
#include "tst_standard_plans.moc"
