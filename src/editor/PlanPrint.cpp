#include "editor/PlanPrint.h"

#include "base/MessageBox.h"
#include "base/Phrase.h"
#include "base/TextCatalogue.h"
#include "editor/EditorWindow.h"
#include "editor/FavoritesPanel.h"
#include "editor/PlanTableModel.h"
#include "store/WholeFileWrite.h"
#include "transfer/ProcessLink.h"
#include "widgets/FileDialogs.h"
#include "widgets/ShortcutTip.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QIcon>
#include <QMenu>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QToolBar>

namespace plandor {
namespace {

constexpr Phrase kPrint { u"打印…", u"Print..." };
constexpr Phrase kPreview { u"打印预览…", u"Print preview..." };
constexpr Phrase kExportPdf { u"导出 PDF…", u"Export PDF..." };
constexpr Phrase kPrintButton { u"打印", u"Print" };
constexpr Phrase kPrintTitle { u"打印频道表", u"Print plan" };
constexpr Phrase kPreviewTitle { u"频道表打印预览", u"Print preview of the plan" };
constexpr Phrase kExportTitle { u"导出 PDF 文档", u"Export PDF document" };
constexpr Phrase kPdfFiles { u"PDF 文档 (*.pdf)", u"PDF documents (*.pdf)" };
constexpr Phrase kPdfFailed { u"无法生成 PDF 文档。", u"The PDF document could not be made." };
constexpr Phrase kPrintFailed { u"无法打印频道表：打印机没有接受文档。",
    u"The plan could not be printed: the printer did not take the document." };

QString bandwidthHeading()
{
    return CatalogueText(58).trimmed();
}

void showError(const QString &text)
{
    MessageBox::show(text, MessageStyle::ExclamationOk, CatalogueText(2));
}

PlanPrint::PrinterChooser &chooser()
{
    static PlanPrint::PrinterChooser chosen;
    return chosen;
}

} // namespace

PlanPrint *PlanPrint::attach(EditorWindow &window)
{
    if (auto *existing = window.findChild<PlanPrint *>())
        return existing;
    return new PlanPrint(window);
}

PlanPrint::PlanPrint(EditorWindow &window)
    : QObject(&window)
    , m_window(window)
    , m_exportPrompt(&window, QStringLiteral("exportPdf"), FilePrompt::Mode::Save,
          { kPdfFiles.text(), FileDialogs::allFilesFilter() }, QStringLiteral("pdf"))
{
    setObjectName(QStringLiteral("planPrint"));
    m_print = addCommand("printAction", QKeySequence(Qt::CTRL | Qt::Key_P), "document-print");
    m_preview = addCommand("printPreviewAction", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_P),
        "document-print-preview");
    m_exportPdf = addCommand(
        "exportPdfAction", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P), "application-pdf");
    connect(m_print, &QAction::triggered, this, [this] { print(); });
    connect(m_preview, &QAction::triggered, this, [this] { preview(); });
    connect(m_exportPdf, &QAction::triggered, this, [this] { exportPdf(); });
    placeActions();

    connect(&window, &EditorWindow::stateChanged, this, &PlanPrint::updateEnabled);
    const PlanTableModel *model = window.model();
    connect(model, &QAbstractItemModel::modelReset, this, &PlanPrint::updateEnabled);
    connect(model, &QAbstractItemModel::rowsInserted, this, &PlanPrint::updateEnabled);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &PlanPrint::updateEnabled);
    applyCaptions();
    updateEnabled();
}

PlanPrint::~PlanPrint()
{
    // The preview draws on this printer: it goes first.
    delete m_previewDialog;
}

QAction *PlanPrint::addCommand(const char *name, const QKeySequence &shortcut, const char *icon)
{
    auto *action = new QAction(&m_window);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WindowShortcut);
    action->setIcon(QIcon::fromTheme(QLatin1String(icon)));
    // In the window as well as in a menu, so that the shortcut works while
    // the menu is closed.
    m_window.addAction(action);
    return action;
}

void PlanPrint::placeActions()
{
    // After the CSV commands of the Plan menu, beside the other ways a plan
    // leaves the program; without that menu, on the toolbar.
    auto *menu = m_window.findChild<QMenu *>(QStringLiteral("planExchangeMenu"));
    const QList<QAction *> entries = menu ? menu->actions() : QList<QAction *>();
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (entries[i]->objectName() != QLatin1String("importCsvAction"))
            continue;
        QAction *before = entries.value(i + 1);
        menu->insertSeparator(before);
        menu->insertActions(before, { m_print, m_preview, m_exportPdf });
        return;
    }
    m_window.toolbar()->addSeparator();
    m_window.toolbar()->addAction(m_print);
    m_window.toolbar()->addAction(m_exportPdf);
}

void PlanPrint::applyCaptions()
{
    const std::pair<QAction *, const Phrase *> captions[] = {
        { m_print, &kPrint },
        { m_preview, &kPreview },
        { m_exportPdf, &kExportPdf },
    };
    for (const auto &[action, phrase] : captions) {
        action->setText(phrase->text());
        setToolTipWithShortcut(action, phrase->text());
    }
    m_print->setIconText(kPrintButton.text());
    m_exportPdf->setIconText(QStringLiteral("PDF"));
    m_exportPrompt.setTitle(kExportTitle.text());
}

