#include "ProgressLine.h"

#include <cstdio>
#include <unistd.h>

namespace plandor::cli {

ProgressLine::ProgressLine()
    : m_enabled(isatty(STDERR_FILENO) == 1)
{ }

ProgressLine::~ProgressLine()
{
    clear();
}

void ProgressLine::show(const QString &what, int done, int total)
{
    if (!m_enabled || total <= 0)
        return;
    constexpr int width = 30;
    const int filled = width * done / total;
    std::fprintf(stderr, "\r%s [%s%s] %d/%d channels", qPrintable(what),
        qPrintable(QString(filled, QLatin1Char('#'))),
        qPrintable(QString(width - filled, QLatin1Char('.'))), done, total);
    std::fflush(stderr);
    m_drawn = true;
}

void ProgressLine::clear()
{
    if (!m_drawn)
        return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    m_drawn = false;
}

} // namespace plandor::cli
