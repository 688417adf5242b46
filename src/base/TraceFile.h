#pragma once

#include <QString>

namespace plandor {

// A file for support: once started, every message of Plandor's logging
// categories (plandor.*, their debug level included) goes to it with a
// timestamp. At 4 MB it is rotated: the full one is kept as FILE.1.
class TraceFile
{
public:
    static constexpr qint64 kRotateBytes = 4 * 1024 * 1024;

    // False, with the reason, when the file cannot be opened for appending.
    static bool start(const QString &path, QString *error);
    // trace.log in the user's data folder (made when missing).
    static QString defaultPath();
    // The file's path while a trace is written, else empty.
    static QString path();
};

} // namespace plandor
