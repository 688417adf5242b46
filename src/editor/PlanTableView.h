#pragma once

#include <QTableView>

namespace plandor {

class ChannelDelegate;
class PlanTableModel;

// The plan grid (object name Fregtable): fixed metrics in twips (rows 300
// high, columns 1750 wide, the row selector strip 330 wide), 29 rows to a
// page. A row being edited is committed when the cursor leaves it; a refused
// row keeps the cursor. Two presses on one Type cell toggle TV/DIGI; two on a
// Freq cell commit the row; a press on an Audio1 cell once the grid is armed
// opens its list, as do F4 and Alt+Down on Type and Audio1. Type and
// Audio1 take no typed text: a letter, digit or blank there does nothing.
class PlanTableView : public QTableView
{
    Q_OBJECT

public:
    static constexpr int kRowHeightTwips = 300;
    static constexpr int kColumnWidthTwips = 1750;
    static constexpr int kRowSelectorTwips = 330;
    static constexpr int kRowsPerPage = 29;

    enum class KeyCommand { Delete, Copy, Paste };

    explicit PlanTableView(QWidget *parent = nullptr);

    void setPlanModel(PlanTableModel *model);
    void applyMetrics();
    int toPixels(double twips) const;

    // Writes the open cell editor's value into the model and closes it.
    // False when a rule refused the value (the cell has the focus again).
    bool commitOpenEditor();
    // Puts the cursor and the focus on the row being edited.
    void focusPendingRow();

    // Rows selected through the row selectors, in the order selected.
    QList<int> selectedRowsInOrder() const;

signals:
    // Delete, Ctrl+C, Ctrl+V: their commands run whatever the buttons' states.
    void keyCommand(PlanTableView::KeyCommand command);
    // A press on the cells (not the row selectors).
    void cellsPressed();
    // Rows were selected through the row selectors.
    void rowsSelected();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool focusNextPrevChild(bool next) override;
    void mousePressEvent(QMouseEvent *event) override;
    void selectionChanged(
        const QItemSelection &selected, const QItemSelection &deselected) override;

private:
    void clickCell(const QModelIndex &index);

    PlanTableModel *m_model = nullptr;
    ChannelDelegate *m_delegate = nullptr;
    QPersistentModelIndex m_armedCell; // the cell of the last first press
    bool m_armed = false;
    bool m_restoring = false;
    QPersistentModelIndex m_refusedCell; // the cell a rule refused last
};

} // namespace plandor
