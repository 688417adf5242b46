#include "editor/UndoCommands.h"

#include "base/MessageBox.h"
#include "base/Phrase.h"
#include "base/TextCatalogue.h"
#include "editor/EditorWindow.h"
#include "editor/FavoritesPanel.h"
#include "editor/PlanTableModel.h"
#include "editor/PlanTableView.h"
#include "store/ChannelStore.h"

#include <QAction>
#include <QIcon>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QUndoStack>

namespace plandor {
namespace {

constexpr Phrase kUndo { u"撤销", u"Undo" };
constexpr Phrase kRedo { u"重做", u"Redo" };
constexpr Phrase kUndoStep { u"撤销：%1", u"Undo %1" };
constexpr Phrase kRedoStep { u"重做：%1", u"Redo %1" };
constexpr Phrase kEditCell { u"修改频道 %2 的%1", u"Edit %1 of channel %2" };
constexpr Phrase kToggleType { u"切换频道 %1 的类型", u"Change the type of channel %1" };
constexpr Phrase kEditChannel { u"修改频道 %1", u"Edit channel %1" };
constexpr Phrase kEditChannels { u"修改频道", u"Edit channels" };
constexpr Phrase kInsert { u"插入频道", u"Insert a channel" };
constexpr Phrase kDelete { u"删除频道", u"Delete channels" };
constexpr Phrase kPaste { u"粘贴频道", u"Paste channels" };
constexpr Phrase kOrder { u"按频率排序", u"Order by frequency" };
constexpr Phrase kOpen { u"打开频道表文件", u"Open a plan file" };
constexpr Phrase kUpload { u"从仪器读取频道表", u"Upload the plan" };
constexpr Phrase kStandardPlan { u"载入标准频道表", u"Load a standard plan" };
constexpr Phrase kHistory { u"载入历史频道表", u"Load a plan from the history" };
constexpr Phrase kLoadPlan { u"载入频道表", u"Load a plan" };

QString commandName(EditorCommand command)
{
    switch (command) {
    case EditorCommand::Upload:
        return kUpload.text();
    case EditorCommand::Open:
        return kOpen.text();
    case EditorCommand::Paste:
        return kPaste.text();
    case EditorCommand::Insert:
        return kInsert.text();
    case EditorCommand::Delete:
        return kDelete.text();
    case EditorCommand::Order:
        return kOrder.text();
    default:
        return {}; // Download, Save and Copy leave the plan as it is
    }
}

} // namespace

PlanStepCommand::PlanStepCommand(PlanUndo &undo, const QString &name, RowChange change,
    PlanView before, PlanView after, Start start)
    : QUndoCommand(name)
    , m_undo(undo)
    , m_change(std::move(change))
    , m_before(std::move(before))
    , m_after(std::move(after))
    , m_done(start == Start::Done)
{ }

void PlanStepCommand::undo()
{
    m_undo.apply(m_change.inverse(), m_before);
    m_done = false;
}

void PlanStepCommand::redo()
{
    const bool first = !m_pushed;
    m_pushed = true;
    // A change the user's command made already is not made twice.
    if (m_done)
        return;
    // A first redo the store refuses leaves no step behind: the stack drops
    // an obsolete command as it is pushed.
    if (!m_undo.apply(m_change, m_after) && first)
        setObsolete(true);
    m_done = true;
}

PlanUndo::PlanUndo(EditorWindow &window)
    : QObject(&window)
    , m_window(window)
    , m_stack(new QUndoStack(this))
{
    m_undoAction = new QAction(&window);
    m_undoAction->setObjectName(QStringLiteral("UndoAction"));
    m_undoAction->setIcon(QIcon::fromTheme(
        QStringLiteral("edit-undo"), window.style()->standardIcon(QStyle::SP_ArrowBack)));
    m_undoAction->setShortcuts(QKeySequence::Undo);
    m_redoAction = new QAction(&window);
    m_redoAction->setObjectName(QStringLiteral("RedoAction"));
    m_redoAction->setIcon(QIcon::fromTheme(
        QStringLiteral("edit-redo"), window.style()->standardIcon(QStyle::SP_ArrowForward)));
    m_redoAction->setShortcuts(
        { QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y) });
    for (QAction *action : { m_undoAction, m_redoAction }) {
        action->setShortcutContext(Qt::WindowShortcut);
        window.addAction(action);
        if (QToolBar *toolbar = window.toolbar())
            toolbar->addAction(action);
    }
    connect(m_undoAction, &QAction::triggered, this, &PlanUndo::undo);
    connect(m_redoAction, &QAction::triggered, this, &PlanUndo::redo);
    connect(m_stack, &QUndoStack::indexChanged, this, &PlanUndo::updateActions);
    connect(&window, &EditorWindow::stateChanged, this, &PlanUndo::updateActions);
    updateActions();

