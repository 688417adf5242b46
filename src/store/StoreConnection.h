#pragma once

#include "store/StoreProblem.h"

#include <QSqlDatabase>
#include <QString>

#include <optional>

namespace plandor {

// A connection to the plan's database file: opened in the constructor,
// closed and removed in the destructor. A missing file is created with its
// table. A file that is not a database, or a damaged one, is moved aside
// under a dated name and a new one is created in its place.
class StoreConnection
{
public:
    explicit StoreConnection(const QString &path);
    ~StoreConnection();
    StoreConnection(const StoreConnection &) = delete;
    StoreConnection &operator=(const StoreConnection &) = delete;

    bool isOpen() const { return m_problem == StoreProblem::None; }
    StoreProblem problem() const { return m_problem; }
    // Why the connection could not be opened, in the run's language, with the path.
    QString errorText() const { return m_error; }
    QString path() const { return m_path; }
    // Where an unreadable file was moved to when this connection was opened.
    std::optional<QString> movedAsideTo() const { return m_movedAsideTo; }
    QSqlDatabase database() const;

    // How long a statement waits for a file locked by another program.
    static void setBusyTimeoutMs(int ms);

private:
    // The engine's result code of a failed step; 0 when it succeeded.
    int open();
    int prepare();
    bool moveAside();
    void setProblem(int code, const QString &engineText);

    QString m_name;
    QString m_path;
    StoreProblem m_problem = StoreProblem::None;
    QString m_error;
    std::optional<QString> m_movedAsideTo;
};

} // namespace plandor
