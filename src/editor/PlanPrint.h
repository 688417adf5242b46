#pragma once

#include "editor/PlanPrintDocument.h"
#include "store/StandardPlans.h"
#include "widgets/FilePrompt.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class QAction;
class QPrinter;
class QPrintPreviewDialog;

namespace plandor {

class EditorWindow;

// The plan on paper: Print, Print preview and Export PDF of the editor
// window, all drawing the same PlanPrintDocument. The commands join the
// window's Plan menu when it has one, else the toolbar; each has its own
// shortcut. Attached to a window once; lives as its child.
class PlanPrint : public QObject
{
    Q_OBJECT

public:
    static PlanPrint *attach(EditorWindow &window);
    ~PlanPrint() override;

    QAction *printAction() const { return m_print; }
    QAction *previewAction() const { return m_preview; }
    QAction *exportPdfAction() const { return m_exportPdf; }
    FilePrompt &exportPrompt() { return m_exportPrompt; }

    // The plan in the window as it stands, in the run's language.
    PrintedPlan printedPlan();
    // Asks for the printer (see setPrinterChooser) and prints; false when
    // cancelled or refused (the reason shown).
    bool print();
    // Opens the preview of the printed pages, window-modal; null when refused.
    QPrintPreviewDialog *preview();
    // Asks for a file, proposing the plan's name with .pdf, and writes it.
    bool exportPdf();
    // Writes the PDF at path whole or not at all; a failure is shown.
    bool writePdf(const QString &path);

    // The printer Print and the preview use, kept from one to the next.
    QPrinter &printer();

    // How Print asks for the printer: true to print. The program shows the
    // print dialog; tests set their own (an empty one brings the dialog back).
    using PrinterChooser = std::function<bool(QPrinter &printer, QWidget *parent)>;
    static void setPrinterChooser(PrinterChooser chooser);

private:
    explicit PlanPrint(EditorWindow &window);
    QAction *addCommand(const char *name, const QKeySequence &shortcut, const char *icon);
    void placeActions();
    void applyCaptions();
    void updateEnabled();
    // Commits the pending edit; false while a transfer runs, when refused
    // or when there is no plan (said).
    bool ready();

    EditorWindow &m_window;
    QAction *m_print;
    QAction *m_preview;
    QAction *m_exportPdf;
    FilePrompt m_exportPrompt;
    StandardPlans m_standards;
    bool m_standardsTried = false;
    std::unique_ptr<QPrinter> m_printer;
    QPointer<QPrintPreviewDialog> m_previewDialog;
};

} // namespace plandor
