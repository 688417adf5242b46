#pragma once

#include "store/PlanComparison.h"

#include <QAbstractTableModel>
#include <QDialog>

#include <optional>

class QLabel;
class QTableView;

namespace plandor {

// A comparison as a table, one row per differing channel: the kind (with a
// colour and an icon), the channel as the other plan holds it, as the
// current plan holds it, and the fields that differ.
class DifferenceModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { KindColumn, OtherColumn, CurrentColumn, FieldsColumn, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    // The comparison runs from the other plan (before) to the current plan
    // (after); otherName heads the other plan's column.
    void setComparison(const PlanComparison &comparison, const QString &otherName);
    const PlanComparison *comparison() const { return m_comparison ? &*m_comparison : nullptr; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // How a kind reads in the run's language.
    static QString kindText(PlanDiff::Kind kind);

private:
    std::optional<PlanComparison> m_comparison;
    QString m_otherName;
};

// The Compare view: a one-line summary ("3 channels differ", "The plans are
// the same") over the table of differences.
class CompareDialog : public QDialog
{
    Q_OBJECT

public:
    explicit CompareDialog(QWidget *parent = nullptr);

    void setComparison(const PlanComparison &comparison, const QString &otherName);
    DifferenceModel *model() const { return m_model; }
    QString summary() const;

    // The summary of a comparison in the run's language.
    static QString summaryText(const PlanComparison &comparison);

private:
    DifferenceModel *m_model;
    QLabel *m_summary;
    QLabel *m_legend;
    QTableView *m_table;
};

} // namespace plandor
