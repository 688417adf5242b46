// Saving the plan and the panel to a text file and opening it again from the
// editor window: what the file holds, what an opened file restores, and that
// a refused file changes nothing.
#include "EditorFixture.h"

#include "app/TextCatalogue.h"
#include "app/ui/FileDialogs.h"
#include "editor/PlanGridModel.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QStringEncoder>
#include <QToolBar>
#include <QtTest>

using namespace plandor;
using namespace plandor::test;

namespace {

const QList<ChannelValues> kPlan = {
    TempStore::row(1, "2", "TV", 55.25, 4.5), TempStore::row(2, "S1", "DIGI", 100.1, 8),
    TempStore::row(3, "\"Q\"", "TV", 471.25, 6.5), // survives the reader's quote rule
};

struct Panel
{
    QStringList favorites; // boxes 0, 1, 2, 3, 5, 6
    QString unit;
    QString span;
};

const int kBoxes[6] = { 0, 1, 2, 3, 5, 6 };

void setPanel(Form2 &form, const Panel &panel)
{
    for (int i = 0; i < 6; ++i)
        form.text1(kBoxes[i])->setText(panel.favorites[i]);
    form.combo5()->setCurrentIndex(form.combo5()->findText(panel.unit));
    form.text1(4)->setText(panel.span);
}

Panel panelOf(const Form2 &form)
{
    Panel panel;
    for (int box : kBoxes)
        panel.favorites.append(form.text1(box)->text());
    panel.unit = form.combo5()->currentText();
    panel.span = form.text1(4)->text();
    return panel;
}

void comparePanels(const Panel &a, const Panel &b)
{
    QCOMPARE(a.favorites, b.favorites);
    QCOMPARE(a.unit, b.unit);
    QCOMPARE(a.span, b.span);
}

// Clicks a toolbar button as the user does.
void clickButton(Form2 &form, int index)
{
    QVERIFY(form.isButtonEnabled(index));
    QWidget *button = form.findChild<QToolBar *>(QStringLiteral("ToolDs"))
                          ->widgetForAction(form.toolButton(index));
    QTest::mouseClick(button, Qt::LeftButton);
}

QList<QByteArray> fileLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> lines = file.readAll().split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

const Panel kPanel = { { "1", "2", "3", "4", "5", "250" }, "dBmV", "7.5" };

} // namespace

class RecordsPlanFileTest : public QObject
{
    Q_OBJECT

private slots:
    void saveThenOpen();
    void acrossLanguages_data();
    void acrossLanguages();
    void refusedFileChangesNothing_data();
    void refusedFileChangesNothing();
    void fileWithOnlyFirstLine();
    void nameIsStoredAsText();
    void saveRefusals();
    void cancelledOpen();
    void shortcutsFollowButtons();
};

void RecordsPlanFileTest::saveThenOpen()
{
    EditorFixture f;
    f.store.seed(kPlan);
    QVERIFY(f.form->RefreshDataGrid(1, Form2::kOrderById));
    setPanel(*f.form, kPanel);
    f.form->setButtonEnabled(4, true);
    const QString path = f.store.dir() + QStringLiteral("/plan.txt");
    FileDialogs::queueAnswer(path);
    clickButton(*f.form, 4);
    QCOMPARE(f.form->SaveOk, QStringLiteral("Yes"));

    const QList<QByteArray> lines = fileLines(path);
    QCOMPARE(lines.size(), kPlan.size() + 10);
    QCOMPARE(lines[0], CatalogueText(15).toLatin1() + "\r");
    QCOMPARE(lines[2], QByteArray("1\t2\tTV\t55.25\t4.5\t\r"));
    QCOMPARE(lines[7], CatalogueText(63).prepend('*').toLatin1() + "\t3\r");
    QCOMPARE(lines.last(), QByteArray("*Span\t7.5\r"));

    // Open it into a window with another plan and an empty panel.
    EditorFixture g;
    g.store.seed({ TempStore::row(1, "X", "TV", 46, 4.5) });
    g.form->setGridCaption(QStringLiteral("other"));
    FileDialogs::queueAnswer(path);
    clickButton(*g.form, 3);
    QCOMPARE(g.form->LoadOk, QStringLiteral("Yes"));
    QCOMPARE(g.store.rows(), kPlan);
    QCOMPARE(g.form->gridModel()->rowCount(), kPlan.size());
    QCOMPARE(g.form->gridModel()->recordSource(), QString::fromLatin1(Form2::kOrderById));
    QCOMPARE(g.form->gridCaption(), CatalogueText(15));
    comparePanels(panelOf(*g.form), kPanel);
    QCOMPARE(g.form->SpanValue, 7.5f);
}

