#include "editor/PlanTableModel.h"

#include "base/MessageBox.h"
#include "base/NumberText.h"
#include "base/Phrase.h"
#include "base/ShownValue.h"
#include "base/TextCatalogue.h"
#include "rules/ChannelRules.h"
#include "store/ChannelStore.h"
#include "store/RowChecks.h"

#include <QBrush>
#include <QColor>

#include <cmath>

namespace plandor {
namespace {

constexpr Phrase kRowName { u"第 %1 行", u"Row %1" };
constexpr Phrase kRefusedRowName { u"第 %1 行（被拒绝）", u"Row %1, refused" };
constexpr Phrase kNotAValue { u"“%1”不是%2列可接受的值", u"\"%1\" is not a value for %2." };

bool isNumberColumn(int column)
{
    return column == ColumnId || column == ColumnFreq || column == ColumnAudio1;
}

// A pale red behind a refused row, with dark text on it, so that the row
// reads the same whatever the palette.
const QColor kMarkBackground(255, 214, 214);
const QColor kMarkText(Qt::black);

// What a marked row shows in its cells, header and tooltip.
QVariant markData(const std::optional<ChannelRefusal> &mark, int role)
{
    if (!mark)
        return {};
    switch (role) {
    case Qt::BackgroundRole:
        return QBrush(kMarkBackground);
    case Qt::ForegroundRole:
        return QBrush(kMarkText);
    case Qt::ToolTipRole:
    case Qt::AccessibleDescriptionRole:
        return mark->text();
    default:
        return {};
    }
}

} // namespace

PlanTableModel::PlanTableModel(ChannelStore &store, QObject *parent)
    : QAbstractTableModel(parent)
    , m_store(store)
{
    setObjectName(QStringLiteral("Adodc1"));
}

bool PlanTableModel::reload(PlanOrder order)
{
    QList<StoredRow> rows;
    if (!m_store.rows(order, rows)) {
        m_error = m_store.errorText();
        return false;
    }
    m_error.clear();
    QList<ChannelValues> values;
    values.reserve(rows.size());
    for (const StoredRow &row : std::as_const(rows))
        values.append(row.values);
    QList<std::optional<ChannelRefusal>> marks(rows.size());
    for (const RowRefusal &refused : RowChecks::check(values))
        marks[refused.row] = refused.refusal;
    beginResetModel();
    m_order = order;
    m_rows = std::move(rows);
    m_marks = std::move(marks);
    m_editRow = -1;
    endResetModel();
    return true;
}

int PlanTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int PlanTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kChannelColumnCount;
}

QString PlanTableModel::cellText(int row, int column) const
{
    if (row < 0 || row >= m_rows.size() || column < 0 || column >= kChannelColumnCount)
        return {};
    if (row == m_editRow && !m_unreadable[column].isNull())
        return m_unreadable[column];
    return ChannelColumns::toText(column, valuesAt(row).value(column));
}

QVariant PlanTableModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const QString text = cellText(index.row(), index.column());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole: {
        // ID as a whole number, Freq and Audio1 with two decimals; a text that
        // is not a number is shown as typed.
        const auto number
            = isNumberColumn(index.column()) ? NumberText::parseNumber(text) : std::nullopt;
        if (!number)
            return text;
        if (index.column() == ColumnId)
            return QString::number(std::llround(*number));
        return QString::number(*number, 'f', 2);
    }
    case Qt::EditRole:
        return text;
    case Qt::TextAlignmentRole:
        return int(Qt::AlignCenter);
    default:
        return markData(m_marks[index.row()], role);
    }
}

