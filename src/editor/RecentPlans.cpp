#include "editor/RecentPlans.h"

#include <QFileInfo>
#include <QSettings>

namespace plandor {
namespace {

constexpr QLatin1String kKey("recentPlans");

} // namespace

RecentPlans::RecentPlans(QObject *parent)
    : QObject(parent)
{
    setObjectName(QStringLiteral("recentPlans"));
}

QStringList RecentPlans::paths() const
{
    // A list another version wrote longer is cut to this one's limit.
    return QSettings().value(kKey).toStringList().mid(0, kLimit);
}

QStringList RecentPlans::withFirst(QStringList paths, const QString &path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    paths.removeAll(absolute);
    paths.prepend(absolute);
    return paths.mid(0, kLimit);
}

void RecentPlans::add(const QString &path)
{
    store(withFirst(paths(), path));
}

void RecentPlans::remove(const QString &path)
{
    QStringList list = paths();
    if (list.removeAll(path) > 0)
        store(list);
}

void RecentPlans::clear()
{
    store({});
}

void RecentPlans::store(const QStringList &paths)
{
    QSettings settings;
    if (paths.isEmpty())
        settings.remove(kKey);
    else
        settings.setValue(kKey, paths);
    emit changed();
}

} // namespace plandor
