#include "app/StartupMemory.h"

#include "app/StartupChoice.h"

#include <QSettings>

namespace plandor {
namespace {

// Named here rather than taken from the application, so that tests and tools
// without the program's names read and write the same file.
QSettings settings()
{
    return QSettings(QStringLiteral("Plandor"), QStringLiteral("Plandor"));
}

constexpr QLatin1String kPortKey("startup/port");
constexpr QLatin1String kRateKey("startup/rate");

} // namespace

std::optional<QString> StartupMemory::port()
{
    const QString port = settings().value(kPortKey).toString();
    return port.isEmpty() ? std::nullopt : std::optional(port);
}

std::optional<qint32> StartupMemory::rate()
{
    bool ok = false;
    const qint32 rate = settings().value(kRateKey).toInt(&ok);
    return ok && rate > 0 ? std::optional(rate) : std::nullopt;
}

void StartupMemory::remember(const StartupChoice &choice)
{
    QSettings kept = settings();
    // An empty port or a rate that is no number is not worth offering again.
    if (!choice.port.isEmpty())
        kept.setValue(kPortKey, choice.port);
    if (choice.rate > 0)
        kept.setValue(kRateKey, choice.rate);
}

QString StartupMemory::fileName()
{
    return settings().fileName();
}

} // namespace plandor
