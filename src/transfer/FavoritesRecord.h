#pragma once

#include <QtGlobal>

#include <cstddef>

namespace plandor {

// The settings panel as the device link exchanges it: exactly 10 bytes.
#pragma pack(push, 1)
struct FavoritesRecord
{
    quint8 Favorite1 = 0;
    quint8 Favorite2 = 0;
    quint8 Favorite3 = 0;
    quint8 Favorite4 = 0;
    quint8 Favorite5 = 0;
    quint8 Favorite6 = 0;
    qint16 Span = 0; // whole MHz
    quint8 Unit = 0; // 2 = dBmV, 1 = dBuV
    quint8 Filler = 0;

    friend bool operator==(const FavoritesRecord &, const FavoritesRecord &) = default;
};
#pragma pack(pop)

static_assert(sizeof(FavoritesRecord) == 10);
static_assert(offsetof(FavoritesRecord, Favorite1) == 0);
static_assert(offsetof(FavoritesRecord, Favorite6) == 5);
static_assert(offsetof(FavoritesRecord, Span) == 6);
static_assert(offsetof(FavoritesRecord, Unit) == 8);
static_assert(offsetof(FavoritesRecord, Filler) == 9);

constexpr quint8 kUnitDbuV = 1;
constexpr quint8 kUnitDbmV = 2;

} // namespace plandor
