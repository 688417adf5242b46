#include "store/PlanFile.h"

#include "base/CodePage.h"
#include "base/Language.h"
#include "base/NumberText.h"
#include "base/Phrase.h"
#include "base/ShownValue.h"
#include "base/TextCatalogue.h"
#include "rules/PlanSizeLimit.h"
#include "store/RowChecks.h"
#include "store/WholeFileWrite.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace plandor {
namespace {

constexpr int kPanelLines = 8; // six favourites, the unit, the span
constexpr int kSpanLine = 7;
constexpr QChar kTab = QLatin1Char('\t');
constexpr QChar kQuote = QLatin1Char('"');
constexpr QChar kByteOrderMark = QChar(0xFEFF);
const QLatin1String kLineEnd("\r\n");
const QLatin1String kHeader("ID\tCHName\tTYPE\tFREQ\tAUDIO\t");
const QLatin1String kSpanLabel("*Span");
constexpr QStringView kSpanWord = u"Span";
const QByteArray kUtf8Mark("\xEF\xBB\xBF");

// Catalogue ids of the texts a run writes into the file: the default caption,
// the six favourite labels and the unit label (panel lines 0 to 6).
constexpr qint16 kCaptionId = 15;
constexpr qint16 kLabelIds[7] = { 61, 62, 63, 64, 69, 70, 1 };

const Phrase kNotText { u"第 %1 行有非文本字节 0x%2（文件不是文本）。",
    u"Line %1 holds the byte 0x%2, which text does not have (the file is not text)." };
const Phrase kUndecodable { u"文件既不是 UTF-8，也不是 GB18030 或 Windows-1252 文本。",
    u"The file is neither UTF-8, GB18030 nor Windows-1252 text." };
const Phrase kNoFirstLine { u"文件没有第一行。", u"The file has no first line." };
const Phrase kUnknownPanelLine { u"第 %1 行：\"%2\" 不是设置栏的行（六个喜好频道、单位、带宽）。",
    u"Line %1: \"%2\" is not a panel line (the six favourites, the unit, the span)." };
const Phrase kPanelLineTwice { u"第 %1 行：又一个 \"%2\" 行。", u"Line %1: a second \"%2\" line." };
const Phrase kPanelLineWithoutTab { u"第 %1 行：设置栏的行 \"%2\" 在名称和值之间没有制表符。",
    u"Line %1: the panel line \"%2\" has no TAB between its label and its value." };
const Phrase kPanelLineMissing {
    u"缺少设置栏的行 \"%1\"：频道表文件要么有全部八行设置栏，要么一行也没有。",
    u"The panel line \"%1\" is missing; a plan file has all eight panel lines or none."
};
const Phrase kBadValue { u"第 %1 行第 %2 列：\"%3\" 不是该列的值。",
    u"Line %1, column %2: \"%3\" is not a value of this column." };
const Phrase kNotRegular { u"不是普通文件（目录、管道或设备）。",
    u"It is not a regular file (a folder, a pipe or a device)." };
const Phrase kTooBig { u"文件大于 %1 字节，不可能是频道表。",
    u"The file is larger than %1 bytes, far more than any plan." };
const Phrase kCannotHold { u"所选编码无法保存：%1。", u"The chosen encoding cannot hold: %1." };
const Phrase kChannels { u"频道 %1", u"channels %1" };
const Phrase kCaption { u"标题", u"the caption" };
const Phrase kPanel { u"设置栏", u"the panel" };

QString decoderName(PlanEncoding encoding)
{
    switch (encoding) {
    // The run's code pages are named in one place, which the name rule reads too.
    case PlanEncoding::Gb18030:
        return CodePage::nameFor(kChineseOffset);
    case PlanEncoding::Windows1252:
        return CodePage::nameFor(kEnglishOffset);
    case PlanEncoding::Utf8Bom:
        break;
    }
    return QStringLiteral("UTF-8");
}

// The text, or nothing when any byte sequence is invalid in the encoding.
// Stateless, so that a sequence cut off at the end counts as an error instead
// of being kept back for more input.
std::optional<QString> decodeStrictly(const QString &name, QByteArrayView bytes)
{
    QStringDecoder decoder(qPrintable(name), QStringConverter::Flag::Stateless);
    if (!decoder.isValid())
        return std::nullopt;
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

QByteArray encode(const QString &text, PlanEncoding encoding)
{
    QStringEncoder encoder(qPrintable(decoderName(encoding)), QStringConverter::Flag::Stateless);
    return encoder.encode(text);
}

// A text comes back from the code page unchanged (the encoder puts 0x1A for a
// character the code page lacks).
bool holds(const QString &text, PlanEncoding encoding)
{
    if (encoding == PlanEncoding::Utf8Bom)
        return true;
    return decodeStrictly(decoderName(encoding), encode(text, encoding)) == text;
}

// The first byte that plain text does not have, as its offset; -1 for none.
qsizetype firstNonTextByte(const QByteArray &bytes)
{
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const uchar b = uchar(bytes[i]);
        if ((b < 0x20 && b != '\t' && b != '\r' && b != '\n') || b == 0x7F)
            return i;
    }
    return -1;
}

// How many of the texts a run of the given language writes the file holds:
// its caption line and its panel labels ("*" + label + TAB).
int markers(const QString &text, qint16 languageOffset)
{
    const qsizetype firstEnd = text.indexOf(QLatin1Char('\n'));
    QStringView caption = QStringView(text).left(firstEnd < 0 ? text.size() : firstEnd);
    if (caption.endsWith(QLatin1Char('\r')))
        caption.chop(1);
    int found = caption == TextCatalogue::entry(kCaptionId + languageOffset) ? 1 : 0;
    for (qint16 id : kLabelIds) {
        const QString line
            = QLatin1String("\n*") + TextCatalogue::entry(id + languageOffset) + kTab;
        if (text.contains(line))
            ++found;
    }
    return found;
}

struct Decoded
{
    QString text;
    PlanEncoding encoding;
};

std::optional<Decoded> decodePlanText(const QByteArray &bytes)
{
    if (bytes.startsWith(kUtf8Mark)) {
        if (auto text = decodeStrictly(QStringLiteral("UTF-8"), bytes))
            return Decoded { *text, PlanEncoding::Utf8Bom };
        return std::nullopt;
    }
    auto gb = decodeStrictly(decoderName(PlanEncoding::Gb18030), bytes);
    auto latin = decodeStrictly(decoderName(PlanEncoding::Windows1252), bytes);
    const bool ascii
        = std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; });
    if (!ascii) {
        if (auto text = decodeStrictly(QStringLiteral("UTF-8"), bytes))
            return Decoded { *text, PlanEncoding::Utf8Bom };
    }
    // Windows-1252 bytes often pair up into valid GB18030, so validity does not
    // tell the two apart: the texts the writing run put in do.
    const int chinese = gb ? markers(*gb, kChineseOffset) : 0;
    const int english = latin ? markers(*latin, kEnglishOffset) : 0;
    if (english > chinese && latin)
        return Decoded { *latin, PlanEncoding::Windows1252 };
    if (gb)
        return Decoded { *gb, PlanEncoding::Gb18030 };
    if (latin)
        return Decoded { *latin, PlanEncoding::Windows1252 };
    return std::nullopt;
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
    const double value = NumberText::leadingNumber(NumberText::withDecimalPoint(text));
    if (!std::isfinite(value) || std::fabs(value) > double(std::numeric_limits<float>::max()))
        return 0.0f;
    return float(value);
}

