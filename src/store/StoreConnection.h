#pragma once

#include <QSqlDatabase>
#include <QString>

namespace plandor {

// One connection to the plan's database file for the length of one operation:
// opened in the constructor, closed and removed in the destructor. A missing
// file is created with its table; an existing file is never overwritten.
class StoreConnection
{
public:
    explicit StoreConnection(const QString &path);
    ~StoreConnection();
    StoreConnection(const StoreConnection &) = delete;
    StoreConnection &operator=(const StoreConnection &) = delete;

    bool isOpen() const { return m_error.isEmpty(); }
    // Why the connection could not be opened: the engine's own words.
    QString errorText() const { return m_error; }
    QSqlDatabase database() const;

    // How long a statement waits for a file locked by another program.
    static void setBusyTimeoutMs(int ms);

private:
    bool prepare();

    QString m_name;
    QString m_error;
};

} // namespace plandor
