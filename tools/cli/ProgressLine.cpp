#include "ProgressLine.h"

#include "base/Phrase.h"

#include <cstdio>
#include <unistd.h>

namespace plandor::cli {

namespace {
constexpr Phrase kProgress { u"%1 [%2] %3/%4 个频道", u"%1 [%2] %3/%4 channels" };
} // namespace

ProgressLine::ProgressLine(bool quiet)
    : m_enabled(!quiet && isatty(STDERR_FILENO) == 1)
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
    const QString bar
        = QString(filled, QLatin1Char('#')) + QString(width - filled, QLatin1Char('.'));
    std::fprintf(stderr, "\r%s", qPrintable(kProgress.text().arg(what, bar).arg(done).arg(total)));
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
