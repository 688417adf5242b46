#pragma once

#include <QObject>
#include <QStringList>

namespace plandor {

// The plan files last opened or saved, most recent first, kept in the
// settings so that the next run offers them too.
class RecentPlans : public QObject
{
    Q_OBJECT

public:
    static constexpr int kLimit = 8;

    explicit RecentPlans(QObject *parent = nullptr);

    QStringList paths() const;
    // Puts path first (once, as an absolute path), dropping the oldest past
    // the limit.
    void add(const QString &path);
    void remove(const QString &path);
    void clear();

    // The list after path was used: the rule add() keeps, apart from the settings.
    static QStringList withFirst(QStringList paths, const QString &path);

signals:
    void changed();

private:
    void store(const QStringList &paths);
};

} // namespace plandor
