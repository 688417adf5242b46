#include "editor/PlanGrid.h"

#include "widgets/WindowPlacement.h"
#include "editor/PlanGridModel.h"

#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

namespace plandor {

PlanGrid::PlanGrid(QWidget *parent)
    : QTableView(parent)
{
    setObjectName(QStringLiteral("Fregtable"));
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                    | QAbstractItemView::AnyKeyPressed);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setHighlightSections(false);
    viewport()->installEventFilter(this);
    verticalHeader()->viewport()->installEventFilter(this);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &PlanGrid::scrolled);
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, &PlanGrid::scrolled);
}

void PlanGrid::setPlanModel(PlanGridModel *model)
{
    m_model = model;
    setModel(model);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &PlanGrid::currentRowMoved);
    applyMetrics();
}

void PlanGrid::applyMetrics()
{
    verticalHeader()->setDefaultSectionSize(toPixels(kRowHeightTwips));
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setFixedWidth(toPixels(kRowSelectorTwips));
    horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    const int columns = model() ? model()->columnCount() : 0;
    for (int c = 0; c < columns; ++c)
        setColumnWidth(c, toPixels(kColumnWidthTwips));
}

double PlanGrid::toTwips(double pixels) const
{
    return WindowPlacement::pixelsToTwips(this, pixels);
}

int PlanGrid::toPixels(double twips) const
{
    return WindowPlacement::twipsToPixels(this, int(twips));
}

int PlanGrid::currentBookmark() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() + 1 : 0;
}

int PlanGrid::firstVisibleBookmark() const
{
    const int row = rowAt(0);
    return row < 0 ? 0 : row + 1;
}

int PlanGrid::currentColumnIndex() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.column() : -1;
}

void PlanGrid::setCurrentColumnIndex(int column)
{
    const QModelIndex current = currentIndex();
    const int row = current.isValid() ? current.row() : 0;
    if (!model() || row >= model()->rowCount())
        return;
    selectionModel()->setCurrentIndex(model()->index(row, column), QItemSelectionModel::NoUpdate);
}

QList<int> PlanGrid::selectedRowsInOrder() const
{
    QList<int> rows;
    if (!selectionModel() || !model())
        return rows;
    // Walks the selection's ranges once: a row counts when its selected cells
    // cover every column, whichever ranges they come from.
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

QRect PlanGrid::cellRect(int row, int column) const
{
    const QRect inViewport = visualRect(model()->index(row, column));
    return QRect(viewport()->mapTo(this, inViewport.topLeft()), inViewport.size());
}

QModelIndex PlanGrid::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    // A page is always 29 rows, whatever the window's height.
    if ((cursorAction == MovePageDown || cursorAction == MovePageUp) && model()) {
        const QModelIndex current = currentIndex();
        const int last = model()->rowCount() - 1;
        if (last < 0)
            return current;
        const int row = current.isValid() ? current.row() : 0;
        const int step = cursorAction == MovePageDown ? kRowsPerPage : -kRowsPerPage;
        const int target = qBound(0, row + step, last);
        return model()->index(target, current.isValid() ? current.column() : 0);
    }
    return QTableView::moveCursor(cursorAction, modifiers);
}

void PlanGrid::keyPressEvent(QKeyEvent *event)
{
    emit gridKeyDown(event->key(), event->modifiers());
    // The grid handles the key as well.
    QTableView::keyPressEvent(event);
}

void PlanGrid::focusOutEvent(QFocusEvent *event)
{
    QTableView::focusOutEvent(event);
    emit lostFocus();
}

bool PlanGrid::eventFilter(QObject *watched, QEvent *event)
{
    const bool press = event->type() == QEvent::MouseButtonPress
                       || event->type() == QEvent::MouseButtonDblClick;
    const bool release = event->type() == QEvent::MouseButtonRelease;
    const bool onCells = watched == viewport();
    if ((press || release) && (onCells || watched == verticalHeader()->viewport())) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        const QPoint inGrid = static_cast<QWidget *>(watched)->mapTo(this, mouse->position().toPoint());
        const QPointF twips(toTwips(inGrid.x()), toTwips(inGrid.y()));
        // On the cells the grid handles the event first (it moves its current
        // cell), so the handlers see the cell that was clicked.
        if (onCells)
            viewportEvent(event);
        if (press)
            emit gridMousePressed(mouse->buttons(), mouse->modifiers(), twips);
        else
            emit gridMouseReleased(mouse->button(), mouse->buttons(), mouse->modifiers(), twips);
        return onCells;
    }
    return QTableView::eventFilter(watched, event);
}

void PlanGrid::selectionChanged(const QItemSelection &selected, const QItemSelection &deselected)
{
    QTableView::selectionChanged(selected, deselected);
    emit rowSelectionChanged();
}

void PlanGrid::currentRowMoved(const QModelIndex &current, const QModelIndex &previous)
{
    Q_UNUSED(current)
    if (m_restoringRow || !previous.isValid() || !m_model)
        return;
    if (!m_model->isRowModified(previous.row()))
        return;
    if (m_model->writeRow(previous.row()))
        return;
    // The write was refused: the row stays current and keeps its changes.
    m_restoringRow = true;
    selectionModel()->setCurrentIndex(previous, QItemSelectionModel::ClearAndSelect);
    m_restoringRow = false;
    emit rowWriteRefused(previous.row());
}

} // namespace plandor
