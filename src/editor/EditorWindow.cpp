#include "editor/EditorWindow.h"

#include "base/MessageBox.h"
#include "base/Phrase.h"
#include "base/TextCatalogue.h"
#include "editor/ChannelCountLabel.h"
#include "editor/FavoritesPanel.h"
#include "editor/PlanCommands.h"
#include "editor/PlanExchange.h"
#include "editor/PlanFileDrop.h"
#include "editor/PlanTableModel.h"
#include "editor/PlanTableView.h"
#include "editor/PlanTools.h"
#include "editor/RecentPlans.h"
#include "editor/TransferCommands.h"
#include "editor/UndoCommands.h"
#include "editor/WindowCommands.h"
#include "rules/PlanSizeLimit.h"
#include "store/ChannelStore.h"
#include "widgets/ProgramIcon.h"
#include "widgets/ToolbarNames.h"
#include "widgets/WindowPlacement.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QSettings>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace plandor {
namespace {

// The undo step of a plan file opened without the Open button (a drop, a
// recent plan, the command line); named as Open's.
constexpr Phrase kOpenStep { u"打开频道表文件", u"Open a plan file" };

constexpr QLatin1String kGeometryKey("editor/geometry");
// The grid's own name, so that it is not read as its caption a second time
// (the caption above it says that, and in Chinese the Plan menu too).
constexpr Phrase kGridName { u"频道网格", u"Channel grid" };
constexpr Phrase kProgressName { u"传送进度", u"Transfer progress" };

} // namespace

EditorWindow::EditorWindow(ChannelStore &store, QWidget *parent)
    : QMainWindow(parent)
    , m_store(store)
{
    setObjectName(QStringLiteral("Form2"));
    ProgramIcon::apply(*this);
    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("EditorArea"));
    setCentralWidget(central);

    auto *toolbar = new QToolBar(central);
    m_actions = new EditorActions(toolbar);
    ToolbarNames::watch(toolbar);
    connect(m_actions, &EditorActions::triggered, this, &EditorWindow::run);

    m_progress = new QProgressBar(central);
    m_progress->setObjectName(QStringLiteral("ProgressBar1"));
    m_progress->setTextVisible(false);
    m_progress->setMaximumHeight(8);
    m_progress->hide();

    buildGrid(central, toolbar);

    m_recent = new RecentPlans(this);
    m_planCommands = new PlanCommands(*this);
    m_transfer = new TransferCommands(store, m_progress, this);

    followGridEvents();
    connect(m_panel, &FavoritesPanel::downloadRequested, this, &EditorWindow::sendPanel);
    m_detailsTimer = new QTimer(this);
    m_detailsTimer->setSingleShot(true);
    m_detailsTimer->setInterval(300);
    connect(m_detailsTimer, &QTimer::timeout, this, &EditorWindow::keepDetails);
    connect(m_panel, &FavoritesPanel::panelChanged, this, &EditorWindow::keepDetailsSoon);

    applyCaptions();
    setState({});
    m_windowCommands = new WindowCommands(*this);
    PlanFileDrop::attach(*this);
    restorePlacement();
    showStoredPlan();
    // Last, so that it sees each command after the window has run it.
    new PlanUndo(*this);
}

void EditorWindow::buildGrid(QWidget *central, QToolBar *toolbar)
{
    m_caption = new QLabel(central);
    m_caption->setObjectName(QStringLiteral("FregtableCaption"));
    m_caption->setTextFormat(Qt::PlainText);
    m_model = new PlanTableModel(m_store, this);
    m_view = new PlanTableView(central);
    m_view->setPlanModel(m_model);
    m_caption->setBuddy(m_view);
    m_panel = new FavoritesPanel(central);
    m_model->setBandwidthSource([this] { return m_panel->bandwidthText(); });

    auto *captionRow = new QHBoxLayout;
    captionRow->addWidget(m_caption, 1);
    captionRow->addWidget(new ChannelCountLabel(m_model, PlanSizeLimit::kMaxChannels, central));
    auto *gridArea = new QVBoxLayout;
    gridArea->addLayout(captionRow);
    gridArea->addWidget(m_view, 1);
    auto *body = new QHBoxLayout;
    // Room between the channel count and the panel's heading above it.
    body->setSpacing(12);
    body->addLayout(gridArea, 1);
    body->addWidget(m_panel);
    auto *layout = new QVBoxLayout(central);
    layout->addWidget(buildTitle());
    layout->addWidget(toolbar);
    layout->addWidget(m_progress);
    layout->addLayout(body, 1);
}

