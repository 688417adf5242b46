#include "store/WholeFileWrite.h"

#include "base/Phrase.h"

#include <QFileInfo>
#include <QSaveFile>

namespace plandor {

namespace {

const Phrase kShortWrite { u"只写入了 %1 / %2 字节。", u"Only %1 of %2 bytes were written." };

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
    const QFileInfo target(path);
    if (target.exists() && !target.isFile()) {
        QFile device(path);
        if (!device.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return fail(error, device.errorString());
        const qint64 written = writeAll(device, bytes);
        if (written != bytes.size())
            return fail(error, reasonFor(device, written, bytes.size()));
        return true;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(error, file.errorString());
    const qint64 written = writeAll(file, bytes);
    if (written != bytes.size() || !file.commit()) {
        const QString reason = reasonFor(file, written, bytes.size());
        file.cancelWriting();
        return fail(error, reason);
    }
    return true;
}

} // namespace plandor
