#pragma once

#include "rules/PanelTexts.h"
#include "store/BulkInsert.h"
#include "store/ChannelColumns.h"
#include "store/DatabaseLocation.h"
#include "store/PlanOrder.h"
#include "store/RowChange.h"
#include "store/StoreConnection.h"
#include "store/StoreProblem.h"
#include "store/StoreTransaction.h"

#include <QList>
#include <QString>

#include <memory>
#include <optional>

class QSqlError;

namespace plandor {

// The channel table over one connection that lives as long as this object:
// the program opens one at start-up and every part that reads or changes the
// plan shares it. Every change is one transaction, taken whole or not at all.
// Failures return false (or nothing) with the reason, in the run's language
// and naming the file, in errorText() and its kind in problem().
// What goes with the plan beside its channels: the settings panel and the
// grid's caption, kept so that the next start shows them with the plan.
struct PlanDetails
{
    PanelTexts panel;
    QString caption;
    friend bool operator==(const PlanDetails &, const PlanDetails &) = default;
};

class ChannelStore
{
public:
    explicit ChannelStore(const QString &path = DatabaseLocation::path());

    bool isOpen() const { return m_connection.isOpen(); }
    QString path() const { return m_connection.path(); }
    QString errorText() const { return m_error; }
    StoreProblem problem() const { return m_problem; }
    // Set when the file at path was not a database (or was damaged) and was
    // moved here; the store then works on a new, empty file.
    std::optional<QString> movedAsideTo() const { return m_connection.movedAsideTo(); }
    // What the user is told about that, in the run's language; empty otherwise.
    QString movedAsideText() const;

    // The whole plan in the given order.
    bool rows(PlanOrder order, QList<StoredRow> &out);
    // One row by its identity; nothing when no row has it (errorText empty)
    // or on failure.
    std::optional<StoredRow> row(qint64 rowId);
    // Writes the five values of the row with this identity.
    bool update(qint64 rowId, const ChannelValues &values);
    // The one way a whole plan comes in (a plan file, the instrument, a
    // template): the table is emptied and the rows are appended, numbered
    // 1..n in their ID order (rows with equal or no ID keep their order,
    // rows without an ID first).
    bool replacePlan(const QList<ChannelValues> &rows);
    // How many rows the table holds; -1 on failure.
    int rowCount();

    // The table exactly as it is, identities included, for undo.
    std::optional<QList<StoredRow>> snapshot();
    // Puts back exactly the rows of a snapshot, identities included.
    bool restore(const QList<StoredRow> &rows);
    // Makes a change row by row, in one transaction: its removed rows go, its
    // changed rows take their new values, its added rows come with their
    // identities. A removed or changed row that is gone undoes it all.
    bool apply(const RowChange &change);
    // The panel and caption last kept; nothing on failure, and empty details
    // when none were ever kept.
    std::optional<PlanDetails> details();
    bool keepDetails(const PlanDetails &details);

private:
    friend class RecordOperations;

    QSqlDatabase database() const { return m_connection.database(); }
    // Starts a transaction (taking the write lock at once); null on failure.
    std::unique_ptr<StoreTransaction> begin();
    bool commit(StoreTransaction &transaction);
    // Steps inside the caller's transaction.
    bool append(const QList<ChannelValues> &rows);
    bool insert(const QList<StoredRow> &rows);
    bool updateEach(const QList<StoredRow> &rows);
    bool removeEach(const QList<StoredRow> &rows);
    // True when the engine reported no error; else the failure kept.
    bool written(const std::optional<EngineError> &error);
    bool clear();
    bool readRows(const QString &sql, QList<StoredRow> &out);

    bool fail(const QSqlError &error);
    bool fail(int engineCode, const QString &engineText);
    bool failNotOpen();
    void clearError();

    StoreConnection m_connection;
    StoreProblem m_problem = StoreProblem::None;
    QString m_error;
};

} // namespace plandor
