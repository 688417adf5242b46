// The editor window as it opens and closes, the grid's view of the store, and
// the grid's model (under Qt's model tester, as the fixture attaches it).
#include "CliRun.h"
#include "EditorFixture.h"
#include "OtherConnection.h"

#include "base/TextCatalogue.h"
#include "editor/ChannelCountLabel.h"
#include "editor/FavoritesPanel.h"
#include "editor/PlanTableModel.h"
#include "editor/PlanTableView.h"
#include "editor/PlanTools.h"
#include "rules/PlanSizeLimit.h"
#include "widgets/FileDialogs.h"

#include <QFile>
#include <QLabel>
#include <QToolButton>
#include <QtTest>

using namespace plandor;
using namespace plandor::test;

namespace {

// Stored in this order; ID order and frequency order differ from it.
const QList<ChannelValues> kMixedPlan
    = { TempStore::row(3, "C", "TV", 100.25, 4.5), TempStore::row(1, "A", "DIGI", 474, 8),
          TempStore::row(7, "D", "TV", 46, 6.5), TempStore::row(2, "B", "TV", 61.25, 5.5) };

} // namespace

class EditorWindowTest : public QObject
{
    Q_OBJECT

private slots:
    // A new window shows the headings and no unit. The panel and caption come
    // back with the plan at the next start: typed into the boxes, or brought
    // in with a plan; the close button closes without a question. A caption
    // (from a plan file) is shown as its characters, markup and all.
    void panelAndCaptionComeBackWithThePlan()
    {
        EditorFixture f;
        QStringList headings;
        for (int c = 0; c < 5; ++c)
            headings.append(f.form->model()->headerData(c, Qt::Horizontal).toString());
        QCOMPARE(headings.join(u'|'), QStringLiteral("    ID|STD CH|  Type|  Freq|Audio Offset"));
        QCOMPARE(f.unit()->currentIndex(), -1);
        PanelTexts panel { { "1", "2", "3", "4", "5", "6" }, "dBmV", "8" };
        const QString caption = QStringLiteral("<b>R&D</b> plan");
        QVERIFY(f.form->replacePlan(kMixedPlan, panel, caption));
        f.box(1)->clear();
        QTest::keyClicks(f.box(1), QStringLiteral("42"));
        panel.favorites[1] = QStringLiteral("42");
        auto *command10 = f.form->findChild<QToolButton *>(QStringLiteral("Command10"));
        QVERIFY(command10);
        QTest::mouseClick(command10, Qt::LeftButton);
        QVERIFY(!f.form->isVisible());
        QVERIFY(f.messages.shown.isEmpty());
        f.form.reset();

        EditorWindow next(f.channels);
        QCOMPARE(next.caption(), caption);
        QCOMPARE(next.panel()->panel(), panel);
        QCOMPARE(next.model()->rowCount(), kMixedPlan.size());
        auto *label = next.findChild<QLabel *>(QStringLiteral("FregtableCaption"));
        QVERIFY(label);
        QCOMPARE(label->textFormat(), Qt::PlainText);
        QCOMPARE(label->text(), QStringLiteral("<b>R&&D</b> plan"));
    }

