// Print, Print preview and Export PDF of the editor window: the real window
// over a temporary store, its PDFs read back with pdftotext and pdfinfo.
#include "EditorFixture.h"
#include "SmallDisk.h"

#include "base/Language.h"
#include "base/TextCatalogue.h"
#include "editor/PlanExchange.h"
#include "editor/PlanPrint.h"
#include "widgets/FileDialogs.h"

#include <QAction>
#include <QFileDialog>
#include <QMenu>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using namespace plandor;
using namespace plandor::test;

namespace {

// 255 DIGI channels 3.74 MHz apart, named A0..Z4: every neighbour overlaps
// the next by 0.26 MHz, as a full plan across 46..1000 MHz must.
QList<ChannelValues> fullPlan()
{
    QList<ChannelValues> rows;
    for (int i = 0; i < 255; ++i)
        rows.append(TempStore::row(i + 1, QChar(u'A' + i / 10) + QString::number(i % 10), "DIGI",
            std::round((48 + 3.74 * i) * 100) / 100, 4));
    return rows;
}

QString tool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The PDF's pages as pdftotext lays them out, and how many pdfinfo counts.
QStringList pdfPages(const QString &path)
{
    // The font's ligatures (ff, fi, fl) come back as one character each.
    QString text = tool("pdftotext", { "-layout", path, "-" });
    text.replace(QChar(0xFB00), QLatin1String("ff"))
        .replace(QChar(0xFB01), QLatin1String("fi"))
        .replace(QChar(0xFB02), QLatin1String("fl"));
    QStringList pages = text.split(u'\f');
    pages.removeLast(); // after the last page's form feed
    return pages;
}
int pdfPageCount(const QString &path)
{
    const auto match = QRegularExpression("^Pages:\\s+(\\d+)$", QRegularExpression::MultilineOption)
                           .match(tool("pdfinfo", { path }));
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

// The names of the channel rows on a page: ID, name, type, two numbers.
QStringList rowNames(const QString &page)
{
    static const QRegularExpression row(
        "^\\s*\\d+\\s+(\\S+)\\s+(?:TV|DIGI)\\s+\\d+\\.\\d\\d\\s+\\d+\\.\\d\\d\\s*$",
        QRegularExpression::MultilineOption);
    QStringList names;
    for (auto it = row.globalMatch(page); it.hasNext();)
        names.append(it.next().captured(1));
    return names;
}

// The pages a PDF of the window's plan is laid out in.
QList<PlanPrintDocument::PageRows> layoutOf(PlanPrint &print)
{
    QByteArray unused;
    QBuffer buffer(&unused);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    PlanPrintDocument::preparePage(writer);
    return PlanPrintDocument(print.printedPlan()).paginate(writer);
}

void press(EditorFixture &f, QKeyCombination keys)
{
    f.form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
    QTest::keyClick(f.form.get(), keys.key(), keys.keyboardModifiers());
}

} // namespace

class TestPlanPrint : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        QVERIFY2(!QStandardPaths::findExecutable("pdftotext").isEmpty()
                && !QStandardPaths::findExecutable("pdfinfo").isEmpty(),
            "pdftotext and pdfinfo are needed: scripts/setup.sh installs poppler-utils");
    }
    void cleanup() { PlanPrint::setPrinterChooser({}); }

    // Export PDF (Ctrl+Shift+P) of a full plan: proposes the caption's name;
    // A4 pages of 50 rows below the first, every page numbered and every page
    // of the table opened by its heading row; each channel printed once, in
    // order; the panel and the plan check's findings after the table.
    void fullPlanAsPdf()
    {
        EditorFixture f;
        PlanExchange::attach(*f.form);
        PlanPrint *print = PlanPrint::attach(*f.form);
        QVERIFY(f.form->findChild<QMenu *>("planExchangeMenu")
                    ->actions()
                    .contains(print->exportPdfAction()));
        QCOMPARE(print->exportPdfAction()->toolTip(), "Export PDF (Ctrl+Shift+P)");
        const QList<ChannelValues> plan = fullPlan();
        f.load(plan);
        panelTexts(*f.form, { "11", "22", "33", "44", "8", "55", "66", "dBuV" });
        f.form->setCaption("Full plan 1.2");
        const QString path = m_dir.filePath("full.pdf");
        FileDialogs::queueAnswer(path);
        press(f, Qt::CTRL | Qt::SHIFT | Qt::Key_P);
        QVERIFY2(f.messages.shown.isEmpty(), qPrintable(f.messages.texts().join('\n')));
        QCOMPARE(QFileInfo(print->exportPrompt().dialog()->selectedFiles().value(0)).fileName(),
            "Full plan 1.2.pdf");

        const auto layout = layoutOf(*print);
        const QStringList pages = pdfPages(path);
        QCOMPARE(pdfPageCount(path), layout.size());
        QCOMPARE(pages.size(), layout.size());
        // (297 - 2 x 15 margin - 9 footer - 6.5 heading row) / 5 mm a row.
        QCOMPARE(layout[1].rowCount, 50);
        QStringList printed;
        int rowsSoFar = 0;
        for (int i = 0; i < pages.size(); ++i) {
            QVERIFY2(
                pages[i].contains(QStringLiteral("Page %1 of %2").arg(i + 1).arg(pages.size())),
                qPrintable(pages[i]));
            const QStringList names = rowNames(pages[i]);
            QCOMPARE(names.size(), layout[i].rowCount);
            if (layout[i].rowCount > 0) // pages of findings alone hold no rows
                QCOMPARE(layout[i].firstRow, rowsSoFar);
            rowsSoFar += int(names.size());
            const bool headed = pages[i].contains(
                QRegularExpression("^\\s*ID\\s+STD CH\\s+Type\\s+Freq\\s+Audio Offset\\s*$",
                    QRegularExpression::MultilineOption));
            QVERIFY2(headed == !names.isEmpty(),
                qPrintable(pages[i].mid(pages[i].indexOf(QLatin1String("Channels:")), 400)));
            printed += names;
        }
        QStringList expected;
        for (const ChannelValues &row : plan)
            expected.append(row.value(ColumnName).toString());
        QCOMPARE(printed, expected);
        QVERIFY(layout.last().rowCount == 0); // the findings' pages

        const QString first = pages.first().simplified();
        QVERIFY(first.startsWith("Full plan 1.2 "));
        QVERIFY2(first.contains("1st Favorite CH ID 11") && first.contains("6th Favorite CH ID 66")
                && first.contains("BW 8 MHz") && first.contains("Unit dBuV")
                && first.contains("DIGI: 255") && first.contains("Overlapping: 255"),
            qPrintable(first));
        const QString all = pages.join(u' ').simplified();
        QVERIFY2(all.contains("Plan check: 254 findings"),
            qPrintable(all.mid(all.indexOf("Plan check"), 80)));
        QVERIFY(all.contains("Row 1 (A0, 48 MHz) overlaps row 2 (A1, 51.74 MHz) by 0.26 MHz"));
        QVERIFY2(all.contains("Row 254 (Z3, 994.22 MHz) overlaps row 255 (Z4, 997.96 MHz)"),
            qPrintable(all.right(300)));
    }

    // A Chinese run prints the Chinese headings of the grid and the panel.
    void chineseHeadings()
    {
        EditorFixture f(kChineseOffset);
        PlanPrint *print = PlanPrint::attach(*f.form);
        f.load({ TempStore::row(1, "Z1", "TV", 55.25, 6.5) });
        const QString path = m_dir.filePath("chinese.pdf");
        QVERIFY(print->writePdf(path));
        const QString text = pdfPages(path).join(u' ');
        for (int column = 0; column < kChannelColumnCount; ++column)
            QVERIFY2(text.contains(ChannelColumns::fieldName(column)),
                qPrintable(ChannelColumns::fieldName(column)));
        QVERIFY(text.contains(CatalogueText(61)) && text.contains(CatalogueText(66).trimmed()));
        QVERIFY(text.contains("第 1 页，共 1 页"));
        QVERIFY(text.contains("频道表检查没有发现问题。"));
        QVERIFY(!text.contains("Page") && !text.contains("Channels"));
    }

    // A PDF that cannot be written in full is said with its path and leaves
    // no file, not even a temporary one.
    void unwritable_data()
    {
        QTest::addColumn<QString>("place");
        QTest::newRow("missing folder") << "missing";
        QTest::newRow("read-only disk") << "readonly";
        QTest::newRow("full disk") << "full";
    }
    void unwritable()
    {
        QFETCH(QString, place);
        QTemporaryDir dir;
        std::unique_ptr<SmallDisk> disk;
        if (place != "missing") {
            disk = std::make_unique<SmallDisk>(dir.path(),
                place == "full" ? SmallDisk::Mode::Writable : SmallDisk::Mode::ReadOnly);
            if (!disk->mounted())
                QSKIP(qPrintable(disk->why()));
            if (place == "full")
                QVERIFY(disk->fill());
        }
        EditorFixture f;
        PlanPrint *print = PlanPrint::attach(*f.form);
        f.load(fullPlan());
        const QString path = dir.filePath(place == "missing" ? "missing/plan.pdf" : "plan.pdf");
        FileDialogs::queueAnswer(path);
        QVERIFY(!print->exportPdf());
        QCOMPARE(f.messages.shown.size(), 1);
        QVERIFY2(f.messages.texts()[0].startsWith(path + "\n")
                && f.messages.texts()[0].size() > path.size() + 1,
            qPrintable(f.messages.texts()[0]));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
            place == "full" ? QStringList { "filler" } : QStringList());
    }

    // Print (Ctrl+P) draws the pages the preview shows on the chosen
    // printer; a cancelled choice prints nothing.
    void printAndPreview()
    {
        EditorFixture f;
        PlanPrint *print = PlanPrint::attach(*f.form);
        QCOMPARE(print->printAction()->toolTip(), "Print (Ctrl+P)");
        f.load(fullPlan().mid(0, 120));
        const QString path = m_dir.filePath("printed.pdf");
        bool accept = false;
        PlanPrint::setPrinterChooser([&](QPrinter &printer, QWidget *) {
            printer.setOutputFileName(path); // a PDF printer
            return accept;
        });
        press(f, Qt::CTRL | Qt::Key_P);
        QVERIFY(!QFile::exists(path));
        accept = true;
        press(f, Qt::CTRL | Qt::Key_P);
        QVERIFY2(f.messages.shown.isEmpty(), qPrintable(f.messages.texts().join('\n')));
        const int printed = pdfPageCount(path);
        QCOMPARE(printed, layoutOf(*print).size());
        QCOMPARE(rowNames(pdfPages(path).join(u'\n')).size(), 120);

        print->printer().setOutputFileName({});
        QPrintPreviewDialog *preview = print->preview();
        QVERIFY(preview && preview->isVisible());
        auto *pages = preview->findChild<QPrintPreviewWidget *>();
        QVERIFY(pages);
        QTRY_COMPARE(pages->pageCount(), printed);
        preview->close();
    }
};

QTEST_MAIN(TestPlanPrint)
#include "tst_plan_print.moc"
