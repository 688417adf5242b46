// Arbitrary panel texts (eight lines: six favourites, unit, span) through the
// panel rules and into the favourites record. A panel the rules accept goes
// out exactly: each favourite its value 0..250, the bandwidth 0 or 4..10 whole
// MHz, the unit 1 or 2. Any record read back gives the same record again.
#include "rules/FavoritesPanelCheck.h"
#include "transfer/PlanRecords.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace plandor;

namespace {

[[noreturn]] void broken(const char *what)
{
    std::fprintf(stderr, "favourites record: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QStringList lines
        = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size))
              .split(QLatin1Char('\n'));
    PanelTexts panel;
    std::array<QString, 6> favorites;
    for (int i = 0; i < 6; ++i)
        favorites[i] = panel.favorites[i] = lines.value(i);
    panel.unit = lines.value(6);
    panel.span = lines.value(7);

    const FavoritesRecord record = PlanRecords::toFavorites(panel);
    if (!FavoritesPanelCheck::checkSendable(favorites, panel.unit, panel.span)) {
        const quint8 sent[6] = { record.Favorite1, record.Favorite2, record.Favorite3,
            record.Favorite4, record.Favorite5, record.Favorite6 };
        for (int i = 0; i < 6; ++i) {
            const uint expected = favorites[i].isEmpty() ? 0 : favorites[i].toUInt();
            if (sent[i] != expected || sent[i] > 250)
                broken("a favourite is not sent as its value");
        }
        if (record.Span != 0 && (record.Span < 4 || record.Span > 10))
            broken("a bandwidth outside 4..10 is sent");
        if (record.Unit != kUnitDbuV && record.Unit != kUnitDbmV)
            broken("the unit is neither 1 nor 2");
    }

    // A record as the instrument sends it: shown in the panel, sent back the same.
    FavoritesRecord received;
    if (size >= sizeof received)
        std::memcpy(&received, data, sizeof received);
    received.Filler = 0;
    FavoritesRecord again = PlanRecords::toFavorites(PlanRecords::fromFavorites(received));
    if (received.Unit != kUnitDbuV && received.Unit != kUnitDbmV)
        again.Unit = received.Unit; // an unknown unit leaves the box as it was
    if (!(again == received))
        broken("a received record does not go back out the same");
    return 0;
}
