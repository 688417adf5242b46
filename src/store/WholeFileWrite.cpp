#include "store/WholeFileWrite.h"

#include "base/Phrase.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace plandor {

namespace {

const Phrase kShortWrite { u"只写入了 %1 / %2 字节。", u"Only %1 of %2 bytes were written." };
const Phrase kNotRegular { u"%1 不是普通文件（而是设备、管道或文件夹），只能写入普通文件。",
    u"%1 is not a regular file (it is a device, a pipe or a folder); only a file can be written." };

// Unbuffered, so that a short write (a full disk, a file size limit) shows
// here: a buffered flush that writes only part of the data still lets
// QSaveFile::commit() rename the truncated file over the old one.
qint64 writeAll(QFileDevice &file, const QByteArray &bytes)
{
    qint64 written = 0;
    while (written < bytes.size()) {
        const qint64 n = file.write(bytes.constData() + written, bytes.size() - written);
        if (n <= 0)
            break;
        written += n;
    }
    return written;
}

QString reasonFor(const QFileDevice &file, qint64 written, qint64 size)
{
    return file.error() != QFileDevice::NoError ? file.errorString()
                                                : kShortWrite.text().arg(written).arg(size);
}

bool fail(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return false;
}

} // namespace

bool writeWholeFile(const QString &path, const QByteArray &bytes, QString *error)
{
    // Followed through links: a link to a regular file replaces that file.
    const QFileInfo target(path);
    if (target.exists() && !target.isFile())
        return fail(error, kNotRegular.text().arg(QDir::toNativeSeparators(path)));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(error, file.errorString());
    const qint64 written = writeAll(file, bytes);
    // commit() syncs the temporary file to disk before it renames it.
    if (written != bytes.size() || !file.commit()) {
        const QString reason = reasonFor(file, written, bytes.size());
        file.cancelWriting();
        return fail(error, reason);
    }
    return true;
}

} // namespace plandor
