#pragma once

#include <QObject>

namespace plandor::bench {

// For the start-up benchmark: the first paint of the watched window prints
// "shown <peak memory in KiB>" on standard output and ends the program.
class StartupProbe : public QObject
{
    Q_OBJECT

public:
    static long peakMemoryKiB();
    void watch(QObject *window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool m_reported = false;
};

} // namespace plandor::bench
