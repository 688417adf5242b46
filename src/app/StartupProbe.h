#pragma once

#include <QObject>

namespace plandor {

// For start-up measurements: when PLANDOR_QUIT_WHEN_SHOWN is set, the first
// paint of the watched window prints "shown <peak memory in KiB>" and ends the
// program. Does nothing otherwise.
class StartupProbe : public QObject
{
    Q_OBJECT

public:
    static bool enabled();
    static long peakMemoryKiB();
    void watch(QObject *window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool m_reported = false;
};

} // namespace plandor
