#pragma once

#include <QList>
#include <QPointF>
#include <QTableView>

namespace plandor {

class PlanGridModel;

// The plan grid: fixed metrics in twips (rows 300 high, columns 1750 wide, a
// strip of row selectors 330 wide), 29 rows to a page, and the events the
// editing handlers need. A modified row is written when the current row
// moves to another row; a refused write keeps the row current and in editing.
class PlanGrid : public QTableView
{
    Q_OBJECT

public:
    static constexpr int kRowHeightTwips = 300;
    static constexpr int kColumnWidthTwips = 1750;
    static constexpr int kRowSelectorTwips = 330;
    static constexpr int kRowsPerPage = 29;

    explicit PlanGrid(QWidget *parent = nullptr);

    void setPlanModel(PlanGridModel *model);
    PlanGridModel *planModel() const { return m_model; }
    // Sets row height, column widths and alignment from the fixed metrics.
    void applyMetrics();

    // The bookmark (1-based position in the current view) of the current
    // row; 0 when there is none.
    int currentBookmark() const;
    int firstVisibleBookmark() const;
    int currentColumnIndex() const;
    void setCurrentColumnIndex(int column);
    // Rows selected through the row selectors, in the order the selection
    // lists them (0-based view rows).
    QList<int> selectedRowsInOrder() const;
    // The rectangle of a cell in the grid's own coordinates.
    QRect cellRect(int row, int column) const;

    double toTwips(double pixels) const;
    int toPixels(double twips) const;

signals:
    // A mouse button went down or up; pos in twips relative to the grid's
    // top-left corner. buttons holds the buttons down after a press, the
    // released button after a release.
    void gridMousePressed(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPointF twips);
    void gridMouseReleased(Qt::MouseButton button, Qt::MouseButtons buttons,
                           Qt::KeyboardModifiers modifiers, QPointF twips);
    void gridKeyDown(int key, Qt::KeyboardModifiers modifiers);
    void scrolled();
    void rowSelectionChanged();
    void lostFocus();
    // A modified row could not be written; the row stays current.
    void rowWriteRefused(int row);

protected:
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void selectionChanged(const QItemSelection &selected,
                          const QItemSelection &deselected) override;

private:
    void currentRowMoved(const QModelIndex &current, const QModelIndex &previous);

    PlanGridModel *m_model = nullptr;
    bool m_restoringRow = false;
};

} // namespace plandor
