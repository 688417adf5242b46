#pragma once

#include "editor/CellInput.h"
#include "rules/ChannelRules.h"
#include "store/ChannelColumns.h"
#include "store/PlanOrder.h"

#include <QAbstractTableModel>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace plandor {

class ChannelStore;

// The plan as the grid shows it, over the shared store. Edits go into the
// buffer of one row (the stored rows stay untouched) and reach the store when
// the row is committed: through the row rule and one store update. A cell
// that a channel rule refuses shows the rule's message and gets back the
// value the store holds for that very row, found by its identity (rowid).
//
// A stored row the channel rules refuse (as a plan file, a paste or the
// instrument may bring one) is kept and marked: a tinted background, a "!"
// in its header and the rule's message as the tooltip. The mark follows the
// stored values: a row loses it when a fixed value is committed.
class PlanTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit PlanTableModel(ChannelStore &store, QObject *parent = nullptr);

    // Re-reads the plan in order; any pending edit is dropped. On failure the
    // rows stay as they were and errorText() tells why.
    bool reload(PlanOrder order);
    PlanOrder order() const { return m_order; }
    QString errorText() const { return m_error; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(
        int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // A user's edit: into the row's buffer, then the column's rule.
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    void setHeading(int column, const QString &text);
    // The bandwidth box's text, read when a change of type moves the frequency.
    void setBandwidthSource(std::function<QString()> source) { m_bandwidth = std::move(source); }

    // The cell as it stands: its value in its shortest form, or the text
    // typed when it names no value.
    QString cellText(int row, int column) const;
    qint64 rowId(int row) const;
    // The row's values as the store holds them.
    ChannelValues storedValues(int row) const;
    int rowOfId(qint64 rowId) const;

    // Every marked row (why the rules refuse it as stored), in grid order.
    QList<RowRefusal> refusals() const;

    // The type toggle of the Type column: TV becomes DIGI with the frequency
    // raised by half the bandwidth less 1.25 MHz, DIGI goes back.
    void toggleType(int row);

    // The row holding an unfinished edit; -1 when there is none.
    int pendingRow() const { return m_editRow; }
    // Writes the pending row. False (the rule's or the store's message shown,
    // the edit kept) when the row is refused.
    bool commitPending();
    void revertPending();

signals:
    // A row passed the row rule and is stored.
    void rowCommitted(int row);
    // The content of a cell changed through an edit.
    void contentEdited();
    // A rule refused a cell's new value; its message was shown and the cell
    // holds the stored value again.
    void cellRefused(const QModelIndex &index);

private:
    void beginEdit(int row);
    const ChannelValues &valuesAt(int row) const;
    void putValue(int row, int column, const CellInput &input);
    float cellNumber(int row, int column) const;
    bool checkCell(int row, int column);
    void restoreFromStore(int row, int column);
    double halfShift() const;
    void refuse(qint16 catalogueId);
    void refuseText(const QString &text);
    void markRow(int row);

    ChannelStore &m_store;
    PlanOrder m_order = PlanOrder::ByFreq;
    QList<StoredRow> m_rows;
    QList<std::optional<ChannelRefusal>> m_marks; // one per row
    int m_editRow = -1;
    ChannelValues m_edit;
    QString m_unreadable[kChannelColumnCount]; // texts naming no value

    QString m_headings[kChannelColumnCount];
    std::function<QString()> m_bandwidth;
    QString m_error;
};

} // namespace plandor
