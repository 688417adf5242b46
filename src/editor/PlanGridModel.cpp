#include "editor/PlanGridModel.h"

#include "base/NumberText.h"
#include "store/ChannelStore.h"

#include <cmath>

namespace plandor {

PlanGridModel::PlanGridModel(QObject *parent)
    : QAbstractTableModel(parent)
{
    setObjectName(QStringLiteral("Adodc1"));
}

bool PlanGridModel::refresh(qint16 refreshcmdType, const QString &refreshString)
{
    Q_UNUSED(refreshcmdType) // only query texts are ever passed
    QList<StoredRow> stored;
    ChannelStore store;
    if (!store.select(refreshString, stored)) {
        m_error = store.errorText();
        return false;
    }
    m_error.clear();
    beginResetModel();
    m_source = refreshString;
    m_rows.clear();
    m_rows.reserve(stored.size());
    for (StoredRow &s : stored) {
        Row row;
        row.rowId = s.rowId;
        row.stored = std::move(s.values);
        fillCells(row);
        m_rows.append(std::move(row));
    }
    endResetModel();
    return true;
}

void PlanGridModel::fillCells(Row &row)
{
    for (int c = 0; c < kChannelColumnCount; ++c)
        row.cells[c] = ChannelColumns::toText(c, row.stored.values[c]);
}

int PlanGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int PlanGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kChannelColumnCount;
}

QString PlanGridModel::displayText(int row, int column) const
{
    const QString &text = m_rows[row].cells[column];
    if (column != ColumnId && column != ColumnFreq && column != ColumnAudio1)
        return text;
    const auto number = NumberText::parseNumber(text);
    if (!number)
        return text; // a value that is not a number is shown as typed
    if (column == ColumnId)
        return QString::number(std::llround(*number));
    return QString::number(*number, 'f', 2);
}

QVariant PlanGridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return displayText(index.row(), index.column());
    case Qt::EditRole:
        return m_rows[index.row()].cells[index.column()];
    case Qt::TextAlignmentRole:
        return int(Qt::AlignCenter);
    default:
        return {};
    }
}

QVariant PlanGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && section >= 0 && section < kChannelColumnCount
        && (role == Qt::DisplayRole || role == Qt::AccessibleTextRole))
        return m_headings[section];
    if (orientation == Qt::Vertical && role == Qt::DisplayRole)
        return QString(); // the row selector strip shows no numbers
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags PlanGridModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.isValid() && !m_locked[index.column()])
        f |= Qt::ItemIsEditable;
    return f;
}

bool PlanGridModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || index.row() >= m_rows.size())
        return false;
    const QString text = value.toString();
    if (text == m_rows[index.row()].cells[index.column()])
        return false; // nothing changed: nothing to announce
    qint16 cancel = 0;
    if (beforeColumnUpdate)
        beforeColumnUpdate(index.column(), cancel);
    if (cancel)
        return false;
    putText(index.row(), index.column(), text);
    emit columnUpdated(index.column());
    return true;
}

void PlanGridModel::setHeading(int column, const QString &text)
{
    m_headings[column] = text;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

void PlanGridModel::setColumnLocked(int column, bool locked)
{
    m_locked[column] = locked;
}

bool PlanGridModel::isColumnLocked(int column) const
{
    return m_locked[column];
}

QString PlanGridModel::cellText(int row, int column) const
{
    if (row < 0 || row >= m_rows.size() || column < 0 || column >= kChannelColumnCount)
        return {};
    return m_rows[row].cells[column];
}

void PlanGridModel::setCellText(int row, int column, const QString &text)
{
    if (row < 0 || row >= m_rows.size() || column < 0 || column >= kChannelColumnCount)
        return;
    putText(row, column, text);
}

void PlanGridModel::putText(int row, int column, const QString &text)
{
    Row &r = m_rows[row];
    r.cells[column] = text;
    r.modified = true;
    const QModelIndex idx = index(row, column);
    emit dataChanged(idx, idx);
    emit contentChanged();
}

qint64 PlanGridModel::rowId(int row) const
{
    return m_rows.value(row).rowId;
}

QVariant PlanGridModel::storedValue(int row, int column) const
{
    if (row < 0 || row >= m_rows.size())
        return {};
    return m_rows[row].stored.values[column];
}

bool PlanGridModel::isRowModified(int row) const
{
    return row >= 0 && row < m_rows.size() && m_rows[row].modified;
}

bool PlanGridModel::writeRow(int row)
{
    if (!isRowModified(row))
        return true;
    qint16 cancel = 0;
    if (beforeRowWrite)
        beforeRowWrite(cancel);
    if (cancel)
        return false;
    ChannelValues values;
    for (int c = 0; c < kChannelColumnCount; ++c) {
        const QString &text = m_rows[row].cells[c];
        if (text.isEmpty() && c != ColumnName && c != ColumnType) {
            values.values[c] = QVariant();
            continue;
        }
        const auto converted = ChannelColumns::fromText(c, text);
        if (!converted) {
            emit dataError(tr("\"%1\" is not a value for %2.").arg(text, ChannelColumns::fieldName(c)));
            return false;
        }
        values.values[c] = *converted;
    }
    ChannelStore store;
    auto transaction = store.begin();
    if (!transaction || !store.update(m_rows[row].rowId, values) || !store.commit(*transaction)) {
        emit dataError(store.errorText());
        return false;
    }
    Row &r = m_rows[row];
    r.stored = values;
    r.modified = false;
    fillCells(r);
    emit dataChanged(index(row, 0), index(row, kChannelColumnCount - 1));
    emit rowWritten(row);
    return true;
}

void PlanGridModel::revertRow(int row)
{
    if (!isRowModified(row))
        return;
    Row &r = m_rows[row];
    fillCells(r);
    r.modified = false;
    emit dataChanged(index(row, 0), index(row, kChannelColumnCount - 1));
}

} // namespace plandor
