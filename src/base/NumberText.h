#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace plandor {

// How Plandor reads numbers out of texts and writes them back; the one place
// for these rules.
namespace NumberText {

// The leading decimal number of a text, 0 when there is none: blanks are
// skipped, "4.5.6" reads as 4.5, a lone point as 0, "COM" as 0, "12ab" as 12.
double leadingNumber(QStringView text);

// Nearest whole number, halves to the even neighbour (4.5 -> 4, 5.5 -> 6).
double roundHalfEven(double value);

// value taken to the nearest 16-bit integer (halves to even); nothing when it
// does not fit.
std::optional<qint16> toInt16(double value);

// The shortest decimal text that reads back as the same number: 46, 4.5,
// 471.25, 100.1 for the single-precision 100.1.
QString shortest(double value);
QString shortest(float value);

// A text that is a whole decimal number and nothing else (blanks around it
// allowed), as the store converts texts for its number columns.
std::optional<double> parseNumber(QStringView text);

// A number written with a decimal comma ("55,25"), as systems whose decimal
// separator is a comma write it, with a point instead; any other text as it is.
QString withDecimalPoint(const QString &text);

} // namespace NumberText
} // namespace plandor