void EditorWindow::followGridEvents()
{
    // The grid's events switch buttons as the commands do.
    connect(m_model, &PlanTableModel::contentEdited, this, [this] {
        EditorState s = m_state;
        s.saveReady = true;
        setState(s);
    });
    connect(m_model, &PlanTableModel::rowCommitted, this, [this] {
        EditorState s = m_state;
        s.saveReady = true;
        setState(s);
    });
    connect(m_view, &PlanTableView::rowsSelected, this, [this] {
        EditorState s = m_state;
        s.copyReady = s.deleteReady = true;
        setState(s);
    });
    connect(m_view, &PlanTableView::cellsPressed, this, [this] {
        EditorState s = m_state;
        s.copyReady = s.deleteReady = false;
        setState(s);
    });
    connect(m_view, &PlanTableView::keyCommand, this, [this](PlanTableView::KeyCommand key) {
        // These keys run their commands whatever the buttons' states.
        static constexpr EditorCommand kCommands[]
            = { EditorCommand::Delete, EditorCommand::Copy, EditorCommand::Paste };
        run(kCommands[int(key)]);
    });
}

EditorWindow::~EditorWindow()
{
    if (m_detailsTimer->isActive())
        keepDetails();
    // The grid's editor may still write into the model while the children go.
    m_view->setModel(nullptr);
}

void EditorWindow::restorePlacement()
{
    // Where the user left the window last time, while that fits a screen.
    const QByteArray geometry = QSettings().value(kGeometryKey).toByteArray();
    if (geometry.isEmpty() || !restoreGeometry(geometry)) {
        resize(qMax(sizeHint().width(), m_view->toPixels(330 + 5 * 1750) + 260), 640);
        WindowPlacement::centreOnScreen(this);
    }
}

QWidget *EditorWindow::buildTitle()
{
    auto *bar = new QWidget(centralWidget());
    m_title = new QLabel(bar);
    m_title->setObjectName(QStringLiteral("XPForm1"));
    QFont titleFont = m_title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.2);
    m_title->setFont(titleFont);
    m_closeButton = new QToolButton(bar);
    m_closeButton->setObjectName(QStringLiteral("Command10"));
    m_closeButton->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    m_closeButton->setAutoRaise(true);
    connect(m_closeButton, &QToolButton::clicked, this, &QWidget::close);
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_title, 1);
    row->addWidget(m_closeButton);
    return bar;
}

void EditorWindow::applyCaptions()
{
    m_actions->applyCaptions();
    m_panel->applyCaptions();
    m_closeButton->setToolTip(CatalogueText(71));
    m_closeButton->setAccessibleName(CatalogueText(71));
    m_title->setText(ProgramTitleWithVersion());
    setWindowTitle(CatalogueText(2)); // the caption alone; the drawn title has the version
    for (int c = 0; c < kChannelColumnCount; ++c)
        m_model->setHeading(c, CatalogueText(ChannelColumns::headingId(c)));
    setCaption(CatalogueText(15));
    m_progress->setAccessibleName(kProgressName.text());
    m_view->setAccessibleName(kGridName.text());
}