    if (auto rows = window.store().snapshot())
        m_rows = std::move(*rows);
    m_view = currentView();

    // Connected after the window's own handlers, so these run once the
    // command is over.
    connect(window.actions(), &EditorActions::triggered, this,
        [this](EditorCommand command) { settle(commandName(command)); });
    connect(window.view(), &PlanTableView::keyCommand, this, [this](PlanTableView::KeyCommand key) {
        static constexpr EditorCommand kCommands[]
            = { EditorCommand::Delete, EditorCommand::Copy, EditorCommand::Paste };
        settle(commandName(kCommands[int(key)]));
    });
    connect(window.model(), &PlanTableModel::rowCommitted, this, &PlanUndo::rowCommitted);
    // A plan that came in by another path shows as a re-read grid.
    connect(window.model(), &QAbstractItemModel::modelReset, this, [this] {
        if (m_applying || m_checkPosted)
            return;
        m_checkPosted = true;
        QTimer::singleShot(0, this, [this] {
            m_checkPosted = false;
            settle(kLoadPlan.text());
        });
    });
}

QString PlanUndo::standardPlanName()
{
    return kStandardPlan.text();
}

QString PlanUndo::historyName()
{
    return kHistory.text();
}

PlanView PlanUndo::currentView() const
{
    return { m_window.model()->order(), m_window.panel()->panel(), m_window.caption(),
        m_window.state() };
}

void PlanUndo::push(
    const QString &name, RowChange change, PlanView after, PlanStepCommand::Start start)
{
    PlanView before = std::move(m_view);
    m_view = after;
    m_stack->push(new PlanStepCommand(
        *this, name, std::move(change), std::move(before), std::move(after), start));
}

bool PlanUndo::settle(const QString &name)
{
    if (m_applying)
        return false;
    std::optional<QList<StoredRow>> now = m_window.store().snapshot();
    if (!now)
        return false;
    if (*now == m_rows) {
        m_view = currentView(); // the panel and buttons as they are now
        return false;
    }
    RowChange change = RowChange::between(m_rows, *now);
    m_rows = std::move(*now);
    const QString text = name.isEmpty() ? inferredName(change) : name;
    push(text, std::move(change), currentView(), PlanStepCommand::Start::Done);
    return true;
}

const StoredRow *PlanUndo::knownRow(qint64 rowId) const
{
    // The known rows are in identity order, as the table yields them.
    const auto it = std::lower_bound(m_rows.cbegin(), m_rows.cend(), rowId,
        [](const StoredRow &known, qint64 id) { return known.rowId < id; });
    return it != m_rows.cend() && it->rowId == rowId ? &*it : nullptr;
}

void PlanUndo::rowCommitted(int row)
{
    if (m_applying)
        return;
    // The one row is the step: no need to read the table.
    const StoredRow after { m_window.model()->rowId(row), m_window.model()->storedValues(row) };
    const StoredRow *known = knownRow(after.rowId);
    if (!known) {
        settle(); // a row the stack does not know: compare the whole table
        return;
    }
    if (known->values == after.values) {
        m_view = currentView();
        return;
    }
    RowChange change;
    change.before.append(*known);
    change.after.append(after);
    m_rows[known - m_rows.constData()] = after;
    const QString name = inferredName(change); // before the change is moved away
    push(name, std::move(change), currentView(), PlanStepCommand::Start::Done);
}

bool PlanUndo::perform(const QString &name, const QList<StoredRow> &changed,
    const QList<StoredRow> &added, const EditorState &after)
{
    RowChange change;
    change.added = added;
    change.before.reserve(changed.size());
    change.after.reserve(changed.size());
    for (const StoredRow &row : changed) {
        const StoredRow *known = knownRow(row.rowId);
        if (!known) {
            // Something changed the table behind the stack's back: learn it
            // first. A row still unknown is gone, and the store says so.
            settle();
            known = knownRow(row.rowId);
        }
        if (known && known->values == row.values)
            continue;
        change.before.append(known ? *known : row);
        change.after.append(row);
    }
    return perform(name, std::move(change), after);
}

