#pragma once

#include <QString>

namespace plandor {

// The release every program of Plandor reports, and what it runs on.
struct ProgramVersion
{
    static QString number();
    // "<program> <number> (Qt <version>)": what --version prints.
    static QString line(const QString &program);
};

} // namespace plandor