// A label as compared: without blanks and case, so that a label retyped by
// hand ("3rd Favorite CH ID" for "3rd Favorite CH  ID") is still known.
QString labelKey(QStringView label)
{
    QString key;
    for (const QChar c : label) {
        if (!c.isSpace())
            key += c;
    }
    return key.toCaseFolded();
}

struct PanelLabel
{
    int line = 0; // 0..5 the favourites, 6 the unit, kSpanLine the span
    std::optional<qint16> language; // none for "*Span", the same in both
};

// Which panel line a label ("*" and the text before the first TAB) names.
std::optional<PanelLabel> panelLabel(QStringView label)
{
    if (!label.startsWith(QLatin1Char('*')))
        return std::nullopt;
    const QString key = labelKey(label.mid(1));
    if (key == labelKey(kSpanWord))
        return PanelLabel { kSpanLine, std::nullopt };
    for (const qint16 language : { kChineseOffset, kEnglishOffset }) {
        for (int line = 0; line < kSpanLine; ++line) {
            if (key == labelKey(TextCatalogue::entry(qint16(kLabelIds[line] + language))))
                return PanelLabel { line, language };
        }
    }
    return std::nullopt;
}

// A panel line's label as a run of the language writes it.
QString panelLabelText(int line, qint16 language)
{
    if (line == kSpanLine)
        return kSpanLabel;
    return QLatin1Char('*') + TextCatalogue::entry(qint16(kLabelIds[line] + language));
}

