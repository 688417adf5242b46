#include "store/DatabaseLocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace plandor {
namespace {
QString &overridePath()
{
    static QString path;
    return path;
}
} // namespace

QString DatabaseLocation::path()
{
    if (!overridePath().isEmpty())
        return overridePath();
    const QString fromEnv = qEnvironmentVariable("PLANDOR_DB");
    if (!fromEnv.isEmpty())
        return fromEnv;
    const QString programDir = QCoreApplication::applicationDirPath();
    const QFileInfo beside(programDir + QLatin1Char('/') + fileName());
    if (beside.exists() ? beside.isWritable() : QFileInfo(programDir).isWritable())
        return beside.absoluteFilePath();
    const QString dataDir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(dataDir);
    return dataDir + QLatin1Char('/') + fileName();
}

void DatabaseLocation::setOverride(const QString &path)
{
    overridePath() = path;
}

} // namespace plandor
