#pragma once

#include "store/PlanHistory.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <QList>

#include <optional>

class QLabel;
class QPushButton;
class QTableView;

namespace plandor {

// The kept plans as a table: time (local), direction, instrument, channel
// count; newest first, as PlanHistory lists them.
class HistoryModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { TimeColumn, DirectionColumn, InstrumentColumn, CountColumn, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    // Lists the history folder again.
    void refresh();
    const PlanHistory::Entry &entry(int row) const { return m_entries.at(row); }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QList<PlanHistory::Entry> m_entries;
};

// The History window: the kept plans, and the entry chosen opened as the
// current plan or compared with it. What is done with an entry is left to
// the one who listens to the signals.
class HistoryDialog : public QDialog
{
    Q_OBJECT

public:
    explicit HistoryDialog(QWidget *parent = nullptr);

    HistoryModel *model() const { return m_model; }
    QTableView *table() const { return m_table; }
    // Lists the folder again, keeping the newest entry selected.
    void refresh();
    std::optional<PlanHistory::Entry> selectedEntry() const;

signals:
    void openRequested(const plandor::PlanHistory::Entry &entry);
    void compareRequested(const plandor::PlanHistory::Entry &entry);

private:
    void updateButtons();

    HistoryModel *m_model;
    QTableView *m_table;
    QLabel *m_emptyNote;
    QPushButton *m_openButton;
    QPushButton *m_compareButton;
};

} // namespace plandor