void RecordsPlanFileTest::acrossLanguages_data()
{
    QTest::addColumn<int>("savedIn");
    QTest::addColumn<int>("openedIn");
    QTest::newRow("Chinese file, English run") << 0 << 500;
    QTest::newRow("English file, Chinese run") << 500 << 0;
}

void RecordsPlanFileTest::acrossLanguages()
{
    QFETCH(int, savedIn);
    QFETCH(int, openedIn);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("plan.txt"));
    QString caption;
    {
        EditorFixture f { qint16(savedIn) };
        f.store.seed(kPlan);
        setPanel(*f.form, kPanel);
        caption = f.form->gridCaption();
        FileDialogs::queueAnswer(path);
        f.form->SavePlanFile();
        QCOMPARE(f.form->SaveOk, QStringLiteral("Yes"));
    }
    // The caption line is in the code page of the language it was saved in.
    QStringEncoder encoder(savedIn == 0 ? "GB18030" : "windows-1252");
    QCOMPARE(fileLines(path).first(), QByteArray(encoder.encode(caption)) + "\r");
    if (savedIn == 0)
        QVERIFY(fileLines(path).first() != caption.toUtf8() + "\r");
    EditorFixture g { qint16(openedIn) };
    FileDialogs::queueAnswer(path);
    g.form->OpenPlanFile();
    QCOMPARE(g.form->LoadOk, QStringLiteral("Yes"));
    QCOMPARE(g.form->gridCaption(), caption);
    QCOMPARE(g.store.rows(), kPlan);
    comparePanels(panelOf(*g.form), kPanel);
}

void RecordsPlanFileTest::refusedFileChangesNothing_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QByteArray nineStars = "caption\r\nID\tCHName\t\r\n1\t2\tTV\t55.25\t4.5\t\r\n";
    for (int i = 0; i < 9; ++i)
        nineStars += "*x\t1\r\n";
    QTest::newRow("nine star lines") << nineStars;
    QTest::newRow("Freq not a number") << QByteArray("caption\r\n1\t2\tTV\tabc\t4.5\t\r\n");
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("no such file") << QByteArray("<none>");
}

void RecordsPlanFileTest::refusedFileChangesNothing()
{
    QFETCH(QByteArray, bytes);
    EditorFixture f;
    f.store.seed(kPlan);
    QVERIFY(f.form->RefreshDataGrid(1, Form2::kOrderById));
    setPanel(*f.form, kPanel);
    const QString before = f.buttonStates();
    const QString path = f.store.dir() + QStringLiteral("/bad.txt");
    if (bytes != "<none>")
        writeFile(path, bytes);
    FileDialogs::queueAnswer(path);
    f.form->ToolDsButtonClick(QStringLiteral("Open"));

    QCOMPARE(f.form->LoadOk, QStringLiteral("No"));
    QCOMPARE(f.messages.shown.size(), 1);
    QCOMPARE(f.messages.shown[0].text.section(QLatin1Char('\n'), 0, 0), CatalogueText(21));
    QCOMPARE(f.messages.shown[0].style, int(StyleExclamationOk));
    QCOMPARE(f.store.rows(), kPlan);
    QCOMPARE(f.form->gridModel()->rowCount(), kPlan.size());
    QCOMPARE(f.form->gridCaption(), CatalogueText(15));
    comparePanels(panelOf(*f.form), kPanel);
    QCOMPARE(f.buttonStates(), before);
}

void RecordsPlanFileTest::fileWithOnlyFirstLine()
{
    EditorFixture f;
    f.store.seed(kPlan);
    setPanel(*f.form, kPanel);
    const QString path = f.store.dir() + QStringLiteral("/caption.txt");
    writeFile(path, "Only a caption");
    FileDialogs::queueAnswer(path);
    f.form->OpenPlanFile();
    QCOMPARE(f.form->LoadOk, QStringLiteral("Yes"));
    QVERIFY(f.store.rows().isEmpty());
    QCOMPARE(f.form->gridModel()->rowCount(), 0);
    QCOMPARE(f.form->gridCaption(), QStringLiteral("Only a caption"));
    QCOMPARE(panelOf(*f.form).favorites, QStringList(6, QString()));
    QCOMPARE(f.form->combo5()->currentIndex(), -1);
    QCOMPARE(f.form->SpanValue, 0.0f);
}

