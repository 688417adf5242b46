#include "editor/PlanTableView.h"

#include "editor/ChannelDelegate.h"
#include "editor/PlanTableModel.h"
#include "store/ChannelColumns.h"
#include "widgets/WindowPlacement.h"

#include <QComboBox>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>

namespace plandor {

PlanTableView::PlanTableView(QWidget *parent)
    : QTableView(parent)
    , m_delegate(new ChannelDelegate(this))
{
    setObjectName(QStringLiteral("Fregtable"));
    setItemDelegate(m_delegate);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
        | QAbstractItemView::AnyKeyPressed);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // The columns keep their fixed width at least and share a wider window.
    horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    horizontalHeader()->setHighlightSections(false);
}

void PlanTableView::setPlanModel(PlanTableModel *model)
{
    m_model = model;
    setModel(model);
    connect(model, &PlanTableModel::cellRefused, this,
        [this](const QModelIndex &index) { m_refusedCell = index; });
    applyMetrics();
}

int PlanTableView::toPixels(double twips) const
{
    return WindowPlacement::twipsToPixels(this, int(twips));
}

void PlanTableView::applyMetrics()
{
    verticalHeader()->setDefaultSectionSize(toPixels(kRowHeightTwips));
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setFixedWidth(toPixels(kRowSelectorTwips));
    horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    horizontalHeader()->setMinimumSectionSize(toPixels(kColumnWidthTwips));
    for (int c = 0; c < kChannelColumnCount; ++c)
        setColumnWidth(c, toPixels(kColumnWidthTwips));
}

bool PlanTableView::focusNextPrevChild(bool next)
{
    // Tab moves from cell to cell, and past the last cell (Shift+Tab before
    // the first) on to the next control, instead of wrapping round: the
    // rest of the window stays reachable from the keyboard.
    const QModelIndex current = currentIndex();
    const int rows = model() ? model()->rowCount() : 0;
    const bool atEnd = !current.isValid() || rows == 0
        || (next ? current.row() == rows - 1 && current.column() == kChannelColumnCount - 1
                 : current.row() == 0 && current.column() == 0);
    if (atEnd && state() != EditingState)
        return QWidget::focusNextPrevChild(next);
    return QTableView::focusNextPrevChild(next);
}

bool PlanTableView::commitOpenEditor()
{
    m_refusedCell = QPersistentModelIndex();
    if (QWidget *editor = m_delegate->openEditor()) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
    if (!m_refusedCell.isValid())
        return true;
    focusPendingRow();
    return false;
}

void PlanTableView::focusPendingRow()
{
    const int row = m_model ? m_model->pendingRow() : -1;
    if (row >= 0) {
        const int column = m_refusedCell.isValid() ? m_refusedCell.column()
            : currentIndex().isValid()             ? currentIndex().column()
                                                   : 0;
        m_restoring = true;
        selectionModel()->setCurrentIndex(
            m_model->index(row, column), QItemSelectionModel::ClearAndSelect);
        m_restoring = false;
    }
    setFocus(Qt::OtherFocusReason);
}

void PlanTableView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    // The base class first writes an open editor's value into the model.
    m_refusedCell = QPersistentModelIndex();
    QTableView::currentChanged(current, previous);
    if (m_restoring || !m_model || !previous.isValid() || previous.row() == current.row())
        return;
    if (m_model->pendingRow() != previous.row())
        return;
    if (!m_refusedCell.isValid() && m_model->commitPending())
        return;
    // Refused: the row stays current and keeps its edit.
    m_restoring = true;
    selectionModel()->setCurrentIndex(
        m_refusedCell.isValid() ? QModelIndex(m_refusedCell) : previous,
        QItemSelectionModel::ClearAndSelect);
    m_restoring = false;
}

QModelIndex PlanTableView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    // A page is always 29 rows, whatever the window's height.
    if ((cursorAction == MovePageDown || cursorAction == MovePageUp) && model()) {
        const QModelIndex current = currentIndex();
        const int last = model()->rowCount() - 1;
        if (last < 0)
            return current;
        const int row = current.isValid() ? current.row() : 0;
        const int step = cursorAction == MovePageDown ? kRowsPerPage : -kRowsPerPage;
        return model()->index(
            qBound(0, row + step, last), current.isValid() ? current.column() : 0);
    }
    return QTableView::moveCursor(cursorAction, modifiers);
}

