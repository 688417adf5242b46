#include "base/TraceFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QMutex>
#include <QStandardPaths>

#include <memory>

namespace plandor {
namespace {

struct Trace
{
    QMutex mutex;
    std::unique_ptr<QFile> file;
    QtMessageHandler previous = nullptr;
};

Trace &trace()
{
    // Never destroyed: a message late in the program's exit may still come.
    static Trace *const t = new Trace;
    return *t;
}

bool openFile(Trace &t, const QString &path, QString *error)
{
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        if (error)
            *error = file->errorString();
        return false;
    }
    t.file = std::move(file);
    return true;
}

void handler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    Trace &t = trace();
    const bool ours = context.category && qstrncmp(context.category, "plandor.", 8) == 0;
    if (!ours) {
        if (t.previous)
            t.previous(type, context, message);
        return;
    }
    const QMutexLocker lock(&t.mutex);
    if (!t.file)
        return;
    if (t.file->size() >= TraceFile::kRotateBytes) {
        const QString path = t.file->fileName();
        t.file->close();
        QFile::remove(path + QStringLiteral(".1"));
        QFile::rename(path, path + QStringLiteral(".1"));
        if (!openFile(t, path, nullptr))
            return;
    }
    const QByteArray line = QDateTime::currentDateTime().toString(Qt::ISODateWithMs).toUtf8() + ' '
        + context.category + ": " + message.toUtf8() + '\n';
    t.file->write(line);
    // A crash must not take the last lines with it.
    t.file->flush();
}

} // namespace

bool TraceFile::start(const QString &path, QString *error)
{
    Trace &t = trace();
    {
        const QMutexLocker lock(&t.mutex);
        if (!openFile(t, path, error))
            return false;
    }
    QLoggingCategory::setFilterRules(QStringLiteral("plandor.*.debug=true"));
    const QtMessageHandler previous = qInstallMessageHandler(handler);
    if (previous != handler)
        t.previous = previous;
    return true;
}

QString TraceFile::defaultPath()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(folder);
    return folder + QStringLiteral("/trace.log");
}

QString TraceFile::path()
{
    Trace &t = trace();
    const QMutexLocker lock(&t.mutex);
    return t.file ? t.file->fileName() : QString();
}

} // namespace plandor
