#pragma once

#include <QByteArray>
#include <QString>

namespace plandor {

// Puts bytes into a file all or nothing: they go to a temporary file in the
// same folder, which is flushed to disk and then renamed over the target, so
// a full disk or a failing write keeps the old content. A target that exists
// and is not a regular file (a device such as /dev/full, a FIFO, a folder) is
// refused before anything is written: a rename cannot replace it, and writing
// into it in place could not be taken back. On failure, error says why.
bool writeWholeFile(const QString &path, const QByteArray &bytes, QString *error);

} // namespace plandor