void PlanTableView::keyPressEvent(QKeyEvent *event)
{
    const QModelIndex current = currentIndex();
    const bool listColumn
        = current.isValid() && (current.column() == ColumnType || current.column() == ColumnAudio1);
    const bool opensList = (event->key() == Qt::Key_F4 && event->modifiers() == Qt::NoModifier)
        || (event->key() == Qt::Key_Down && event->modifiers() == Qt::AltModifier);
    if (opensList && listColumn && state() != EditingState) {
        edit(current);
        if (auto *combo = qobject_cast<QComboBox *>(m_delegate->openEditor()))
            combo->showPopup();
        return;
    }
    // Ctrl+Tab and Ctrl+Shift+Tab leave the grid from any cell.
    const bool tab = event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab;
    if (tab && (event->modifiers() & Qt::ControlModifier) && state() != EditingState) {
        const bool back
            = event->key() == Qt::Key_Backtab || (event->modifiers() & Qt::ShiftModifier);
        QWidget::focusNextPrevChild(!back);
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Delete)
        emit keyCommand(KeyCommand::Delete);
    else if (event->key() == Qt::Key_C && event->modifiers() == Qt::ControlModifier)
        emit keyCommand(KeyCommand::Copy);
    else if (event->key() == Qt::Key_V && event->modifiers() == Qt::ControlModifier)
        emit keyCommand(KeyCommand::Paste);
    // Typed text on Type or Audio1 would open the list with the key in it and
    // pick an item at once, or else search the column: the key does nothing.
    const bool typed = !event->text().isEmpty() && event->text().at(0).isPrint()
        && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (typed && listColumn && state() != EditingState) {
        event->accept();
        return;
    }
    // The grid handles the key as well.
    QTableView::keyPressEvent(event);
}

void PlanTableView::mousePressEvent(QMouseEvent *event)
{
    const QModelIndex pressed = indexAt(event->position().toPoint());
    // The base class moves the cursor (committing the row left) first.
    QTableView::mousePressEvent(event);
    emit cellsPressed();
    if (event->buttons() == Qt::LeftButton && pressed.isValid() && currentIndex() == pressed)
        clickCell(pressed);
}

void PlanTableView::mouseDoubleClickEvent(QMouseEvent *event)
{
    // Two quick presses on a Type cell are two presses: they toggle the type.
    const QModelIndex pressed = indexAt(event->position().toPoint());
    if (pressed.isValid() && pressed.column() == ColumnType) {
        mousePressEvent(event);
        return;
    }
    QTableView::mouseDoubleClickEvent(event);
}

void PlanTableView::clickCell(const QModelIndex &index)
{
    const bool second = m_armed && m_armedCell == index;
    if (m_armed && index.column() == ColumnAudio1) {
        edit(index);
    } else if (second && index.column() == ColumnType) {
        m_armedCell = QPersistentModelIndex(); // the next press counts as a first one
        m_model->toggleType(index.row());
        m_armed = true;
        return;
    } else if (second && index.column() == ColumnFreq) {
        if (!m_model->commitPending())
            focusPendingRow();
    }
    m_armedCell = index;
    m_armed = true;
}

void PlanTableView::selectionChanged(
    const QItemSelection &selected, const QItemSelection &deselected)
{
    QTableView::selectionChanged(selected, deselected);
    if (!selectedRowsInOrder().isEmpty())
        emit rowsSelected();
}

QList<int> PlanTableView::selectedRowsInOrder() const
{
    QList<int> rows;
    if (!selectionModel() || !model())
        return rows;
    // A row counts when its selected cells cover every column.
    const int columns = model()->columnCount();
    QHash<int, int> selectedCells;
    const QItemSelection selection = selectionModel()->selection();
    for (const QItemSelectionRange &range : selection) {
        for (int row = range.top(); row <= range.bottom(); ++row) {
            int &count = selectedCells[row];
            if (count < columns && (count += range.width()) >= columns)
                rows.append(row);
        }
    }
    return rows;
}

} // namespace plandor