void EditorWindow::showStoredPlan()
{
    // A plan left in the store by the last run (or a crash) is shown as if
    // it had just been loaded, with the panel and caption it had.
    if (!reload(PlanOrder::ByFreq) || m_model->rowCount() == 0)
        return;
    if (const auto details = m_store.details()) {
        m_panel->setPanel(details->panel);
        if (!details->caption.isEmpty())
            setCaption(details->caption);
    }
    EditorState s;
    s.planLoaded = s.saveReady = true;
    setState(s);
}

QToolBar *EditorWindow::toolbar() const
{
    return findChild<QToolBar *>(QStringLiteral("ToolDs"));
}

QString EditorWindow::caption() const
{
    return m_caption->text().replace(QStringLiteral("&&"), QStringLiteral("&"));
}

void EditorWindow::setCaption(const QString &caption)
{
    // The caption is the plan's own text, shown as it is: no rich text, and
    // no "&" taken for the mnemonic that the label's buddy would give it.
    m_caption->setText(QString(caption).replace(QLatin1Char('&'), QStringLiteral("&&")));
    m_caption->setAccessibleName(caption.trimmed());
    m_view->setAccessibleDescription(caption.trimmed());
    keepDetailsSoon();
}

void EditorWindow::keepDetailsSoon()
{
    // Typing in a panel box changes it once a key: the details are written
    // once the typing pauses, and at close.
    if (m_detailsTimer)
        m_detailsTimer->start();
}

void EditorWindow::keepDetails()
{
    if (m_detailsTimer)
        m_detailsTimer->stop();
    // A store that cannot write reports that on the plan's own next write;
    // the details alone are not worth a message each keystroke.
    m_store.keepDetails({ m_panel->panel(), caption() });
}

void EditorWindow::setState(const EditorState &state)
{
    const bool changed = !(m_state == state);
    m_state = state;
    m_actions->apply(state);
    if (changed)
        emit stateChanged(state);
}

bool EditorWindow::reload(PlanOrder order)
{
    if (m_model->reload(order)) {
        m_view->applyMetrics();
        return true;
    }
    MessageBox::show(m_model->errorText(), MessageStyle::ExclamationOk, CatalogueText(2));
    return false;
}

bool EditorWindow::replacePlan(const QList<ChannelValues> &rows, const PanelTexts &panel,
    const QString &caption, PlanOrder order)
{
    if (!m_store.replacePlan(rows)) {
        MessageBox::show(m_store.errorText(), MessageStyle::ExclamationOk, CatalogueText(2));
        return false;
    }
    showLoadedPlan(panel, caption, order);
    EditorState s = m_state;
    s.copyReady = s.deleteReady = s.pasteReady = false;
    setState(s);
    return true;
}

void EditorWindow::showLoadedPlan(const PanelTexts &panel, const QString &caption, PlanOrder order)
{
    m_planPath.clear(); // until the caller tells of the file it came from
    setCaption(caption);
    m_panel->setPanel(panel);
    reload(order);
    EditorState s = m_state;
    s.planLoaded = s.saveReady = true;
    setState(s);
}

bool EditorWindow::commitPending()
{
    if (m_view->commitOpenEditor() && m_model->commitPending())
        return true;
    m_view->focusPendingRow();
    return false;
}

void EditorWindow::run(EditorCommand command)
{
    if (m_state.busy || !commitPending())
        return;
    runCommand(command);
}

bool EditorWindow::openPlanFile(const QString &path)
{
    if (m_state.busy || !commitPending())
        return false;
    if (path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive))
        return PlanExchange::attach(*this)->importCsvFile(path); // names its own step
    if (!m_planCommands->openFile(path))
        return false;
    if (auto *undo = findChild<PlanUndo *>())
        undo->settle(kOpenStep.text());
    return true;
}