void PlanPrint::updateEnabled()
{
    const bool enabled = !m_window.isTransferring() && m_window.model()->rowCount() > 0;
    for (QAction *action : { m_print, m_preview, m_exportPdf })
        action->setEnabled(enabled);
}

bool PlanPrint::ready()
{
    if (m_window.isTransferring() || !m_window.commitPending())
        return false;
    if (m_window.model()->rowCount() == 0) {
        MessageBox::showCatalogue(20, MessageStyle::ExclamationOk);
        return false;
    }
    return true;
}

PrintedPlan PlanPrint::printedPlan()
{
    // The standards' rasters, as the spectrum and the plan check use them; a
    // missing table leaves the channels on their own widths.
    if (!m_standardsTried) {
        QString error;
        m_standards.load(&error);
        m_standardsTried = true;
    }
    PrintedPlan plan = PrintedPlan::fromModel(*m_window.model(), m_standards.rasters());
    plan.caption = m_window.caption().trimmed();
    plan.date = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    if (const DeviceLink *link = ProcessLink::get())
        plan.instrument = link->Instrument().identity;
    const FavoritesPanel &panel = *m_window.panel();
    const PanelTexts texts = panel.panel();
    plan.panelTitle = panel.title().trimmed();
    for (int slot = 0; slot < 6; ++slot)
        plan.panel.append({ panel.favoriteHeading(slot), texts.favorites[slot] });
    const QString span = texts.span.trimmed();
    plan.panel.append(
        { bandwidthHeading(), span.isEmpty() ? QString() : span + QStringLiteral(" MHz") });
    plan.panel.append({ panel.unitHeading(), texts.unit });
    return plan;
}

QPrinter &PlanPrint::printer()
{
    if (!m_printer) {
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        PlanPrintDocument::preparePage(*m_printer);
        m_printer->setDocName(m_window.caption().trimmed());
    }
    return *m_printer;
}

void PlanPrint::setPrinterChooser(PrinterChooser chooser)
{
    plandor::chooser() = std::move(chooser);
}

bool PlanPrint::print()
{
    if (!ready())
        return false;
    QPrinter &target = printer();
    target.setDocName(m_window.caption().trimmed());
    bool accepted = false;
    if (plandor::chooser()) {
        accepted = plandor::chooser()(target, &m_window);
    } else {
        QPrintDialog dialog(&target, &m_window);
        dialog.setObjectName(QStringLiteral("printDialog"));
        dialog.setWindowTitle(kPrintTitle.text());
        dialog.setAccessibleName(kPrintTitle.text());
        accepted = dialog.exec() == QDialog::Accepted;
    }
    if (!accepted)
        return false;
    const PlanPrintDocument document(printedPlan());
    const bool range = target.printRange() == QPrinter::PageRange;
    if (!document.print(target, range ? target.fromPage() : 0, range ? target.toPage() : 0)) {
        showError(kPrintFailed.text());
        return false;
    }
    return true;
}

QPrintPreviewDialog *PlanPrint::preview()
{
    if (!ready())
        return nullptr;
    delete m_previewDialog;
    auto *dialog = new QPrintPreviewDialog(&printer(), &m_window);
    m_previewDialog = dialog;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setObjectName(QStringLiteral("printPreviewDialog"));
    dialog->setWindowTitle(kPreviewTitle.text());
    dialog->setAccessibleName(kPreviewTitle.text());
    // The plan as it was when the preview opened: the pages do not change
    // under the reader's eyes, and its Print prints what it shows.
    auto document = std::make_shared<const PlanPrintDocument>(printedPlan());
    connect(dialog, &QPrintPreviewDialog::paintRequested, dialog, [document](QPrinter *target) {
        const bool range = target->printRange() == QPrinter::PageRange;
        document->print(*target, range ? target->fromPage() : 0, range ? target->toPage() : 0);
    });
    dialog->open();
    return dialog;
}

bool PlanPrint::exportPdf()
{
    if (!ready())
        return false;
    // The plan file's name, or the caption's when it came from elsewhere.
    QString proposal = m_window.planPath();
    if (proposal.isEmpty()) {
        QString caption = m_window.caption().trimmed();
        for (const QChar bad : { u'/', u'\\', u':', u'*', u'?', u'"', u'<', u'>', u'|' })
            caption.replace(bad, u'_');
        if (!caption.isEmpty())
            proposal = caption + QStringLiteral(".pdf");
    }
    const QString path = m_exportPrompt.ask(proposal);
    return !path.isEmpty() && writePdf(path);
}

bool PlanPrint::writePdf(const QString &path)
{
    // Made whole in memory, then put in place all at once: the PDF writer
    // writes as it goes, and a half-written file must never look like a
    // finished one.
    const QByteArray bytes = PlanPrintDocument(printedPlan()).pdf();
    QString error;
    if (bytes.isEmpty())
        error = kPdfFailed.text();
    else if (writeWholeFile(path, bytes, &error))
        return true;
    showError(QDir::toNativeSeparators(path) + QLatin1Char('\n') + error);
    return false;
}

} // namespace plandor
