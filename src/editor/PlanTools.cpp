#include "editor/PlanTools.h"

#include "base/MessageBox.h"
#include "base/Phrase.h"
#include "base/TextCatalogue.h"
#include "editor/EditorWindow.h"
#include "editor/FavoritesPanel.h"
#include "editor/PlanCheckList.h"
#include "editor/PlanTableModel.h"
#include "editor/PlanTableView.h"
#include "editor/SpectrumView.h"
#include "editor/StandardPlanDialog.h"
#include "editor/UndoCommands.h"

#include <QAction>
#include <QDockWidget>
#include <QIcon>
#include <QSettings>
#include <QSplitter>
#include <QStyle>
#include <QTimer>
#include <QToolBar>

#include <algorithm>

namespace plandor {
namespace {

constexpr Phrase kNewFromStandard { u"从标准新建", u"New plan from standard" };
constexpr Phrase kCheckPlan { u"检查频道表", u"Check plan" };
// The toolbar's short captions, under the icons like the other commands'.
constexpr Phrase kStandardButton { u"标准", u"Standard" };
constexpr Phrase kCheckButton { u"检查", u"Check" };
constexpr Phrase kDockTitle { u"频谱与检查", u"Spectrum and plan check" };
constexpr Phrase kSplitterName { u"频谱与检查结果之间的分隔线",
    u"Divider between spectrum and findings" };
const QString kSplitterKey = QStringLiteral("editor/toolsSplitter");
constexpr Phrase kNoStandards { u"找不到标准频道表：%1",
    u"The standard plans cannot be found: %1" };
constexpr Phrase kSendAnyway { u"频道表检查发现 %1 个问题（见频道表检查列表）。仍然发送吗？",
    u"The plan check found %1 problems (see the plan check list). Send anyway?" };
// English counts one problem in the singular; Chinese has no plural.
constexpr Phrase kSendAnywayOne { u"频道表检查发现 1 个问题（见频道表检查列表）。仍然发送吗？",
    u"The plan check found 1 problem (see the plan check list). Send anyway?" };

// Starts the timer on every change of the model's rows, data or layout.
void startOnEveryChange(QTimer &timer, QAbstractItemModel *model, QObject *context)
{
    const auto changed = [&timer] { timer.start(); };
    QObject::connect(model, &QAbstractItemModel::dataChanged, context, changed);
    QObject::connect(model, &QAbstractItemModel::rowsInserted, context, changed);
    QObject::connect(model, &QAbstractItemModel::rowsRemoved, context, changed);
    QObject::connect(model, &QAbstractItemModel::rowsMoved, context, changed);
    QObject::connect(model, &QAbstractItemModel::modelReset, context, changed);
    QObject::connect(model, &QAbstractItemModel::layoutChanged, context, changed);
}

// The spectrum above the findings, the line between them where the user
// moved it last.
QSplitter *toolsSplitter(QWidget *spectrum, QWidget *findings, QObject *context)
{
    auto *split = new QSplitter(Qt::Vertical);
    split->setObjectName(QStringLiteral("planToolsSplitter"));
    split->addWidget(spectrum);
    split->addWidget(findings);
    split->setStretchFactor(0, 1);
    split->handle(1)->setObjectName(QStringLiteral("planToolsSplitterHandle"));
    split->restoreState(QSettings().value(kSplitterKey).toByteArray());
    QObject::connect(split, &QSplitter::splitterMoved, context,
        [split] { QSettings().setValue(kSplitterKey, split->saveState()); });
    return split;
}

} // namespace

PlanTools *PlanTools::attach(EditorWindow &window)
{
    if (auto *existing = window.findChild<PlanTools *>())
        return existing;
    return new PlanTools(window);
}

PlanTools::PlanTools(EditorWindow &window)
    : QObject(&window)
    , m_window(window)
    , m_newAction(new QAction(&window))
    , m_checkAction(new QAction(&window))
    , m_dock(new QDockWidget(&window))
    , m_spectrum(new SpectrumView)
    , m_findings(new PlanCheckList)
{
    setObjectName(QStringLiteral("planTools"));
    m_newAction->setObjectName(QStringLiteral("newFromStandardAction"));
    m_checkAction->setObjectName(QStringLiteral("checkPlanAction"));
    // Ctrl+N as a new document; F7 as the check of an office program.
    m_newAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    m_checkAction->setShortcut(QKeySequence(Qt::Key_F7));
    m_newAction->setIcon(QIcon::fromTheme(
        QStringLiteral("document-new"), window.style()->standardIcon(QStyle::SP_FileIcon)));
    m_checkAction->setIcon(QIcon::fromTheme(QStringLiteral("tools-check-spelling"),
        window.style()->standardIcon(QStyle::SP_DialogApplyButton)));
    window.toolbar()->addSeparator();
    window.toolbar()->addAction(m_newAction);
    window.toolbar()->addAction(m_checkAction);
    connect(m_newAction, &QAction::triggered, this, [this] { newFromStandard(); });
    connect(m_checkAction, &QAction::triggered, this, [this] { checkPlan(); });
    connect(&window, &EditorWindow::stateChanged, this, [this](const EditorState &state) {
        m_newAction->setEnabled(!state.busy);
        m_checkAction->setEnabled(!state.busy);
    });

    QItemSelectionModel *selection = window.view()->selectionModel();
    m_spectrum->setModel(window.model(), selection);
    m_findings->setModel(window.model(), selection);
    // Once shown, the findings follow every change of the plan (an edit,
    // Undo, Paste, an import): a list of old findings would select the
    // wrong rows. Changes come in bursts, so one check runs after them.
    m_recheck.setSingleShot(true);
    m_recheck.setInterval(0);
    connect(&m_recheck, &QTimer::timeout, this, [this] {
        if (!m_findings->isHidden())
            refreshFindings();
    });
    startOnEveryChange(m_recheck, window.model(), this);
    QSplitter *split = toolsSplitter(m_spectrum, m_findings, this);
    m_spectrum->setMinimumHeight(m_spectrum->fontMetrics().height() * 6);
    m_findings->hide(); // until a check has run
    m_dock->setObjectName(QStringLiteral("spectrumDock"));
    m_dock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    m_dock->setWidget(split);
    window.addDockWidget(Qt::BottomDockWidgetArea, m_dock);
    applyCaptions();

    // The spectrum draws a standard's own channel widths when the plan
    // follows one; a missing table is said when a command needs it.
    QString error;
    m_standardsLoaded = m_standards.load(&error);
    if (m_standardsLoaded)
        m_spectrum->setRasters(m_standards.rasters());
}

void PlanTools::applyCaptions()
{
    m_newAction->setText(kNewFromStandard.text());
    m_newAction->setIconText(kStandardButton.text());
    m_newAction->setToolTip(kNewFromStandard.text());
    m_checkAction->setText(kCheckPlan.text());
    m_checkAction->setIconText(kCheckButton.text());
    m_checkAction->setToolTip(kCheckPlan.text());
    m_dock->setWindowTitle(kDockTitle.text());
    m_dock->setAccessibleName(kDockTitle.text());
    if (auto *split = qobject_cast<QSplitter *>(m_dock->widget()))
        split->handle(1)->setAccessibleName(kSplitterName.text());
}

bool PlanTools::loadStandards()
{
    if (m_standardsLoaded)
        return true;
    QString error;
    m_standardsLoaded = m_standards.load(&error);
    if (!m_standardsLoaded)
        MessageBox::show(
            kNoStandards.text().arg(error), MessageStyle::ExclamationOk, CatalogueText(2));
    return m_standardsLoaded;
}

bool PlanTools::newFromStandard()
{
    if (m_window.isTransferring() || !m_window.commitPending() || !loadStandards())
        return false;
    StandardPlanDialog dialog(m_standards, &m_window);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const StandardPlan plan = dialog.plan();
    if (plan.rows.isEmpty())
        return false;
    if (!m_window.replacePlan(plan.rows, m_window.panel()->panel(), plan.caption))
        return false;
    if (auto *undo = m_window.findChild<PlanUndo *>())
        undo->settle(PlanUndo::standardPlanName());
    return true;
}

QList<PlanFinding> PlanTools::refreshFindings()
{
    m_recheck.stop();
    PlanCheckOptions options;
    if (m_standardsLoaded)
        options.rasters = m_standards.rasters();
    const QList<PlanFinding> findings
        = PlanCheck::run(PlanCheckList::rowsOf(*m_window.model()), options);
    m_findings->setFindings(findings);
    return findings;
}

QList<PlanFinding> PlanTools::checkPlan()
{
    loadStandards();
    const QList<PlanFinding> findings = refreshFindings();
    if (m_findings->isHidden()) {
        m_findings->show();
        // The spectrum keeps the larger share once the list appears, unless
        // the user has set the line before.
        auto *split = qobject_cast<QSplitter *>(m_findings->parentWidget());
        if (split && !QSettings().contains(kSplitterKey))
            split->setSizes({ 3 * split->height() / 5, 2 * split->height() / 5 });
    }
    m_dock->show();
    return findings;
}

bool PlanTools::confirmDownload()
{
    const QList<PlanFinding> findings = checkPlan();
    // A channel off the standard's raster is listed but does not stop the
    // Download: mixed and custom plans are common, and the instrument takes
    // them as they are.
    const auto problems = std::count_if(findings.cbegin(), findings.cend(),
        [](const PlanFinding &f) { return f.kind != PlanFinding::OffRaster; });
    if (problems == 0)
        return true;
    return MessageBox::show(
               problems == 1 ? kSendAnywayOne.text() : kSendAnyway.text().arg(problems),
               MessageStyle::QuestionYesNo, CatalogueText(2))
        == MessageAnswer::Yes;
}

} // namespace plandor