QVariant PlanTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    // A screen reader reads the headings without their layout blanks.
    if (orientation == Qt::Horizontal && section >= 0 && section < kChannelColumnCount) {
        if (role == Qt::DisplayRole)
            return m_headings[section];
        if (role == Qt::AccessibleTextRole)
            return m_headings[section].trimmed();
    }
    if (orientation == Qt::Vertical && section >= 0 && section < m_marks.size()) {
        // The row selector strip shows no numbers; a "!" besides the colour
        // marks a refused row.
        if (role == Qt::DisplayRole)
            return m_marks[section] ? QStringLiteral("!") : QString();
        if (role == Qt::AccessibleTextRole)
            return (m_marks[section] ? kRefusedRowName : kRowName).text().arg(section + 1);
        if (const QVariant mark = markData(m_marks[section], role); mark.isValid())
            return mark;
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags PlanTableModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    // Type and Audio1 are edited through lists, the other columns by typing.
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

void PlanTableModel::setHeading(int column, const QString &text)
{
    m_headings[column] = text;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

qint64 PlanTableModel::rowId(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows[row].rowId : 0;
}

ChannelValues PlanTableModel::storedValues(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows[row].values : ChannelValues {};
}

QList<RowRefusal> PlanTableModel::refusals() const
{
    QList<RowRefusal> marked;
    for (int row = 0; row < m_marks.size(); ++row) {
        if (m_marks[row])
            marked.append({ row, *m_marks[row] });
    }
    return marked;
}

void PlanTableModel::markRow(int row)
{
    const auto mark = ChannelRules::checkChannel(m_rows[row].values.fields());
    if (mark == m_marks[row])
        return;
    m_marks[row] = mark;
    emit headerDataChanged(Qt::Vertical, row, row);
}

int PlanTableModel::rowOfId(qint64 rowId) const
{
    for (int row = 0; row < m_rows.size(); ++row) {
        if (m_rows[row].rowId == rowId)
            return row;
    }
    return -1;
}

const ChannelValues &PlanTableModel::valuesAt(int row) const
{
    return row == m_editRow ? m_edit : m_rows[row].values;
}

void PlanTableModel::beginEdit(int row)
{
    if (m_editRow == row)
        return;
    // The view commits a row before another one is edited; a row left
    // pending anyway is kept by the one buffer, so it is written first.
    if (m_editRow >= 0 && !commitPending())
        revertPending();
    m_editRow = row;
    m_edit = m_rows[row].values;
    for (QString &text : m_unreadable)
        text = QString();
}

void PlanTableModel::putValue(int row, int column, const CellInput &input)
{
    beginEdit(row);
    m_edit.setValue(column, input.value);
    m_unreadable[column] = input.unreadable;
    const QModelIndex changed = index(row, column);
    emit dataChanged(changed, changed);
    emit contentEdited();
}

bool PlanTableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole
        || !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return false;
    const int row = index.row();
    const int column = index.column();
    const CellInput input = CellInput::of(column, value);
    ChannelValues after = valuesAt(row);
    after.setValue(column, input.value);
    const QString unreadable = row == m_editRow ? m_unreadable[column] : QString();
    if (after == valuesAt(row) && input.unreadable == unreadable
        && input.unreadable.isNull() == unreadable.isNull())
        return false; // nothing chosen or typed: nothing changes
    if (column == ColumnType) {
        // A change between TV and DIGI moves the frequency with it.
        const auto change = ChannelRules::typeChange(valuesAt(row).type, after.type);
        putValue(row, column, input);
        if (change != ChannelRules::TypeChange::None)
            putValue(row, ColumnFreq,
                { ChannelRules::shiftedFreq(m_edit.freq.value_or(0.0), change, halfShift()),
                    QString() });
        return true;
    }
    putValue(row, column, input);
    if (!checkCell(row, column)) {
        emit cellRefused(index);
        return false;
    }
    return true;
}

float PlanTableModel::cellNumber(int row, int column) const
{
    // A text that names no number reads as 0, as the rules read cells.
    if (row == m_editRow && !m_unreadable[column].isNull())
        return 0.0f;
    return float(valuesAt(row).value(column).toDouble());
}

bool PlanTableModel::checkCell(int row, int column)
{
    if (column == ColumnName) {
        // The whole name rule, the characters the plan file cannot carry too.
        const auto refused = ChannelRules::nameRefusal(cellText(row, ColumnName));
        if (!refused)
            return true;
        refuseText(refused->text());
    } else if (column == ColumnFreq) {
        const qint16 message
            = ChannelRules::checkFreq(cellNumber(row, ColumnFreq), cellNumber(row, ColumnAudio1));
        if (message == 0)
            return true;
        refuse(message);
    } else {
        return true;
    }
    restoreFromStore(row, column);
    return false;
}

void PlanTableModel::restoreFromStore(int row, int column)
{
    // The row's own stored value, by its identity: its ID may be edited,
    // empty or shared with another row.
    const std::optional<StoredRow> stored = m_store.row(m_rows[row].rowId);
    if (!stored) {
        if (!m_store.errorText().isEmpty())
            refuseText(m_store.errorText());
        return; // the cell keeps the value as entered
    }
    m_rows[row].values.setValue(column, stored->values.value(column));
    CellInput input { stored->values.value(column), QString() };
    if (column == ColumnFreq && stored->values.freq) {
        const auto freq = ChannelRules::fromSingle(float(*stored->values.freq));
        input.value = freq ? QVariant(*freq) : QVariant();
    }
    putValue(row, column, input);
}

void PlanTableModel::toggleType(int row)
{
    if (row < 0 || row >= m_rows.size())
        return;
    const auto type = valuesAt(row).type;
    if (type == ChannelType::Tv)
        setData(index(row, ColumnType), QVariant::fromValue(ChannelType::Digi));
    else if (type == ChannelType::Digi)
        setData(index(row, ColumnType), QVariant::fromValue(ChannelType::Tv));
}

double PlanTableModel::halfShift() const
{
    return ChannelRules::halfBandwidthShift(m_bandwidth ? m_bandwidth() : QString());
}

bool PlanTableModel::commitPending()
{
    const int row = m_editRow;
    if (row < 0)
        return true;
    if (!ChannelRules::isKnownType(m_edit.typeText())) {
        refuse(ChannelRules::kTypeMessage);
        return false;
    }
    for (int c = 0; c < kChannelColumnCount; ++c) {
        const QString &text = m_unreadable[c];
        if (!text.isNull()) {
            refuseText(kNotAValue.text().arg(ShownValue::cut(text), ChannelColumns::fieldName(c)));
            return false;
        }
    }
    if (!m_store.update(m_rows[row].rowId, m_edit)) {
        refuseText(m_store.errorText());
        return false;
    }
    m_rows[row].values = m_edit;
    m_editRow = -1;
    markRow(row);
    emit dataChanged(index(row, 0), index(row, kChannelColumnCount - 1));
    emit rowCommitted(row);
    return true;
}

void PlanTableModel::revertPending()
{
    const int row = m_editRow;
    if (row < 0)
        return;
    m_editRow = -1;
    emit dataChanged(index(row, 0), index(row, kChannelColumnCount - 1));
}

void PlanTableModel::refuse(qint16 catalogueId)
{
    MessageBox::showCatalogue(catalogueId, MessageStyle::ExclamationOk);
}

void PlanTableModel::refuseText(const QString &text)
{
    MessageBox::show(text, MessageStyle::ExclamationOk, CatalogueText(2));
}

} // namespace plandor
