#pragma once

#include <QString>

#include <array>

namespace plandor {

// The line speeds Plandor offers: the start-up window's list and what the
// command line's --baud takes.
namespace BaudRates {

inline constexpr std::array<qint32, 9> kListed
    = { 4800, 9600, 14400, 19200, 38400, 56000, 115200, 128000, 256000 };
inline constexpr qint32 kWindowDefault = 9600;

bool isListed(qint32 baud);

// "4800, 9600, ..., 256000", for a refusal.
QString listText();

} // namespace BaudRates
} // namespace plandor
