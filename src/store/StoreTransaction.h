#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

namespace plandor {

// All or nothing: begun in the constructor (taking the write lock at once),
// rolled back in the destructor unless commit() succeeded.
class StoreTransaction
{
public:
    explicit StoreTransaction(QSqlDatabase db);
    ~StoreTransaction();
    StoreTransaction(const StoreTransaction &) = delete;
    StoreTransaction &operator=(const StoreTransaction &) = delete;

    bool isActive() const { return m_active; }
    QSqlError error() const { return m_error; }
    QString errorText() const { return m_error.text(); }
    bool commit();

private:
    QSqlDatabase m_db;
    bool m_active = false;
    QSqlError m_error;
};

} // namespace plandor
