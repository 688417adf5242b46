#include "base/NumberText.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace plandor::NumberText {
namespace {

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n')
        || c == QLatin1Char('\r');
}

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

template <typename T> QString shortestOf(T value)
{
    if (std::isnan(value) || std::isinf(value))
        return QString::number(double(value));
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    QString text = QString::fromLatin1(buf, res.ptr - buf);
    if (text == QLatin1String("-0"))
        text = QStringLiteral("0");
    return text;
}

} // namespace

double leadingNumber(QStringView text)
{
    QByteArray digits;
    qsizetype i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && isBlank(text[i]))
            ++i;
    };
    skipBlanks();
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
        digits += char(text[i].unicode());
        ++i;
    }
    bool any = false;
    bool point = false;
    while (i < text.size()) {
        skipBlanks();
        if (i >= text.size())
            break;
        const QChar c = text[i];
        if (isDigit(c)) {
            digits += char(c.unicode());
            any = true;
        } else if (c == QLatin1Char('.') && !point) {
            digits += '.';
            point = true;
        } else {
            break;
        }
        ++i;
    }
    if (!any)
        return 0.0;
    // An exponent counts only when digits follow it.
    if (i < text.size()
        && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E')
            || text[i] == QLatin1Char('d') || text[i] == QLatin1Char('D'))) {
        qsizetype j = i + 1;
        QByteArray exponent = "e";
        if (j < text.size() && (text[j] == QLatin1Char('-') || text[j] == QLatin1Char('+')))
            exponent += char(text[j++].unicode());
        bool expDigits = false;
        while (j < text.size() && isDigit(text[j])) {
            exponent += char(text[j++].unicode());
            expDigits = true;
        }
        if (expDigits)
            digits += exponent;
    }
    double value = 0.0;
    const char *begin = digits.constData();
    if (*begin == '+')
        ++begin;
    const auto res = std::from_chars(begin, digits.constData() + digits.size(), value);
    if (res.ec == std::errc::result_out_of_range)
        return digits.startsWith('-') ? -std::numeric_limits<double>::infinity()
                                      : std::numeric_limits<double>::infinity();
    return value;
}

double roundHalfEven(double value)
{
    return std::nearbyint(value); // the default rounding mode is to nearest, ties to even
}

std::optional<qint16> toInt16(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double r = roundHalfEven(value);
    if (r < std::numeric_limits<qint16>::min() || r > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return qint16(r);
}

QString shortest(double value)
{
    return shortestOf(value);
}

QString shortest(float value)
{
    return shortestOf(value);
}

std::optional<double> parseNumber(QStringView text)
{
    const QString trimmed = text.trimmed().toString();
    if (trimmed.isEmpty())
        return std::nullopt;
    const QByteArray latin = trimmed.toLatin1();
    if (latin.size() != trimmed.size())
        return std::nullopt;
    const char *begin = latin.constData();
    const char *end = begin + latin.size();
    if (*begin == '+')
        ++begin;
    double value = 0.0;
    const auto res = std::from_chars(begin, end, value);
    if (res.ec != std::errc() || res.ptr != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString withDecimalPoint(const QString &text)
{
    if (text.count(QLatin1Char(',')) == 1 && !text.contains(QLatin1Char('.'))) {
        QString copy = text;
        copy.replace(QLatin1Char(','), QLatin1Char('.'));
        return copy;
    }
    return text;
}

} // namespace plandor::NumberText
