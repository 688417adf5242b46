#pragma once

// What the benchmarks that drive the editor share: timing one step, the
// median of the rounds, and a message seam that answers No and prints the
// message, so that a refusal shows in the figures' output instead of waiting.
#include "base/MessageBox.h"

#include <QElapsedTimer>
#include <QList>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace plandor::bench {

inline double ms(const std::function<void()> &step)
{
    QElapsedTimer t;
    t.start();
    step();
    return t.nsecsElapsed() / 1e6;
}

inline double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0.0 : v[v.size() / 2];
}

class SilentPrompter : public MessagePrompter
{
public:
    MessageAnswer prompt(const QString &text, MessageStyle, const QString &) override
    {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return MessageAnswer::No;
    }
};

} // namespace plandor::bench