// The panel as a file written from it reads back: the span as the shortest
// text of its number, a blank panel as none.
std::optional<PanelTexts> panelAsRead(PanelTexts panel)
{
    panel.span = NumberText::shortest(spanNumber(panel.span));
    if (panel.isBlank())
        return std::nullopt;
    return panel;
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
        const bool number = column != ColumnName && column != ColumnType;
        const QString text
            = number ? NumberText::withDecimalPoint(value.toString()) : value.toString();
        const auto converted = ChannelColumns::fromText(column, text);
        if (!converted) {
            if (error) {
                *error = kBadValue.text()
                             .arg(lineNumber)
                             .arg(ChannelColumns::fieldName(column), ShownValue::cut(value));
            }
            return false;
        }
        row.setValue(column, *converted);
    }
    return true;
}

bool sameRow(const ChannelValues &a, const ChannelValues &b)
{
    for (int column = 0; column < kChannelColumnCount; ++column) {
        if (ChannelColumns::toText(column, a.value(column))
            != ChannelColumns::toText(column, b.value(column)))
            return false;
    }
    return true;
}

bool failWith(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return false;
}

// Reads a regular file of at most kMaxFileSize bytes. Opened without blocking
// and checked on the open descriptor, so that a FIFO or a device neither
// blocks nor streams without end (/dev/zero).
bool readRegularFile(const QString &path, QByteArray &bytes, QString *error)
{
    struct stat info
    {
    };
    const QByteArray native = QFile::encodeName(path);
    if (::stat(native.constData(), &info) != 0)
        return failWith(error, QString::fromLocal8Bit(std::strerror(errno)));
    if (!S_ISREG(info.st_mode))
        return failWith(error, kNotRegular.text());
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return failWith(error, QString::fromLocal8Bit(std::strerror(errno)));
    struct Closer
    {
        int fd;
        ~Closer() { ::close(fd); }
    } closer { fd };
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        return failWith(error, kNotRegular.text());
    if (info.st_size > PlanFile::kMaxFileSize)
        return failWith(error, kTooBig.text().arg(PlanFile::kMaxFileSize));
    // One byte more than the cap tells a file that grew since fstat.
    bytes.resize(qsizetype(PlanFile::kMaxFileSize) + 1);
    qsizetype got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, size_t(bytes.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return failWith(error, QString::fromLocal8Bit(std::strerror(errno)));
        if (n == 0)
            break;
        got += n;
    }
    if (got > PlanFile::kMaxFileSize)
        return failWith(error, kTooBig.text().arg(PlanFile::kMaxFileSize));
    bytes.resize(got);
    return true;
}

