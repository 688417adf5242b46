// Arbitrary values for plandor-cli's --favorites, --unit, --span and --port.
// What the parser accepts is what the rules accept and is sent as given: a
// favourite 0..250, a bandwidth 4.0..9.9, a unit of the two, a port COM1..256
// or a path without control characters. A refusal always says why.
#include "PlanValidation.h"

#include "rules/FavoritesPanelCheck.h"
#include "transfer/PlanRecords.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace plandor;

namespace {

[[noreturn]] void broken(const char *what)
{
    std::fprintf(stderr, "command-line values: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QStringList parts
        = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size))
              .split(QLatin1Char('\n'));
    QString error;
    if (const auto panel
        = cli::parsePanelArguments(parts.value(0), parts.value(1), parts.value(2), &error)) {
        const FavoritesRecord record = PlanRecords::toFavorites(*panel);
        const quint8 sent[6] = { record.Favorite1, record.Favorite2, record.Favorite3,
            record.Favorite4, record.Favorite5, record.Favorite6 };
        for (int i = 0; i < 6; ++i) {
            const uint expected = panel->favorites[i].isEmpty() ? 0 : panel->favorites[i].toUInt();
            if (sent[i] > 250 || sent[i] != expected)
                broken("an accepted favourite is not sent as given");
        }
        if (record.Span < 4 || record.Span > 10)
            broken("an accepted bandwidth is sent outside 4..10");
        if (panel->unit != QLatin1String("dBmV") && panel->unit != QLatin1String("dBuV"))
            broken("an unknown unit is accepted");
    } else if (error.isEmpty()) {
        broken("a refused panel without a reason");
    }

    error.clear();
    if (const auto port = cli::parsePort(parts.value(3), &error)) {
        if (port->comNumber && (*port->comNumber < 1 || *port->comNumber > 256))
            broken("a COM number outside 1..256 is accepted");
        if (!port->comNumber && port->path.isEmpty())
            broken("an empty port is accepted");
        for (QChar c : port->path) {
            if (c.unicode() < 32)
                broken("a port with a control character is accepted");
        }
    } else if (error.isEmpty()) {
        broken("a refused port without a reason");
    }
    return 0;
}
