#pragma once

#include <QString>

namespace plandor {

// Where the plan's database file lives: FileDB2000.db in the program's folder
// when that folder is writable and the program is not installed (a build or
// a portable folder), else in the user's data folder.
class DatabaseLocation
{
public:
    static QString fileName() { return QStringLiteral("FileDB2000.db"); }
    static QString path();
    // A program folder that is a bin folder with share/plandor beside it.
    static bool isInstalled(const QString &programDir);
    // Tests and tools point the store at another file; empty restores the default.
    static void setOverride(const QString &path);
};

} // namespace plandor
