#include "editor/PlanCheckList.h"

#include "base/Phrase.h"
#include "store/ChannelColumns.h"

#include <QAbstractItemModel>
#include <QItemSelectionModel>

namespace plandor {
namespace {

constexpr Phrase kListName { u"频道表检查结果", u"Plan check findings" };
constexpr Phrase kNothingFound { u"未发现问题", u"Nothing wrong found" };

std::optional<double> number(const QVariant &v)
{
    bool ok = false;
    const double d = v.toDouble(&ok);
    return ok && !v.isNull() ? std::optional<double>(d) : std::nullopt;
}

} // namespace

PlanCheckList::PlanCheckList(QWidget *parent)
    : QListWidget(parent)
{
    setObjectName(QStringLiteral("planCheckList"));
    setAccessibleName(kListName.text());
    setWordWrap(true);
    connect(this, &QListWidget::itemClicked, this, &PlanCheckList::selectFinding);
    connect(this, &QListWidget::itemActivated, this, &PlanCheckList::selectFinding);
}

void PlanCheckList::setModel(QAbstractItemModel *model, QItemSelectionModel *selection)
{
    m_model = model;
    m_selection = selection;
}

void PlanCheckList::setFindings(const QList<PlanFinding> &findings)
{
    m_findings = findings;
    clear();
    for (int i = 0; i < findings.size(); ++i) {
        auto *item = new QListWidgetItem(findings[i].text, this);
        item->setData(Qt::UserRole, i);
    }
    if (findings.isEmpty()) {
        auto *item = new QListWidgetItem(kNothingFound.text(), this);
        item->setFlags(Qt::ItemIsEnabled);
    }
}

void PlanCheckList::selectFinding(QListWidgetItem *item)
{
    const QVariant index = item ? item->data(Qt::UserRole) : QVariant();
    if (!index.isValid() || !m_model || !m_selection)
        return;
    const QList<int> &rows = m_findings.value(index.toInt()).rows;
    if (rows.isEmpty())
        return;
    QItemSelection selection;
    for (int r : rows) {
        if (r < m_model->rowCount())
            selection.select(m_model->index(r, 0), m_model->index(r, m_model->columnCount() - 1));
    }
    m_selection->select(selection, QItemSelectionModel::ClearAndSelect);
    m_selection->setCurrentIndex(
        m_model->index(rows.first(), ColumnName), QItemSelectionModel::NoUpdate);
}

QList<PlanCheckRow> PlanCheckList::rowsOf(const QAbstractItemModel &model)
{
    QList<PlanCheckRow> rows;
    const int count = model.rowCount();
    rows.reserve(count);
    for (int r = 0; r < count; ++r) {
        auto cell = [&](int column) { return model.index(r, column).data(Qt::EditRole); };
        rows.append({ cell(ColumnId).toString(),
            ChannelFields { cell(ColumnName).toString(), cell(ColumnType).toString(),
                number(cell(ColumnFreq)), number(cell(ColumnAudio1)) } });
    }
    return rows;
}

} // namespace plandor
