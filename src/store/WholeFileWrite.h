#pragma once

#include <QByteArray>
#include <QString>

namespace plandor {

// Puts bytes into a file all or nothing. A regular file (or a new one) is
// replaced only once every byte is on disk, so a full disk keeps the old
// content; a device or a pipe (/dev/full, /dev/stdout) is written in place,
// never renamed over, and a short write is reported. On failure, error says why.
bool writeWholeFile(const QString &path, const QByteArray &bytes, QString *error);

} // namespace plandor
