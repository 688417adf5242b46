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

bool DatabaseLocation::isInstalled(const QString &programDir)
{
    // The package puts the programs in a bin folder and their data in
    // share/plandor beside it; root may write into that bin folder, but it
    // belongs to the system.
    return QDir(programDir).dirName() == QLatin1String("bin")
        && QFileInfo(programDir + QStringLiteral("/../share/plandor")).isDir();
}

QString DatabaseLocation::path()
{
    if (!overridePath().isEmpty())
        return overridePath();
    const QString fromEnv = qEnvironmentVariable("PLANDOR_DB");
    if (!fromEnv.isEmpty())
        return fromEnv;
    const QString programDir = QCoreApplication::applicationDirPath();
    const QFileInfo beside(programDir + QLatin1Char('/') + fileName());
    if (!isInstalled(programDir)
        && (beside.exists() ? beside.isWritable() : QFileInfo(programDir).isWritable()))
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