bool PlanUndo::perform(const QString &name, RowChange change, const EditorState &after)
{
    if (m_applying)
        return false;
    if (change.isEmpty())
        return true; // every row holds its values already: no step
    PlanView view = currentView();
    view.buttons = after;
    const int steps = m_stack->count();
    push(name, std::move(change), std::move(view), PlanStepCommand::Start::ToDo);
    return m_stack->count() > steps;
}

bool PlanUndo::apply(const RowChange &change, const PlanView &view)
{
    m_applying = true;
    const bool made = m_window.store().apply(change);
    if (!made) {
        MessageBox::show(
            m_window.store().errorText(), MessageStyle::ExclamationOk, CatalogueText(2));
        // The table as it is, whatever the store kept.
        if (auto rows = m_window.store().snapshot())
            m_rows = std::move(*rows);
        m_view = currentView();
        m_applying = false;
        return false;
    }
    m_rows = change.appliedTo(m_rows);
    // The panel and caption go back only with a step that changed them
    // (Open, Upload): panel typing is not a step and is kept otherwise.
    if (!(view.panel == m_view.panel) || view.caption != m_view.caption) {
        m_window.panel()->setPanel(view.panel);
        m_window.setCaption(view.caption);
    }
    m_window.reload(view.order);
    EditorState buttons = view.buttons;
    buttons.busy = false;
    buttons.copyReady = buttons.deleteReady = false; // the selection is gone
    buttons.pasteReady = m_window.state().pasteReady;
    buttons.planLoaded = buttons.planLoaded || !m_rows.isEmpty();
    m_window.setState(buttons);
    m_view = currentView();
    m_applying = false;
    return true;
}

QString PlanUndo::inferredName(const RowChange &change) const
{
    // One row changed, none added or removed: the step says what changed.
    if (!change.added.isEmpty() || !change.removed.isEmpty() || change.before.size() != 1)
        return kEditChannels.text();
    const ChannelValues &old = change.before.first().values;
    const ChannelValues &row = change.after.first().values;
    int changedColumns = 0;
    int changedColumn = -1;
    for (int c = 0; c < kChannelColumnCount; ++c) {
        if (old.value(c) != row.value(c)) {
            ++changedColumns;
            changedColumn = c;
        }
    }
    const QString channel = ChannelColumns::toText(ColumnId, row.value(ColumnId));
    if (old.value(ColumnType) != row.value(ColumnType))
        return kToggleType.text().arg(channel);
    if (changedColumns == 1) {
        const QString heading
            = m_window.model()->headerData(changedColumn, Qt::Horizontal).toString().trimmed();
        return kEditCell.text().arg(heading, channel);
    }
    return kEditChannel.text().arg(channel);
}

void PlanUndo::undo()
{
    if (m_window.isTransferring() || !m_window.commitPending())
        return;
    settle();
    m_stack->undo();
}

void PlanUndo::redo()
{
    if (m_window.isTransferring() || !m_window.commitPending())
        return;
    settle();
    m_stack->redo();
}

void PlanUndo::updateActions()
{
    const bool idle = !m_window.isTransferring();
    m_undoAction->setEnabled(idle && m_stack->canUndo());
    m_redoAction->setEnabled(idle && m_stack->canRedo());
    const QString undoText
        = m_stack->canUndo() ? kUndoStep.text().arg(m_stack->undoText()) : kUndo.text();
    const QString redoText
        = m_stack->canRedo() ? kRedoStep.text().arg(m_stack->redoText()) : kRedo.text();
    // The toolbar shows the short caption so that a long step name does not
    // widen it; the tooltip, the menu and screen readers get the whole name.
    m_undoAction->setText(undoText);
    m_undoAction->setIconText(kUndo.text());
    m_undoAction->setToolTip(undoText);
    m_redoAction->setText(redoText);
    m_redoAction->setIconText(kRedo.text());
    m_redoAction->setToolTip(redoText);
}

} // namespace plandor
