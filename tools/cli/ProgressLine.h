#pragma once

#include <QString>

namespace plandor::cli {

// A one-line progress display on stderr, drawn only when stderr is a
// terminal, so that scripts and logs get the result lines alone; never when
// the user asked for quiet.
class ProgressLine
{
public:
    explicit ProgressLine(bool quiet);
    ~ProgressLine();
    ProgressLine(const ProgressLine &) = delete;
    ProgressLine &operator=(const ProgressLine &) = delete;

    void show(const QString &what, int done, int total);
    // Clears the line before a message is printed.
    void clear();

private:
    bool m_enabled;
    bool m_drawn = false;
};

} // namespace plandor::cli
