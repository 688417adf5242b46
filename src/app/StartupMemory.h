#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

namespace plandor {

struct StartupChoice;

// The port and rate of the last accepted start-up window, kept in the user's
// settings (organisation and application "Plandor", as the data folder), so
// that the next start offers them again.
class StartupMemory
{
public:
    static std::optional<QString> port();
    static std::optional<qint32> rate();
    static void remember(const StartupChoice &choice);
    // Where the settings are kept, for tests that must not reach the user's own.
    static QString fileName();
};

} // namespace plandor
