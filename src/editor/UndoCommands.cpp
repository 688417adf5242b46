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
#include <QHash>
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

PlanStepCommand::PlanStepCommand(
    PlanUndo &undo, const QString &name, PlanState before, PlanState after)
    : QUndoCommand(name)
    , m_undo(undo)
    , m_before(std::move(before))
    , m_after(std::move(after))
{ }

void PlanStepCommand::undo()
{
    m_undo.apply(m_before);
    m_done = false;
}

void PlanStepCommand::redo()
{
    // Pushing runs redo(); the user's command has made the change already.
    if (m_done)
        return;
    m_undo.apply(m_after);
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

    if (auto state = currentState())
        m_known = *state;

    // Connected after the window's own handlers, so these run once the
    // command is over.
    connect(window.actions(), &EditorActions::triggered, this,
        [this](EditorCommand command) { settle(commandName(command)); });
    connect(window.view(), &PlanTableView::keyCommand, this, [this](PlanTableView::KeyCommand key) {
        static constexpr EditorCommand kCommands[]
            = { EditorCommand::Delete, EditorCommand::Copy, EditorCommand::Paste };
        settle(commandName(kCommands[int(key)]));
    });
    connect(window.model(), &PlanTableModel::rowCommitted, this, [this] { settle(); });
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

std::optional<PlanState> PlanUndo::currentState()
{
    auto rows = m_window.store().snapshot();
    if (!rows)
        return std::nullopt;
    PlanState state;
    state.rows = std::move(*rows);
    state.order = m_window.model()->order();
    state.panel = m_window.panel()->panel();
    state.caption = m_window.caption();
    state.buttons = m_window.state();
    return state;
}

bool PlanUndo::settle(const QString &name)
{
    if (m_applying)
        return false;
    std::optional<PlanState> now = currentState();
    if (!now)
        return false;
    if (now->rows == m_known.rows) {
        m_known = std::move(*now); // the panel and buttons as they are now
        return false;
    }
    const QString text = name.isEmpty() ? inferredName(m_known.rows, now->rows) : name;
    PlanState before = std::move(m_known);
    m_known = *now;
    m_stack->push(new PlanStepCommand(*this, text, std::move(before), std::move(*now)));
    return true;
}

void PlanUndo::apply(const PlanState &state)
{
    m_applying = true;
    if (!m_window.store().restore(state.rows)) {
        MessageBox::show(
            m_window.store().errorText(), MessageStyle::ExclamationOk, CatalogueText(2));
        if (auto now = currentState())
            m_known = std::move(*now);
        m_applying = false;
        return;
    }
    {
        // The panel and caption go back only with a step that changed them
        // (Open, Upload): panel typing is not a step and is kept otherwise.
        if (!(state.panel == m_known.panel) || state.caption != m_known.caption) {
            m_window.panel()->setPanel(state.panel);
            m_window.setCaption(state.caption);
        }
        m_window.reload(state.order);
        EditorState buttons = state.buttons;
        buttons.busy = false;
        buttons.copyReady = buttons.deleteReady = false; // the selection is gone
        buttons.pasteReady = m_window.state().pasteReady;
        buttons.planLoaded = buttons.planLoaded || !state.rows.isEmpty();
        m_window.setState(buttons);
    }
    // The store holds exactly the state's rows now; no need to read them.
    m_known.rows = state.rows;
    m_known.order = state.order;
    m_known.panel = m_window.panel()->panel();
    m_known.caption = m_window.caption();
    m_known.buttons = m_window.state();
    m_applying = false;
}

QString PlanUndo::inferredName(const QList<StoredRow> &before, const QList<StoredRow> &after) const
{
    if (before.size() != after.size())
        return kEditChannels.text();
    QHash<qint64, int> indexOf;
    for (int i = 0; i < before.size(); ++i)
        indexOf.insert(before[i].rowId, i);
    const StoredRow *changedRow = nullptr;
    int changedColumns = 0;
    int changedColumn = -1;
    for (const StoredRow &row : after) {
        const auto it = indexOf.constFind(row.rowId);
        if (it == indexOf.cend())
            return kEditChannels.text();
        const StoredRow &old = before[*it];
        if (old.values == row.values)
            continue;
        if (changedRow)
            return kEditChannels.text();
        changedRow = &row;
        for (int c = 0; c < kChannelColumnCount; ++c) {
            if (old.values.values[c] != row.values.values[c]) {
                ++changedColumns;
                changedColumn = c;
            }
        }
        if (old.values.values[ColumnType] != row.values.values[ColumnType])
            changedColumn = ColumnType;
    }
    if (!changedRow)
        return kEditChannels.text();
    const QString channel = ChannelColumns::toText(ColumnId, changedRow->values.values[ColumnId]);
    if (changedColumn == ColumnType)
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
