// The editor window as it opens and closes, the grid's view of the store, and
// the grid's model on its own under Qt's model tester.
#include "EditorFixture.h"
#include "OtherConnection.h"

#include "base/TextCatalogue.h"
#include "editor/ChannelCountLabel.h"
#include "editor/FavoritesPanel.h"
#include "editor/PlanTableModel.h"
#include "editor/PlanTableView.h"
#include "rules/PlanSizeLimit.h"
#include "store/PlanFile.h"
#include "widgets/FileDialogs.h"

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>

using namespace plandor;
using namespace plandor::test;

namespace {

// Stored in this order; ID order and frequency order differ from it.
QList<ChannelValues> mixedPlan()
{
    return { TempStore::row(3, "C", "TV", 100.25, 4.5), TempStore::row(1, "A", "DIGI", 474, 8),
        TempStore::row(7, "D", "TV", 46, 6.5), TempStore::row(2, "B", "TV", 61.25, 5.5) };
}

} // namespace

class EditorWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void afterOpenAndClose_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QStringList>("headings");
        QTest::newRow("English") << 500
                                 << QStringList { "    ID", "STD CH", "  Type", "  Freq",
                                        "Audio Offset" };
        QTest::newRow("Chinese") << 0
                                 << QStringList { QStringLiteral("  序列号"),
                                        QStringLiteral("标准频道号"), QStringLiteral("频道类型"),
                                        QStringLiteral("中心频率"), QStringLiteral("伴音") };
    }
    void afterOpenAndClose()
    {
        QFETCH(int, language);
        QFETCH(QStringList, headings);
        EditorFixture f { qint16(language) };
        EditorWindow &form = *f.form;
        QCOMPARE(form.objectName(), QStringLiteral("Form2"));
        QCOMPARE(form.view()->objectName(), QStringLiteral("Fregtable"));
        QCOMPARE(form.model()->rowCount(), 0);
        QStringList shown;
        for (int c = 0; c < 5; ++c)
            shown.append(form.model()->headerData(c, Qt::Horizontal).toString());
        QCOMPARE(shown, headings);
        QCOMPARE(f.buttonStates(), QStringLiteral("EDEDDDDDD"));
        QCOMPARE(f.unit()->count(), 2);
        QCOMPARE(f.unit()->currentIndex(), -1);
        QCOMPARE(form.caption(), CatalogueText(15));
        // The close button closes without a question and without writing.
        auto *command10 = form.findChild<QToolButton *>(QStringLiteral("Command10"));
        QVERIFY(command10 && form.isVisible());
        QTest::mouseClick(command10, Qt::LeftButton);
        QVERIFY(!form.isVisible());
        QVERIFY(f.messages.shown.isEmpty());
    }

    // The panel and caption come back with the plan at the next start: typed
    // into the boxes, or brought in with a plan.
    void panelAndCaptionComeBackWithThePlan()
    {
        EditorFixture f;
        PanelTexts panel;
        for (int slot = 0; slot < 6; ++slot)
            panel.favorites[slot] = QString::number(slot + 1);
        panel.unit = QStringLiteral("dBmV");
        panel.span = QStringLiteral("8");
        QVERIFY(f.form->replacePlan(mixedPlan(), panel, QStringLiteral("Head-end B")));
        f.box(1)->clear();
        QTest::keyClicks(f.box(1), QStringLiteral("42"));
        panel.favorites[1] = QStringLiteral("42");
        f.form->close();
        f.form.reset();

        EditorWindow next(f.channels);
        QCOMPARE(next.caption(), QStringLiteral("Head-end B"));
        QCOMPARE(next.panel()->panel(), panel);
        QCOMPARE(next.model()->rowCount(), mixedPlan().size());
    }

    // A caption from a plan file is shown as its characters, markup and all.
    void captionIsPlainText()
    {
        EditorFixture f;
        const QString caption = QStringLiteral("<b>R&D</b> plan");
        f.form->setCaption(caption);
        QCOMPARE(f.form->caption(), caption);
        auto *label = f.form->findChild<QLabel *>(QStringLiteral("FregtableCaption"));
        QVERIFY(label);
        QCOMPARE(label->textFormat(), Qt::PlainText);
        QCOMPARE(label->text(), QStringLiteral("<b>R&&D</b> plan"));
    }

    // Open keeps every row of the file: rows the rules refuse are marked
    // and a plan past the instrument's limit is counted; one message tells
    // both, in the run's language.
    void openMarksAndWarnsOnce_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("refusedRow"); // -1: none
        QTest::addColumn<QString>("told");
        const QString marked = QStringLiteral("1 channel(s) break the channel rules and are marked "
                                              "in the grid; the plan is kept as it is.\n"
                                              "The first (ID 2, 2): ")
            + TextCatalogue::entry(27 + 500);
        QTest::newRow("a refused row") << 500 << 3 << 1 << marked;
        QTest::newRow("a refused row, Chinese")
            << 0 << 3 << 1
            << QStringLiteral("有 1 个频道不符合频道规则，已在表中标出，频道表保持原样。\n"
                              "第一个（序列号 2，2）：")
                + TextCatalogue::entry(27);
        QTest::newRow("256 channels") << 500 << 256 << -1 << PlanSizeLimit::tooLargeText(256);
        QTest::newRow("256, one refused")
            << 500 << 256 << 1 << PlanSizeLimit::tooLargeText(256) + "\n\n" + marked;
    }
    void openMarksAndWarnsOnce()
    {
        QFETCH(int, language);
        QFETCH(int, channels);
        QFETCH(int, refusedRow);
        QFETCH(QString, told);
        EditorFixture f { qint16(language) };
        PlanFileSource source;
        source.caption = QStringLiteral("plan");
        source.panel.span = QStringLiteral("8");
        for (int i = 1; i <= channels; ++i) {
            const double freq = i - 1 == refusedRow ? 2000 : 50.0 + i;
            source.rows.append(TempStore::row(i, QString::number(i), "TV", freq, 6.5));
        }
        const QString path = f.store.dir() + "/plan.txt"; // in the run's own code page
        QVERIFY(PlanFile::write(
            path, source, PlanFile::encodingForLanguage(qint16(language)), nullptr));
        FileDialogs::queueAnswer(path);
        f.click("Open");
        QCOMPARE(f.messages.texts(), told.isEmpty() ? QStringList {} : QStringList { told });
        QCOMPARE(f.store.rows(PlanOrder::ById), source.rows);
        QList<int> marked;
        for (const RowRefusal &r : f.form->model()->refusals())
            marked.append(r.row);
        QCOMPARE(marked, refusedRow < 0 ? QList<int> {} : QList<int> { refusedRow });
        auto *count = f.form->findChild<ChannelCountLabel *>(QStringLiteral("FregtableCount"));
        QVERIFY(count);
        QCOMPARE(count->overLimit(), channels > 255);
        if (language == 500)
            QCOMPARE(count->text(), QStringLiteral("%1 / 255 channels").arg(channels));
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
            const QStringList shown = f.messages.texts();
            f.messages.clear();
            QCOMPARE(shown.size(), told[paste].isEmpty() ? 0 : 1);
            if (!shown.isEmpty())
                QVERIFY2(shown[0].contains(told[paste]), qPrintable(shown[0]));
        }
    }

    // A received plan with a channel the rules refuse is stored whole,
    // marked, and the user is told.
    void uploadMarksARefusedChannel()
    {
        EditorFixture f;
        f.link->planToRead = { 1,
            { LinkRecord { 0, "TV", 1, 55.25f, 0, "A", 6.5f, 0, {} },
                LinkRecord { 0, "TV", 2, 2000.0f, 0, "B", 6.5f, 0, {} } } };
        f.link->favoritesToRead = { 1, 2, 3, 4, 0, 250, 8, 1, 0 };
        f.click("Upload");
        QCOMPARE(f.store.rows().size(), 2);
        QCOMPARE(f.form->model()->refusals().size(), 1);
        QCOMPARE(f.form->model()->refusals()[0].row, 1); // in frequency order
        QCOMPARE(f.messages.texts().size(), 1);
        QVERIFY2(
            f.messages.texts()[0].contains(CatalogueText(27)), qPrintable(f.messages.texts()[0]));
    }

    // Save never writes a substitute (0x1A) for what the run's code page
    // cannot hold: it names what and offers UTF-8 with a byte-order mark.
    // A Chinese run's GB18030 holds it all and asks nothing.
    void saveOffersUtf8_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QByteArray>("start"); // of the file written; null: none
        QTest::newRow("English, Yes") << 500 << int(AnswerYes) << QByteArray("\xEF\xBB\xBF");
        QTest::newRow("English, No") << 500 << int(AnswerNo) << QByteArray();
        QTest::newRow("Chinese") << 0 << int(AnswerNo) << QByteArray("\xD6\xD0"); // GB18030 中
    }
    void saveOffersUtf8()
    {
        QFETCH(int, language);
        QFETCH(int, answer);
        QFETCH(QByteArray, start);
        EditorFixture f { qint16(language) };
        // A received name the rules refuse is still kept by Save.
        const QList<ChannelValues> rows = { TempStore::row(1, "A", "TV", 55.25, 6.5),
            TempStore::row(2, "中", "TV", 61.25, 6.5) };
        f.load(rows);
        const QString caption = QStringLiteral("中文频道表");
        f.form->setCaption(caption);
        const QString path = f.store.dir() + QStringLiteral("/saved.txt");
        f.messages.queueAnswers({ answer });
        FileDialogs::queueAnswer(path);
        f.click("Save");
        if (language == 500) {
            QCOMPARE(f.messages.shown.size(), 1);
            QCOMPARE(f.messages.shown[0].style, int(StyleQuestionYesNo));
            const QString asked = f.messages.shown[0].text;
            QVERIFY2(asked.contains(QStringLiteral("2 (中)")) && asked.contains("the caption"),
                qPrintable(asked));
        } else {
            QVERIFY(f.messages.shown.isEmpty());
        }
        QFile file(path);
        QCOMPARE(file.exists(), !start.isNull());
        if (start.isNull())
            return;
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(!bytes.contains('\x1A'));
        QVERIFY(language == 0 ? bytes.contains(start) : bytes.startsWith(start));
        PlanFileContent back;
        QString error;
        QVERIFY2(PlanFile::parse(bytes, back, &error), qPrintable(error));
        QCOMPARE(back.caption, caption);
        QCOMPARE(back.rows, rows);
    }

    void gridShowsThePlanInOrder()
    {
        EditorFixture f;
        f.load(mixedPlan(), PlanOrder::ByFreq);
        const PlanTableModel *model = f.form->model();
        QCOMPARE(gridTexts(model),
            (QStringList { "7 D TV 46.00 6.50", "2 B TV 61.25 5.50", "3 C TV 100.25 4.50",
                "1 A DIGI 474.00 8.00" }));
        // The cell's own text is the value in its shortest form.
        QCOMPARE(gridTexts(model, Qt::EditRole).first(), QStringLiteral("7 D TV 46 6.5"));
        QVERIFY(f.form->reload(PlanOrder::ById));
        QCOMPARE(gridTexts(model).first(), QStringLiteral("1 A DIGI 474.00 8.00"));
        // Columns 1750 twips wide, rows 300 high.
        PlanTableView *grid = f.form->view();
        const double dotsPerTwip = grid->logicalDpiX() / 1440.0;
        for (int c = 0; c < 5; ++c)
            QCOMPARE(grid->columnWidth(c), int(std::lround(1750 * dotsPerTwip)));
        QCOMPARE(grid->rowHeight(3), int(std::lround(300 * dotsPerTwip)));
        QVERIFY(f.messages.shown.isEmpty());
    }

    // A store that cannot be read leaves the grid as it was and says why.
    void reloadFailureKeepsTheGrid()
    {
        EditorFixture f;
        f.load(mixedPlan());
        const QStringList before = gridTexts(f.form->model());
        QVERIFY(OtherConnection(f.store.path(), "DROP TABLE ChannelPlanUser").ok());
        QVERIFY(!f.form->reload(PlanOrder::ByFreq));
        QCOMPARE(f.messages.shown.size(), 1);
        QCOMPARE(f.messages.shown[0].style, int(StyleExclamationOk));
        QCOMPARE(gridTexts(f.form->model()), before);
    }

    // The model alone: edits stay in the row's buffer until the commit, a
    // row with the same ID as another is written by its own identity, and
    // a value the store cannot take keeps the row pending.
    void modelCommitsByIdentity()
    {
        TempStore temp;
        temp.seed(mixedPlan());
        ChannelStore store(temp.path());
        PlanTableModel model(store);
        QAbstractItemModelTester tester(
            &model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        RecordingPrompter messages;
        QVERIFY(model.reload(PlanOrder::ById)); // A B C D
        QSignalSpy committed(&model, &PlanTableModel::rowCommitted);
        QVERIFY(model.setData(model.index(3, ColumnId), QStringLiteral("2")));
        QVERIFY(!model.setData(model.index(3, ColumnId), QStringLiteral("2"))); // no change
        QCOMPARE(temp.rows(PlanOrder::Stored), mixedPlan()); // not yet written
        QCOMPARE(model.pendingRow(), 3);
        QVERIFY(model.setData(model.index(3, ColumnName), QStringLiteral("X")));
        QVERIFY(model.commitPending());
        QCOMPARE(committed.size(), 1);
        QCOMPARE(temp.rows(PlanOrder::Stored)[2], TempStore::row(2, "X", "TV", 46, 6.5));

        QVERIFY(model.setData(model.index(0, ColumnFreq), QStringLiteral("abc")) == false);
        QCOMPARE(messages.texts(), QStringList { CatalogueText(27) }); // 0 MHz: refused
        QVERIFY(model.setData(model.index(0, ColumnId), QStringLiteral("x")));
        QVERIFY(!model.commitPending());
        QCOMPARE(model.pendingRow(), 0);
        QCOMPARE(messages.shown.size(), 2);
        model.revertPending();
        QCOMPARE(model.index(0, ColumnId).data().toString(), QStringLiteral("1"));
    }
};

QTEST_MAIN(EditorWindowTest)
#include "tst_editor_window.moc"