void EditorWindow::runCommand(EditorCommand command)
{
    EditorState s = m_state;
    switch (command) {
    case EditorCommand::Upload:
        upload();
        return;
    case EditorCommand::Download:
        download();
        return;
    case EditorCommand::Open:
        m_planCommands->open(); // a loaded plan sets the buttons itself
        return;
    case EditorCommand::Save:
        save(true);
        return;
    case EditorCommand::Copy:
        m_planCommands->copy();
        s.pasteReady = true;
        s.copyReady = false;
        break;
    case EditorCommand::Paste:
        m_planCommands->paste();
        s.copyReady = s.deleteReady = false;
        break;
    case EditorCommand::Insert:
    case EditorCommand::Delete:
    case EditorCommand::Order:
        if (command == EditorCommand::Insert)
            m_planCommands->insert();
        else if (command == EditorCommand::Delete)
            m_planCommands->remove();
        else
            m_planCommands->order();
        s.saveReady = true;
        s.copyReady = s.deleteReady = s.pasteReady = false;
        break;
    }
    setState(s);
}

void EditorWindow::save(bool proposeName)
{
    if (!m_planCommands->save(proposeName))
        return;
    EditorState s = m_state;
    s.saveReady = true;
    s.copyReady = s.deleteReady = false;
    setState(s);
}

void EditorWindow::saveAs()
{
    if (m_state.busy || !m_state.saveReady || !commitPending())
        return;
    save(false);
}

void EditorWindow::notePlanFile(const QString &path)
{
    m_planPath = QFileInfo(path).absoluteFilePath();
    m_recent->add(m_planPath);
}

void EditorWindow::upload()
{
    if (!m_transfer->begin())
        return;
    // No second command may start while the received plan is stored.
    const EditorState before = m_state;
    EditorState busy = before;
    busy.busy = true;
    setState(busy);
    auto panel = m_transfer->upload();
    m_transfer->end();
    setState(before);
    if (panel) {
        // A unit code the panel does not know leaves the unit as it was.
        if (panel->unit.isEmpty())
            panel->unit = m_panel->panel().unit;
        showLoadedPlan(*panel, CatalogueText(15), PlanOrder::ByFreq);
        // A channel the rules refuse is stored and marked; the user is told.
        m_planCommands->tellAboutPlan(false);
    }
    if (m_closeWhenIdle)
        QTimer::singleShot(0, this, &QWidget::close);
}

void EditorWindow::download()
{
    // A hard limit or a refused channel is a refusal, not a finding the
    // user may send anyway.
    if (m_transfer->refuseUnsendable())
        return;
    // The plan check speaks before anything is sent; the user may send anyway.
    if (auto *tools = findChild<PlanTools *>(); tools && !tools->confirmDownload())
        return;
    if (!m_transfer->begin())
        return;
    EditorState s = m_state;
    s.busy = true;
    setState(s);
    reload(PlanOrder::ByFreq);
    m_transfer->download(m_panel->panel());
    s.busy = s.copyReady = s.deleteReady = s.pasteReady = false;
    s.planLoaded = s.saveReady = true;
    setState(s);
    if (m_closeWhenIdle)
        QTimer::singleShot(0, this, &QWidget::close);
}

void EditorWindow::sendPanel()
{
    if (m_state.busy || !commitPending())
        return;
    EditorState s = m_state;
    s.busy = true;
    setState(s);
    m_transfer->sendPanel(m_panel->panel());
    s.busy = false;
    setState(s);
    if (m_closeWhenIdle)
        QTimer::singleShot(0, this, &QWidget::close);
}

void EditorWindow::closeEvent(QCloseEvent *event)
{
    // A transfer is waiting on the link: the window closes once it is over.
    if (m_state.busy) {
        m_closeWhenIdle = true;
        event->ignore();
        return;
    }
    // An unfinished edit is committed first; a refused one keeps the window.
    if (!commitPending()) {
        event->ignore();
        return;
    }
    event->accept();
    if (m_detailsTimer->isActive())
        keepDetails();
    QSettings().setValue(kGeometryKey, saveGeometry());
    // Closing the editor ends the program; nothing else is saved on the way.
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows) {
        if (w != this && w->objectName() == QLatin1String("Form1") && w->isVisible())
            w->close();
    }
}

} // namespace plandor
