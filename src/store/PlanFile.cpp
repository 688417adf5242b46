#include "store/PlanFile.h"

#include "base/Language.h"
#include "base/NumberText.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cmath>
#include <limits>

namespace plandor {
namespace {

constexpr int kPanelSlots = 8;
constexpr QChar kTab = QLatin1Char('\t');
constexpr QChar kQuote = QLatin1Char('"');
constexpr QChar kByteOrderMark = QChar(0xFEFF);
const QLatin1String kLineEnd("\r\n");
const QLatin1String kHeader("ID\tCHName\tTYPE\tFREQ\tAUDIO\t");
const QLatin1String kSpanLabel("*Span");

const char *encodingName(PlanFile::Encoding encoding)
{
    return encoding == PlanFile::Encoding::Gb18030 ? "GB18030" : "windows-1252";
}

// The text, or nothing when any byte sequence is invalid in the decoder's
// encoding.
std::optional<QString> decodeStrictly(QStringDecoder decoder, QByteArrayView bytes)
{
    if (!decoder.isValid())
        return std::nullopt;
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

// A UTF-8 byte-order mark means UTF-8; otherwise bytes that are valid UTF-8
// are UTF-8, then GB18030 when they are valid in it, then Windows-1252 (which
// maps every byte). UTF-8 comes first because a Chinese plan file in GB18030
// is practically never valid UTF-8, while an ASCII file reads the same in all.
std::optional<QString> decodePlanText(const QByteArray &bytes)
{
    // Stateless, so that a sequence cut off at the end of the bytes counts as
    // an error instead of being kept back for more input.
    constexpr auto flags = QStringConverter::Flag::Stateless;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return decodeStrictly(QStringDecoder(QStringConverter::Utf8, flags), bytes);
    if (auto text = decodeStrictly(QStringDecoder(QStringConverter::Utf8, flags), bytes))
        return text;
    if (auto text = decodeStrictly(QStringDecoder("GB18030", flags), bytes))
        return text;
    return decodeStrictly(QStringDecoder("windows-1252", flags), bytes);
}

// The lines of a text as a line reader yields them: LF or CRLF ends a line,
// and the end of the last line does not start another (empty) one.
QStringList splitLines(const QString &text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.last().isEmpty())
        lines.removeLast();
    for (QString &line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    return lines;
}

// The window holds the bandwidth as a single-precision number; a value that
// does not fit one counts as no number at all.
float spanNumber(const QString &text)
{
    const double value = NumberText::leadingNumber(text);
    if (!std::isfinite(value) || std::fabs(value) > double(std::numeric_limits<float>::max()))
        return 0.0f;
    return float(value);
}

// A value that begins with a double quote loses its first and last
// characters when read; quoting it on the way out brings it back unchanged.
QString rowValueText(int column, const QVariant &value)
{
    const QString text = ChannelColumns::toText(column, value);
    if (text.startsWith(kQuote))
        return kQuote + text + kQuote;
    return text;
}

bool parseRowLine(const QString &line, int lineNumber, ChannelValues &row, QString *error)
{
    QStringView rest(line);
    for (int column = 0; column < kChannelColumnCount; ++column) {
        // Without a TAB the whole rest is the value and stays as it is, so a
        // short line gives its last value to the remaining columns.
        QStringView value = rest;
        const qsizetype tab = rest.indexOf(kTab);
        if (tab >= 0) {
            value = rest.left(tab);
            rest = rest.mid(tab + 1);
        }
        if (value.startsWith(kQuote))
            value = value.size() >= 2 ? value.mid(1, value.size() - 2) : QStringView();
        const auto converted = ChannelColumns::fromText(column, value.toString());
        if (!converted) {
            if (error) {
                *error = QStringLiteral("Line %1, column %2: \"%3\" is not a value of this column.")
                             .arg(lineNumber)
                             .arg(ChannelColumns::fieldName(column), value.toString());
            }
            return false;
        }
        row.values[column] = *converted;
    }
    return true;
}

} // namespace

PlanFile::Encoding PlanFile::encodingForLanguage(qint16 languageOffset)
{
    return languageOffset == kChineseOffset ? Encoding::Gb18030 : Encoding::Windows1252;
}

bool PlanFile::parse(const QByteArray &bytes, PlanFileContent &out, QString *error)
{
    auto fail = [error](const QString &reason) {
        if (error)
            *error = reason;
        return false;
    };

    std::optional<QString> text = decodePlanText(bytes);
    if (!text)
        return fail(QStringLiteral("The file is neither UTF-8, GB18030 nor Windows-1252 text."));
    // A byte-order mark is not part of the caption, however many there are:
    // the encoders drop one at the start of a file, so it could not be kept.
    qsizetype marks = 0;
    while (marks < text->size() && text->at(marks) == kByteOrderMark)
        ++marks;
    text->remove(0, marks);
    if (text->isEmpty())
        return fail(QStringLiteral("The file has no first line."));

    const QStringList lines = splitLines(*text);
    PlanFileContent content;
    content.caption = lines.first();
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QString &line = lines[i];
        const int lineNumber = int(i + 1);
        if (line.contains(QLatin1Char('*'))) {
            if (content.panelSlots.size() == kPanelSlots) {
                return fail(QStringLiteral("Line %1: more than %2 lines with \"*\".")
                                .arg(lineNumber)
                                .arg(kPanelSlots));
            }
            const qsizetype tab = line.indexOf(kTab);
            content.panelSlots.append(tab >= 0 ? line.mid(tab + 1) : line);
        } else if (line.contains(QLatin1String("ID"))) {
            continue; // the header
        } else {
            // An empty line is a row too, and its empty ID refuses the file,
            // as it would in any reader that goes line by line.
            ChannelValues row;
            if (!parseRowLine(line, lineNumber, row, error))
                return false;
            content.rows.append(row);
        }
    }
    out = std::move(content);
    return true;
}

bool PlanFile::read(const QString &path, PlanFileContent &out, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return parse(bytes, out, error);
}

QByteArray PlanFile::format(const PlanFileSource &source, Encoding encoding)
{
    QString text;
    text += source.caption + kLineEnd;
    text += kHeader;
    text += kLineEnd;
    for (const ChannelValues &row : source.rows) {
        for (int column = 0; column < kChannelColumnCount; ++column)
            text += rowValueText(column, row.values[column]) + kTab;
        text += kLineEnd;
    }
    for (int i = 0; i < 6; ++i) {
        text += QLatin1Char('*') + source.favoriteLabels[i] + kTab + source.panel.favorites[i]
            + kLineEnd;
    }
    text += QLatin1Char('*') + source.unitLabel + kTab + source.panel.unit + kLineEnd;
    text += kSpanLabel + kTab + NumberText::shortest(spanNumber(source.panel.span)) + kLineEnd;

    // A character the code page lacks becomes the encoder's substitute, as it
    // would in any file written in that code page.
    QStringEncoder encoder(encodingName(encoding), QStringConverter::Flag::Stateless);
    return encoder.encode(text);
}

bool PlanFile::write(
    const QString &path, const PlanFileSource &source, Encoding encoding, QString *error)
{
    QSaveFile file(path);
    // Unbuffered, so that a short write (a full disk, a file size limit) shows
    // here: a buffered flush that writes only part of the data still lets
    // commit() rename the truncated file over the old one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    const QByteArray bytes = format(source, encoding);
    qint64 written = 0;
    while (written < bytes.size()) {
        const qint64 n = file.write(bytes.constData() + written, bytes.size() - written);
        if (n <= 0)
            break;
        written += n;
    }
    if (written != bytes.size() || !file.commit()) {
        if (error) {
            *error = file.error() != QFileDevice::NoError
                ? file.errorString()
                : QStringLiteral("Only %1 of %2 bytes could be written.")
                      .arg(written)
                      .arg(bytes.size());
        }
        file.cancelWriting();
        return false;
    }
    return true;
}

// Slots that no line filled read as empty texts.
PanelTexts PlanFile::panelFromSlots(const QStringList &panelSlots)
{
    PanelTexts panel;
    for (int i = 0; i < 6; ++i)
        panel.favorites[i] = panelSlots.value(i);
    panel.unit = panelSlots.value(6);
    panel.span = NumberText::shortest(spanNumber(panelSlots.value(7)));
    return panel;
}

} // namespace plandor