// The panel lines of a file, collected by their labels.
class PanelLines
{
public:
    // False with the reason for a line that is not one of the eight, or one
    // already seen.
    bool add(const QString &line, int lineNumber, QString *error)
    {
        const qsizetype tab = line.indexOf(kTab);
        const QStringView label = tab >= 0 ? QStringView(line).left(tab) : QStringView(line);
        if (tab < 0)
            return failWith(
                error, kPanelLineWithoutTab.text().arg(lineNumber).arg(ShownValue::cut(label)));
        const std::optional<PanelLabel> known = panelLabel(label);
        if (!known)
            return failWith(
                error, kUnknownPanelLine.text().arg(lineNumber).arg(ShownValue::cut(label)));
        if (m_values[known->line])
            return failWith(
                error, kPanelLineTwice.text().arg(lineNumber).arg(ShownValue::cut(label)));
        m_values[known->line] = line.mid(tab + 1);
        if (!m_language)
            m_language = known->language;
        return true;
    }

    // The panel when all eight lines came, none when no line did; false with
    // the first missing line, in the language of the labels found, otherwise.
    bool finish(std::optional<PanelTexts> &panel, QString *error) const
    {
        const auto missing = std::find(m_values.begin(), m_values.end(), std::optional<QString>());
        if (missing == m_values.end()) {
            PanelTexts texts;
            for (int i = 0; i < 6; ++i)
                texts.favorites[i] = *m_values[i];
            texts.unit = *m_values[6];
            texts.span = *m_values[kSpanLine];
            panel = panelAsRead(texts);
            return true;
        }
        if (std::all_of(m_values.begin(), m_values.end(), [](const auto &v) { return !v; })) {
            panel.reset();
            return true;
        }
        const int line = int(missing - m_values.begin());
        return failWith(error,
            kPanelLineMissing.text().arg(
                panelLabelText(line, m_language.value_or(LanguageOffset))));
    }

private:
    std::array<std::optional<QString>, kPanelLines> m_values;
    std::optional<qint16> m_language; // of the first label that has one
};

} // namespace

bool PlanFileContent::tooLarge() const
{
    return !PlanSizeLimit::fits(int(rows.size()));
}

PanelTexts PlanFileContent::panelOrBlank() const
{
    return panel.value_or(PanelTexts { {}, {}, QStringLiteral("0") });
}

QString EncodingLoss::describe(const PlanFileSource &source) const
{
    QStringList parts;
    if (!rows.isEmpty()) {
        QStringList names;
        for (int row : rows) {
            const ChannelValues &values = source.rows.value(row);
            names << QStringLiteral("%1 (%2)").arg(
                ChannelColumns::toText(ColumnId, values.value(ColumnId)),
                ChannelColumns::toText(ColumnName, values.value(ColumnName)));
        }
        parts << kChannels.text().arg(names.join(QStringLiteral(", ")));
    }
    if (caption)
        parts << kCaption.text();
    if (panel)
        parts << kPanel.text();
    return parts.join(QStringLiteral("; "));
}

PlanFile::Encoding PlanFile::encodingForLanguage(qint16 languageOffset)
{
    return languageOffset == kChineseOffset ? Encoding::Gb18030 : Encoding::Windows1252;
}

QString PlanFile::refusalText(const QString &reason)
{
    return CatalogueText(21) + QLatin1Char('\n') + reason;
}

bool PlanFile::parse(const QByteArray &bytes, PlanFileContent &out, QString *error)
{
    const qsizetype bad = firstNonTextByte(bytes);
    if (bad >= 0) {
        const int line = int(bytes.left(bad).count('\n')) + 1;
        return failWith(
            error, kNotText.text().arg(line).arg(uint(uchar(bytes[bad])), 2, 16, QLatin1Char('0')));
    }
    std::optional<Decoded> decoded = decodePlanText(bytes);
    if (!decoded)
        return failWith(error, kUndecodable.text());
    QString &text = decoded->text;
    // A byte-order mark is not part of the caption, however many there are:
    // the encoders drop one at the start of a file, so it could not be kept.
    qsizetype marks = 0;
    while (marks < text.size() && text.at(marks) == kByteOrderMark)
        ++marks;
    text.remove(0, marks);
    if (text.isEmpty())
        return failWith(error, kNoFirstLine.text());

    const QStringList lines = splitLines(text);
    PlanFileContent content;
    content.encoding = decoded->encoding;
    content.caption = lines.first();
    PanelLines panel;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QString &line = lines[i];
        const int lineNumber = int(i + 1);
        if (line.contains(QLatin1Char('*'))) {
            if (!panel.add(line, lineNumber, error))
                return false;
        } else if (line.contains(QLatin1String("ID"))) {
            continue; // the header
        } else {
            // An empty line is a row too, and its empty ID refuses the file,
            // as it would in any reader that goes line by line.
            ChannelValues row;
            if (!parseRowLine(line, lineNumber, row, error))
                return false;
            content.rows.append(row);
            content.rowLines.append(lineNumber);
        }
    }
    if (!panel.finish(content.panel, error))
        return false;
    content.refusals = RowChecks::check(content.rows);
    out = std::move(content);
    return true;
}

