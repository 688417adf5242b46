#pragma once

#include <QString>

#include <optional>

namespace plandor {

// The code page of a run: GB18030 in a Chinese run, Windows-1252 in an
// English one. Plan files are written in it, and the name rule reads a
// character's code in it.
namespace CodePage {

// The encoding's name as Qt's converters take it.
QString nameFor(qint16 languageOffset);

// The character's code in the run's code page when it is a single byte
// there; nothing when it takes several bytes or the code page lacks it.
std::optional<uchar> singleByte(char32_t character, qint16 languageOffset);

} // namespace CodePage
} // namespace plandor
