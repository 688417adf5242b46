#include "store/StoreTransaction.h"

#include <QSqlError>
#include <QSqlQuery>

namespace plandor {

StoreTransaction::StoreTransaction(QSqlDatabase db)
    : m_db(std::move(db))
{
    QSqlQuery q(m_db);
    // IMMEDIATE: a second writer fails here, before anything has changed.
    m_active = q.exec(QStringLiteral("BEGIN IMMEDIATE"));
    if (!m_active)
        m_error = q.lastError();
}

StoreTransaction::~StoreTransaction()
{
    if (m_active) {
        QSqlQuery q(m_db);
        q.exec(QStringLiteral("ROLLBACK"));
    }
}

bool StoreTransaction::commit()
{
    if (!m_active)
        return false;
    QSqlQuery q(m_db);
    if (!q.exec(QStringLiteral("COMMIT"))) {
        m_error = q.lastError();
        return false;
    }
    m_active = false;
    return true;
}

} // namespace plandor