void RecordsPlanFileTest::nameIsStoredAsText()
{
    EditorFixture f;
    const QString name = QStringLiteral("x'); DROP TABLE ChannelPlanUser;--");
    const QString path = f.store.dir() + QStringLiteral("/inject.txt");
    writeFile(path, "c\r\n1\t" + name.toLatin1() + "\tTV\t46\t4.5\t\r\n");
    FileDialogs::queueAnswer(path);
    f.form->OpenPlanFile();
    QCOMPARE(f.form->LoadOk, QStringLiteral("Yes"));
    QCOMPARE(f.store.rows(), (QList<ChannelValues> { TempStore::row(1, name, "TV", 46, 4.5) }));
}

void RecordsPlanFileTest::saveRefusals()
{
    EditorFixture f;
    // An empty plan is not saved and the dialog is not even shown.
    FileDialogs::queueAnswer(f.store.dir() + QStringLiteral("/never.txt"));
    f.form->SavePlanFile();
    QCOMPARE(f.form->SaveOk, QStringLiteral("No"));
    QCOMPARE(f.messages.texts(), QStringList { CatalogueText(20) });
    QCOMPARE(f.messages.shown[0].style, int(StyleExclamationOk));
    QVERIFY(!QFile::exists(f.store.dir() + QStringLiteral("/never.txt")));
    FileDialogs::clearQueue();

    f.store.seed(kPlan);
    f.messages.clear();
    f.form->SaveOk = QStringLiteral("Yes");
    FileDialogs::queueAnswer(QString()); // cancelled
    f.form->SavePlanFile();
    QCOMPARE(f.form->SaveOk, QStringLiteral("No"));
    QVERIFY(f.messages.shown.isEmpty());

    // A folder that does not exist: the reason is shown.
    const QString path = f.store.dir() + QStringLiteral("/missing/plan.txt");
    FileDialogs::queueAnswer(path);
    f.form->SavePlanFile();
    QCOMPARE(f.form->SaveOk, QStringLiteral("No"));
    QCOMPARE(f.messages.shown.size(), 1);
    QVERIFY(f.messages.shown[0].text.contains(QStringLiteral("plan.txt")));
}

void RecordsPlanFileTest::cancelledOpen()
{
    EditorFixture f;
    f.store.seed(kPlan);
    f.form->LoadOk = QStringLiteral("Yes");
    FileDialogs::queueAnswer(QString());
    f.form->OpenPlanFile();
    QCOMPARE(f.form->LoadOk, QStringLiteral("No"));
    QVERIFY(f.messages.shown.isEmpty());
    QCOMPARE(f.store.rows(), kPlan);
}

void RecordsPlanFileTest::shortcutsFollowButtons()
{
    EditorFixture f;
    f.store.seed(kPlan);
    QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
    const QString path = f.store.dir() + QStringLiteral("/keys.txt");

    // Save is disabled after the load: Ctrl+S does nothing.
    FileDialogs::queueAnswer(path);
    QTest::keyClick(f.form.get(), Qt::Key_S, Qt::ControlModifier);
    QVERIFY(f.form->SaveOk.isEmpty());
    FileDialogs::clearQueue();

    f.form->setButtonEnabled(4, true);
    FileDialogs::queueAnswer(path);
    QTest::keyClick(f.form.get(), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(f.form->SaveOk, QStringLiteral("Yes"));
    QVERIFY(QFile::exists(path));

    f.form->setButtonEnabled(3, false);
    FileDialogs::queueAnswer(path);
    QTest::keyClick(f.form.get(), Qt::Key_O, Qt::ControlModifier);
    QVERIFY(f.form->LoadOk.isEmpty());
    FileDialogs::clearQueue();

    f.form->setButtonEnabled(3, true);
    FileDialogs::queueAnswer(path);
    QTest::keyClick(f.form.get(), Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(f.form->LoadOk, QStringLiteral("Yes"));
    QCOMPARE(f.buttonStates(), QStringLiteral("EEEEDDEDE"));
}

QTEST_MAIN(RecordsPlanFileTest)
#include "tst_records_planfile.moc"
