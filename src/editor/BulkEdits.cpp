#include "editor/BulkEdits.h"

#include "base/MessageBox.h"
#include "base/NumberText.h"
#include "base/Phrase.h"
#include "base/TextCatalogue.h"
#include "editor/EditorWindow.h"
#include "editor/FavoritesPanel.h"
#include "editor/PlanTableModel.h"
#include "editor/PlanTableView.h"
#include "editor/UndoCommands.h"
#include "rules/PlanSizeLimit.h"
#include "store/ChannelStore.h"
#include "widgets/ShortcutTip.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QMenu>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>

namespace plandor {
namespace {

constexpr Phrase kMenu { u"批量", u"Bulk" };
constexpr Phrase kMenuTip { u"一次修改多个频道，按频率间隔添加频道",
    u"Change many channels at once, fill channels on a raster" };
constexpr Phrase kSetType { u"设置类型(&T)…", u"Set &type..." };
constexpr Phrase kSetAudio { u"设置伴音偏移 / 带宽(&A)…", u"Set &audio offset / bandwidth..." };
constexpr Phrase kMove { u"移动频率(&M)…", u"&Move frequencies..." };
constexpr Phrase kRename { u"重命名(&R)…", u"&Rename..." };
constexpr Phrase kFill { u"填充(&F)…", u"&Fill..." };

constexpr Phrase kSetTypeStep { u"将 %1 个频道的类型设为 %2", u"Set type of %1 channels to %2" };
constexpr Phrase kSetAudioStep { u"将 %1 个频道的伴音偏移 / 带宽设为 %2 MHz",
    u"Set audio offset / bandwidth of %1 channels to %2 MHz" };
constexpr Phrase kMoveStep { u"将 %1 个频道移动 %2 MHz", u"Move %1 channels by %2 MHz" };
constexpr Phrase kRenameStep { u"重命名 %1 个频道", u"Rename %1 channels" };
constexpr Phrase kFillStep { u"填充 %1 个频道", u"Fill %1 channels" };

constexpr Phrase kRefused { u"%2 个频道中有 %1 个会违反频道规则，频道表没有修改：",
    u"%1 of the %2 channels would break the channel rules, so nothing was changed:" };
constexpr Phrase kRefusedNew { u"%2 个新频道中有 %1 个会违反频道规则，没有添加频道：",
    u"%1 of the %2 new channels would break the channel rules, so none was added:" };
constexpr Phrase kRefusedRow { u"序列号 %1（%2）：%3", u"ID %1 (%2): %3" };
constexpr Phrase kMoreRows { u"……另有 %1 个", u"... and %1 more" };
// So many rows are named; the rest are counted.
constexpr int kNamedRows = 10;

struct Command
{
    BulkCommand command;
    const char *name;
    const Phrase *caption;
    QKeySequence shortcut;
};

QString stepName(const BulkChange &change, int channels)
{
    struct Namer
    {
        int n;
        QString operator()(const SetType &c) const
        {
            return kSetTypeStep.text().arg(n).arg(ChannelValues::typeName(c.type));
        }
        QString operator()(const SetAudio &c) const
        {
            return kSetAudioStep.text().arg(n).arg(NumberText::shortest(c.value));
        }
        QString operator()(const MoveFreq &c) const
        {
            return kMoveStep.text().arg(n).arg(NumberText::shortest(c.offset));
        }
        QString operator()(const Rename &) const { return kRenameStep.text().arg(n); }
    };
    return std::visit(Namer { channels }, change);
}

} // namespace

BulkEdits *BulkEdits::attach(EditorWindow &window)
{
    if (auto *existing = window.findChild<BulkEdits *>())
        return existing;
    return new BulkEdits(window);
}

BulkEdits::BulkEdits(EditorWindow &window)
    : QObject(&window)
    , m_window(window)
    , m_menuAction(new QAction(&window))
{
    setObjectName(QStringLiteral("bulkEdits"));
    auto *menu = new QMenu(&window);
    menu->setObjectName(QStringLiteral("bulkEditsMenu"));
    const Command commands[] = {
        { BulkCommand::SetType, "setTypeAction", &kSetType, Qt::CTRL | Qt::SHIFT | Qt::Key_T },
        { BulkCommand::SetAudio, "setAudioAction", &kSetAudio, Qt::CTRL | Qt::SHIFT | Qt::Key_B },
        { BulkCommand::Move, "moveFreqAction", &kMove, Qt::CTRL | Qt::SHIFT | Qt::Key_M },
        { BulkCommand::Rename, "renameAction", &kRename, Qt::CTRL | Qt::SHIFT | Qt::Key_R },
        { BulkCommand::Fill, "fillAction", &kFill, Qt::CTRL | Qt::SHIFT | Qt::Key_N },
    };
    for (const Command &c : commands) {
        QAction *action = addCommand(c.command, c.name, c.shortcut);
        if (c.command == BulkCommand::Fill)
            menu->addSeparator();
        menu->addAction(action);
    }
    menu->setToolTipsVisible(true);
    m_menuAction->setObjectName(QStringLiteral("Bulk"));
    m_menuAction->setIcon(window.style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    m_menuAction->setMenu(menu);
    window.toolbar()->addAction(m_menuAction);
    if (QToolButton *button = menuButton()) {
        button->setObjectName(QStringLiteral("ToolDs_Bulk"));
        button->setPopupMode(QToolButton::InstantPopup);
    }
    // Alt+B opens the menu as Alt and a menu's letter would.
    m_menuAction->setShortcut(QKeySequence(Qt::ALT | Qt::Key_B));
    connect(m_menuAction, &QAction::triggered, this, [this] {
        if (QToolButton *button = menuButton(); button && !this->menu()->isVisible())
            button->showMenu();
    });
    connect(&window, &EditorWindow::stateChanged, this, &BulkEdits::updateEnabled);
    connect(window.view()->selectionModel(), &QItemSelectionModel::selectionChanged, this,
        &BulkEdits::updateEnabled);
    connect(window.model(), &QAbstractItemModel::modelReset, this, &BulkEdits::updateEnabled);
    applyCaptions();
    updateEnabled();
}

QAction *BulkEdits::addCommand(BulkCommand command, const char *name, const QKeySequence &shortcut)
{
    auto *action = new QAction(&m_window);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WindowShortcut);
    // In the window as well, so that the shortcut works while the menu is closed.
    m_window.addAction(action);
    connect(action, &QAction::triggered, this, [this, command] { run(command); });
    m_actions[size_t(command)] = action;
    return action;
}

QMenu *BulkEdits::menu() const
{
    return m_menuAction->menu();
}

QToolButton *BulkEdits::menuButton() const
{
    return qobject_cast<QToolButton *>(m_window.toolbar()->widgetForAction(m_menuAction));
}

void BulkEdits::applyCaptions()
{
    m_menuAction->setText(kMenu.text());
    m_menuAction->setToolTip(kMenuTip.text());
    if (QToolButton *button = menuButton())
        button->setAccessibleName(kMenu.text());
    menu()->setAccessibleName(kMenu.text());
    const std::pair<BulkCommand, const Phrase *> captions[] = {
        { BulkCommand::SetType, &kSetType },
        { BulkCommand::SetAudio, &kSetAudio },
        { BulkCommand::Move, &kMove },
        { BulkCommand::Rename, &kRename },
        { BulkCommand::Fill, &kFill },
    };
    for (const auto &[command, phrase] : captions) {
        action(command)->setText(phrase->text());
        QString plain = phrase->text();
        setToolTipWithShortcut(action(command), plain.remove(QLatin1Char('&')));
    }
}

void BulkEdits::updateEnabled()
{
    const bool idle = !m_window.isTransferring();
    // A change of one row is the cell's job; these start at two. Counted
    // from the ranges, without listing every selected cell.
    bool several = false;
    int firstRow = -1;
    for (const QItemSelectionRange &range : m_window.view()->selectionModel()->selection()) {
        if (range.height() > 1 || (firstRow >= 0 && range.top() != firstRow)) {
            several = true;
            break;
        }
        firstRow = range.top();
    }
    m_menuAction->setEnabled(idle);
    for (BulkCommand c :
        { BulkCommand::SetType, BulkCommand::SetAudio, BulkCommand::Move, BulkCommand::Rename })
        action(c)->setEnabled(idle && several);
    action(BulkCommand::Fill)->setEnabled(idle);
}

bool BulkEdits::ready() const
{
    return !m_window.isTransferring() && m_window.commitPending();
}

QList<int> BulkEdits::selectedRows() const
{
    QList<int> rows;
    for (const QItemSelectionRange &range : m_window.view()->selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.append(row);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

bool BulkEdits::run(BulkCommand command)
{
    if (!ready())
        return false;
    const int rows = command == BulkCommand::Fill ? 10 : int(selectedRows().size());
    if (command != BulkCommand::Fill && rows < 2)
        return false;
    BulkEditDialog dialog(command, rows, &m_window);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    return command == BulkCommand::Fill ? fill(dialog.raster()) : apply(dialog.change());
}

bool BulkEdits::apply(const BulkChange &change)
{
    if (!ready())
        return false;
    const QList<int> rows = selectedRows();
    if (rows.isEmpty())
        return false;
    const PlanTableModel *model = m_window.model();
    QList<ChannelValues> before;
    before.reserve(rows.size());
    for (int row : rows)
        before.append(model->storedValues(row));
    const BulkOutcome outcome = BulkEdit::apply(
        before, change, ChannelRules::halfBandwidthShift(m_window.panel()->bandwidthText()));
    if (!outcome.accepted()) {
        tellRefused(outcome, before, false);
        return false;
    }
    QList<StoredRow> changed;
    QList<qint64> rowIds;
    changed.reserve(rows.size());
    for (qsizetype i = 0; i < rows.size(); ++i) {
        rowIds.append(model->rowId(rows[i]));
        changed.append(StoredRow { rowIds.last(), outcome.rows[i] });
    }
    return write(changed, {}, stepName(change, int(rows.size())), rowIds);
}

bool BulkEdits::fill(const FillRaster &raster)
{
    if (!ready() || raster.count < 1)
        return false;
    const auto table = m_window.store().snapshot();
    if (!table) {
        showError(m_window.store().errorText());
        return false;
    }
    const qsizetype total = table->size() + raster.count;
    if (!PlanSizeLimit::fits(int(qMin<qsizetype>(total, INT_MAX)))) {
        showError(PlanSizeLimit::tooLargeText(int(total)));
        return false;
    }
    qint64 lastId = 0, lastRowId = 0;
    for (const StoredRow &row : *table) {
        lastRowId = qMax(lastRowId, row.rowId);
        if (!row.values.value(ColumnId).isNull())
            lastId = qMax(lastId, row.values.value(ColumnId).toLongLong());
    }
    const BulkOutcome outcome = BulkEdit::fill(raster, lastId + 1);
    if (!outcome.accepted()) {
        tellRefused(outcome, outcome.rows, true);
        return false;
    }
    QList<StoredRow> added;
    QList<qint64> rowIds;
    for (const ChannelValues &values : outcome.rows) {
        added.append(StoredRow { ++lastRowId, values });
        rowIds.append(lastRowId);
    }
    return write({}, added, kFillStep.text().arg(raster.count), rowIds);
}

bool BulkEdits::write(const QList<StoredRow> &changed, const QList<StoredRow> &added,
    const QString &name, QList<qint64> select)
{
    PlanUndo *undo = m_window.findChild<PlanUndo *>();
    if (!undo)
        return false;
    // Cleared first: a grid re-read under a selection of every row costs as
    // much again.
    m_window.view()->selectionModel()->clear();
    EditorState state = m_window.state();
    state.planLoaded = true;
    state.saveReady = true;
    // One step that writes every row in one transaction, identities kept.
    if (!undo->perform(name, changed, added, state))
        return false;
    PlanTableModel *model = m_window.model();

    // The changed rows stay selected wherever the order put them.
    QHash<qint64, int> rowOf;
    rowOf.reserve(model->rowCount());
    for (int row = 0; row < model->rowCount(); ++row)
        rowOf.insert(model->rowId(row), row);
    QList<int> rows;
    for (qint64 rowId : select)
        rows.append(rowOf.value(rowId, -1));
    std::sort(rows.begin(), rows.end());
    QItemSelection selection;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (rows[i] < 0)
            continue;
        qsizetype end = i;
        while (end + 1 < rows.size() && rows[end + 1] == rows[end] + 1)
            ++end;
        selection.select(
            model->index(rows[i], 0), model->index(rows[end], kChannelColumnCount - 1));
        i = end;
    }
    m_window.view()->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    return true;
}

void BulkEdits::tellRefused(
    const BulkOutcome &outcome, const QList<ChannelValues> &named, bool adding)
{
    QStringList lines;
    lines.append((adding ? kRefusedNew : kRefused)
                     .text()
                     .arg(outcome.refusals.size())
                     .arg(outcome.rows.size()));
    for (qsizetype i = 0; i < outcome.refusals.size() && i < kNamedRows; ++i) {
        const RowRefusal &refused = outcome.refusals[i];
        const ChannelValues &row = named[refused.row];
        lines.append(kRefusedRow.text().arg(ChannelColumns::toText(ColumnId, row.value(ColumnId)),
            ChannelColumns::toText(ColumnName, row.value(ColumnName)),
            refused.refusal.text().trimmed()));
    }
    if (outcome.refusals.size() > kNamedRows)
        lines.append(kMoreRows.text().arg(outcome.refusals.size() - kNamedRows));
    showError(lines.join(QLatin1Char('\n')));
}

void BulkEdits::showError(const QString &text)
{
    MessageBox::show(text, MessageStyle::ExclamationOk, CatalogueText(2));
}

} // namespace plandor
