#pragma once

#include "store/ChannelColumns.h"

#include <QAbstractTableModel>
#include <QList>
#include <QString>

#include <functional>

namespace plandor {

// The data source of the plan grid: runs the query text it is given against
// the store and keeps the rows with their identity (the store's row id, not
// ID, which the user may edit or duplicate). Cells take text; a row's changes
// are written to the table when the user leaves the row, after a hook that
// may refuse the write and keep the row in editing.
class PlanGridModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit PlanGridModel(QObject *parent = nullptr);

    // Re-runs refreshString. On failure the rows stay as they were and
    // errorText() tells why.
    bool refresh(qint16 refreshcmdType, const QString &refreshString);
    QString errorText() const { return m_error; }
    QString recordSource() const { return m_source; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // A user's edit of a cell: announces the update (beforeColumnUpdate),
    // takes the text, then reports it (columnUpdated).
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    void setHeading(int column, const QString &text);
    void setColumnLocked(int column, bool locked);
    bool isColumnLocked(int column) const;

    // The cell as text, as the grid holds it: stored values in their
    // shortest form, edited cells as typed.
    QString cellText(int row, int column) const;
    // A value written into a cell by the program: the row becomes modified,
    // no update is announced.
    void setCellText(int row, int column, const QString &text);
    // The cell's value as shown: "0" for ID, "0.00" for Freq and Audio1.
    QString displayText(int row, int column) const;

    qint64 rowId(int row) const;
    // The ID the row held when it was last read or written.
    QVariant storedValue(int row, int column) const;
    bool isRowModified(int row) const;
    // Writes a modified row (after the beforeRowWrite hook). False when the
    // hook refused, a value cannot be converted, or the store failed.
    bool writeRow(int row);
    void revertRow(int row);

    // Hooks run on the window's thread. beforeColumnUpdate may cancel the
    // edit; beforeRowWrite may refuse the write by setting its flag.
    std::function<void(int column, qint16 &cancel)> beforeColumnUpdate;
    std::function<void(qint16 &cancel)> beforeRowWrite;

signals:
    void columnUpdated(int column);
    void contentChanged();
    void rowWritten(int row);
    // A value the store could not take; the change stays in the row.
    void dataError(const QString &reason);

private:
    struct Row
    {
        qint64 rowId = 0;
        ChannelValues stored;
        QString cells[kChannelColumnCount];
        bool modified = false;
    };
    static void fillCells(Row &row);
    void putText(int row, int column, const QString &text);

    QList<Row> m_rows;
    QString m_headings[kChannelColumnCount];
    bool m_locked[kChannelColumnCount] = {};
    QString m_source;
    QString m_error;
};

} // namespace plandor