    // A plan that comes in whole (a file, the instrument) keeps every row:
    // rows the rules refuse (here the last, at 2000 MHz) are marked and a plan
    // past the instrument's limit is counted; one message tells both.
    void incomingPlanIsMarkedAndToldOnce_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("channels");
        QTest::addColumn<QString>("told");
        const auto marked = [](int id) {
            return QStringLiteral("1 channel(s) break the channel rules and are marked in the "
                                  "grid; the plan is kept as it is.\nThe first (ID %1, %1): ")
                       .arg(id)
                + CatalogueText(27);
        };
        const QString tooLarge = PlanSizeLimit::tooLargeText(256);
        QTest::newRow("Open, a refused row") << "Open" << 3 << marked(3);
        QTest::newRow("Open, 256, one refused") << "Open" << 256 << tooLarge + "\n\n" + marked(256);
        QTest::newRow("Upload, a refused row") << "Upload" << 3 << marked(3);
    }
    void incomingPlanIsMarkedAndToldOnce()
    {
        QFETCH(QString, command);
        QFETCH(int, channels);
        QFETCH(QString, told);
        EditorFixture f;
        QList<ChannelValues> rows;
        for (int i = 1; i <= channels; ++i) {
            const double freq = i == channels ? 2000 : 50.0 + i;
            rows.append(TempStore::row(i, QString::number(i), "TV", freq, 6.5));
            f.link->planToRead.items.append(
                { 0, "TV", quint8(i), float(freq), 0, QString::number(i), 6.5f, 0, {} });
        }
        f.link->favoritesToRead = { 1, 2, 3, 4, 0, 250, 8, 1, 0 };
        const QString path = f.store.dir() + "/plan.txt";
        QVERIFY(writePlanFile(path, rows));
        FileDialogs::queueAnswer(path);
        f.click(command.toLatin1().constData());
        QCOMPARE(f.messages.texts(), QStringList { told });
        QCOMPARE(f.store.rows(), rows);
        const QList<RowRefusal> marked = f.form->model()->refusals();
        QCOMPARE(marked.size(), 1);
        QCOMPARE(marked[0].row, channels - 1);
        auto *count = f.form->findChild<ChannelCountLabel *>(QStringLiteral("FregtableCount"));
        QVERIFY(count);
        QCOMPARE(count->overLimit(), channels > 255);
        QCOMPARE(count->text(), QStringLiteral("%1 / 255 channels").arg(channels));
    }

    // Download of a plan the instrument cannot take (past its limit, or with
    // a channel the rules refuse) is refused as it is, before the plan check
    // could ask to send it anyway (its overlapping channels would be a
    // question) and before the link is touched.
    void unsendablePlanIsRefusedFirst_data()
    {
        QTest::addColumn<int>("channels");
        QTest::addColumn<double>("lastFreq");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("256 channels") << 256 << 306.0 << PlanSizeLimit::tooLargeText(256);
        QTest::newRow("a refused channel")
            << 3 << 1200.0 << "The plan holds channels the rules refuse; nothing was sent:";
    }
    void unsendablePlanIsRefusedFirst()
    {
        QFETCH(int, channels);
        QFETCH(double, lastFreq);
        QFETCH(QString, refusal);
        EditorFixture f;
        PlanTools::attach(*f.form);
        QList<ChannelValues> rows;
        for (int i = 1; i < channels; ++i)
            rows.append(TempStore::row(i, "C", "TV", 50.0 + i, 6.5));
        rows.append(TempStore::row(channels, "L", "TV", lastFreq, 6.5));
        f.load(rows);
        f.messages.clear();
        f.messages.queueAnswers({ MessageAnswer::Yes });
        f.click("Download");
        const QStringList texts = f.messages.texts();
        QCOMPARE(texts.size(), 2);
        QVERIFY2(texts[0].startsWith(refusal), qPrintable(texts[0]));
        QCOMPARE(texts[1], CatalogueText(19));
        QCOMPARE(f.messages.shown[0].style, MessageStyle::ExclamationOk);
        QVERIFY(f.link->calls.isEmpty());
    }

    // Paste says so once: when it takes the plan past the limit (not at the
    // next paste), and whenever it copies a refused row.
    void pasteTells_data()
    {
        QTest::addColumn<int>("channels");
        QTest::addColumn<double>("copiedFreq");
        QTest::addColumn<QStringList>("told"); // after the first and the second paste
        const QString refused = CatalogueText(27);
        QTest::newRow("past the limit")
            << 255 << 51.0 << QStringList { PlanSizeLimit::tooLargeText(256), QString() };
        QTest::newRow("a refused row") << 3 << 2000.0 << QStringList { refused, refused };
    }
    void pasteTells()
    {
        QFETCH(int, channels);
        QFETCH(double, copiedFreq);
        QFETCH(QStringList, told);
        EditorFixture f;
        QList<ChannelValues> rows;
        for (int i = 1; i <= channels; ++i)
            rows.append(TempStore::row(i, "C", "TV", i == 1 ? copiedFreq : 50.0 + i, 6.5));
        f.load(rows);
        f.messages.clear(); // what loading said is not this test's
        PlanTableView *grid = f.form->view();
        grid->setFocus();
        grid->selectRow(0);
        QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
        for (int paste = 0; paste < 2; ++paste) {
            QTest::keyClick(grid, Qt::Key_V, Qt::ControlModifier);
            QCOMPARE(f.form->model()->rowCount(), channels + paste + 1);
            QCOMPARE(f.messages.shown.size(), told[paste].isEmpty() ? 0 : 1);
            QVERIFY(f.messages.texts().value(0).contains(told[paste]));
            f.messages.clear();
        }
    }

    // Save never writes a substitute (0x1A) for what the run's code page
    // cannot hold: it names what and offers UTF-8 with a byte-order mark; No
    // writes nothing. (A Chinese run's GB18030 holds it all: tst_planfile.)
    void saveOffersUtf8()
    {
        EditorFixture f;
        f.load({ TempStore::row(1, "A", "TV", 55.25, 6.5),
            TempStore::row(2, "中", "TV", 61.25, 6.5) });
        f.form->setCaption(QStringLiteral("中文频道表"));
        const QString path = f.store.dir() + QStringLiteral("/saved.txt");
        f.messages.queueAnswers({ MessageAnswer::No, MessageAnswer::Yes });
        for (const bool yes : { false, true }) {
            FileDialogs::queueAnswer(path);
            f.click("Save");
            QCOMPARE(QFile::exists(path), yes);
        }
        QCOMPARE(f.messages.shown.size(), 2);
        QCOMPARE(f.messages.shown[0].style, MessageStyle::QuestionYesNo);
        const QString asked = f.messages.shown[0].text;
        QVERIFY2(asked.contains(QStringLiteral("2 (中)")) && asked.contains("the caption"),
            qPrintable(asked));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().startsWith("\xEF\xBB\xBF"));
    }

    // The grid shows the store in order; a store that cannot be read leaves
    // the grid as it was and says why.
    void gridShowsThePlanInOrder()
    {
        EditorFixture f;
        f.load(kMixedPlan, PlanOrder::ByFreq);
        const PlanTableModel *model = f.form->model();
        const QStringList shown = { "7 D TV 46.00 6.50", "2 B TV 61.25 5.50", "3 C TV 100.25 4.50",
            "1 A DIGI 474.00 8.00" };
        QCOMPARE(gridTexts(model), shown);
        // The cell's own text is the value in its shortest form.
        QCOMPARE(gridTexts(model, Qt::EditRole).first(), QStringLiteral("7 D TV 46 6.5"));
        QVERIFY(f.messages.shown.isEmpty());

        QVERIFY(OtherConnection(f.store.path(), "DROP TABLE ChannelPlanUser").ok());
        QVERIFY(!f.form->reload(PlanOrder::ByFreq));
        QCOMPARE(f.messages.shown.size(), 1);
        QCOMPARE(f.messages.shown[0].style, MessageStyle::ExclamationOk);
        QCOMPARE(gridTexts(model), shown);
    }

    // The grid's model: edits stay in the row's buffer until the commit, a
    // row with the same ID as another is written by its own identity, and
    // a value the store cannot take keeps the row pending.
    void modelCommitsByIdentity()
    {
        EditorFixture f;
        f.load(kMixedPlan); // in ID order: A B C D
        PlanTableModel &model = *f.form->model();
        QVERIFY(model.setData(model.index(3, ColumnId), QStringLiteral("2")));
        QVERIFY(!model.setData(model.index(3, ColumnId), QStringLiteral("2"))); // no change
        QCOMPARE(f.store.rows(PlanOrder::Stored), kMixedPlan); // not yet written
        QCOMPARE(model.pendingRow(), 3);
        QVERIFY(model.setData(model.index(3, ColumnName), QStringLiteral("X")));
        QVERIFY(model.commitPending());
        QCOMPARE(f.store.rows(PlanOrder::Stored)[2], TempStore::row(2, "X", "TV", 46, 6.5));

        QVERIFY(model.setData(model.index(0, ColumnId), QStringLiteral("x")));
        QVERIFY(!model.commitPending());
        QCOMPARE(model.pendingRow(), 0);
        QCOMPARE(f.messages.shown.size(), 1);
        model.revertPending();
        QCOMPARE(model.index(0, ColumnId).data().toString(), QStringLiteral("1"));
    }
};

QTEST_MAIN(EditorWindowTest)
#include "tst_editor_window.moc"
