#pragma once

#include "rules/PlanCheck.h"

#include <QListWidget>
#include <QPointer>

class QAbstractItemModel;
class QItemSelectionModel;

namespace plandor {

// The plan check's findings, one a line; clicking a finding (or Enter on it)
// selects its rows in the grid's selection model.
class PlanCheckList : public QListWidget
{
    Q_OBJECT
public:
    explicit PlanCheckList(QWidget *parent = nullptr);

    void setModel(QAbstractItemModel *model, QItemSelectionModel *selection);
    void setFindings(const QList<PlanFinding> &findings);
    const QList<PlanFinding> &findings() const { return m_findings; }

    // The rows of a model with the plan's five columns, as the check reads them.
    static QList<PlanCheckRow> rowsOf(const QAbstractItemModel &model);

private:
    void selectFinding(QListWidgetItem *item);

    QPointer<QAbstractItemModel> m_model;
    QPointer<QItemSelectionModel> m_selection;
    QList<PlanFinding> m_findings;
};

} // namespace plandor