bool PlanFile::read(const QString &path, PlanFileContent &out, QString *error)
{
    QByteArray bytes;
    if (!readRegularFile(path, bytes, error))
        return false;
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
            text += rowValueText(column, row.value(column)) + kTab;
        text += kLineEnd;
    }
    for (int i = 0; i < 6; ++i) {
        text += QLatin1Char('*') + source.favoriteLabels[i] + kTab + source.panel.favorites[i]
            + kLineEnd;
    }
    text += QLatin1Char('*') + source.unitLabel + kTab + source.panel.unit + kLineEnd;
    text += kSpanLabel + kTab + NumberText::shortest(spanNumber(source.panel.span)) + kLineEnd;

    if (encoding == Encoding::Utf8Bom)
        return kUtf8Mark + text.toUtf8();
    return encode(text, encoding);
}

EncodingLoss PlanFile::loss(const PlanFileSource &source, Encoding encoding)
{
    EncodingLoss lost;
    lost.caption = !holds(source.caption, encoding);
    for (qsizetype i = 0; i < source.rows.size(); ++i) {
        const ChannelValues &row = source.rows[i];
        for (int column = 0; column < kChannelColumnCount; ++column) {
            if (!holds(ChannelColumns::toText(column, row.value(column)), encoding)) {
                lost.rows.append(int(i));
                break;
            }
        }
    }
    for (int i = 0; i < 6; ++i) {
        lost.panel = lost.panel || !holds(source.favoriteLabels[i], encoding)
            || !holds(source.panel.favorites[i], encoding);
    }
    lost.panel
        = lost.panel || !holds(source.unitLabel, encoding) || !holds(source.panel.unit, encoding);
    if (!lost.isEmpty())
        return lost;

    // Every text fits the code page; the file as a whole must still read back
    // the same (bytes that happen to be valid UTF-8, a value the file's layout
    // cannot carry).
    PlanFileContent back;
    if (!parse(format(source, encoding), back, nullptr)) {
        lost.caption = true;
        return lost;
    }
    lost.caption = back.caption != source.caption;
    if (back.rows.size() == source.rows.size()) {
        for (qsizetype i = 0; i < source.rows.size(); ++i) {
            if (!sameRow(back.rows[i], source.rows[i]))
                lost.rows.append(int(i));
        }
    } else {
        for (qsizetype i = 0; i < source.rows.size(); ++i) {
            const ChannelValues &row = source.rows[i];
            if (!ChannelRules::fileCanCarry(
                    ChannelColumns::toText(ColumnName, row.value(ColumnName)))
                || !ChannelRules::fileCanCarry(
                    ChannelColumns::toText(ColumnType, row.value(ColumnType))))
                lost.rows.append(int(i));
        }
        if (lost.rows.isEmpty())
            lost.caption = true;
    }
    lost.panel = back.panel != panelAsRead(source.panel);
    return lost;
}

bool PlanFile::write(const QString &path, const PlanFileSource &source, Encoding encoding,
    QString *error, EncodingLoss *lost)
{
    const EncodingLoss found = loss(source, encoding);
    if (lost)
        *lost = found;
    if (!found.isEmpty())
        return failWith(error, kCannotHold.text().arg(found.describe(source)));

    return writeWholeFile(path, format(source, encoding), error);
}

} // namespace plandor
