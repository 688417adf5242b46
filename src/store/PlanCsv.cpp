#include "store/PlanCsv.h"

#include "base/Language.h"
#include "base/NumberText.h"
#include "base/Phrase.h"
#include "base/ShownValue.h"
#include "base/TextCatalogue.h"
#include "store/WholeFileWrite.h"

#include <QFile>
#include <QStringDecoder>

#include <array>
#include <optional>

namespace plandor {
namespace {

constexpr QChar kQuote = QLatin1Char('"');
constexpr QChar kApostrophe = QLatin1Char('\'');
constexpr QChar kByteOrderMark = QChar(0xFEFF);
const QLatin1String kLineEnd("\r\n");

// The header written in each language; isHeader() also knows these.
constexpr Phrase kHeaderNames[kChannelColumnCount] = {
    { u"序号", u"ID" },
    { u"频道名", u"Name" },
    { u"类型", u"Type" },
    { u"频率(MHz)", u"Frequency (MHz)" },
    { u"伴音/带宽(MHz)", u"Audio/Bandwidth (MHz)" },
};

constexpr Phrase kBinary { u"文件含有二进制数据，不是表格文件。",
    u"The file holds binary data; it is not a table." };
constexpr Phrase kTooLarge { u"文件过大（超过 %1 字节），不是频道表。",
    u"The file is too large (over %1 bytes) to be a channel table." };
constexpr Phrase kUndecodable { u"文件既不是 UTF-8，也不是 GB18030 或 Windows-1252 文本。",
    u"The file is neither UTF-8, GB18030 nor Windows-1252 text." };
constexpr Phrase kOpenQuote { u"第 %1 行：引号没有结束。", u"Line %1: a quote is not closed." };
constexpr Phrase kFieldCount { u"第 %1 行：有 %2 个字段，应为 %3 个。",
    u"Line %1: %2 fields, where a channel has %3." };
constexpr Phrase kBadValue { u"第 %1 行，%2 列：“%3”不是该列的值。",
    u"Line %1, column %2: \"%3\" is not a value of this column." };

// The text, or nothing when a byte sequence is invalid in the encoding.
std::optional<QString> decodeStrictly(QStringDecoder decoder, QByteArrayView bytes)
{
    if (!decoder.isValid())
        return std::nullopt;
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

// As plan text files are read: UTF-8 first (an ASCII table reads the same in
// every candidate), then GB18030, then Windows-1252, which maps every byte.
std::optional<QString> decodeTable(const QByteArray &bytes)
{
    constexpr auto flags = QStringConverter::Flag::Stateless;
    if (auto text = decodeStrictly(QStringDecoder(QStringConverter::Utf8, flags), bytes))
        return text;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return std::nullopt;
    if (auto text = decodeStrictly(QStringDecoder("GB18030", flags), bytes))
        return text;
    return decodeStrictly(QStringDecoder("windows-1252", flags), bytes);
}

bool needsQuotes(const QString &text)
{
    for (const QChar c : text) {
        if (c == QLatin1Char(',') || c == QLatin1Char(';') || c == kQuote || c == QLatin1Char('\t')
            || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            return true;
    }
    return !text.isEmpty() && (text.front().isSpace() || text.back().isSpace());
}

// A text cell that spreadsheets would run as a formula (or a DDE link).
bool startsLikeFormula(QStringView text)
{
    if (text.isEmpty())
        return false;
    const QChar c = text.front();
    return c == QLatin1Char('=') || c == QLatin1Char('+') || c == QLatin1Char('-')
        || c == QLatin1Char('@') || c == QLatin1Char('\t') || c == QLatin1Char('\r');
}

// The apostrophe that spreadsheets take for "this is text", as written:
// before a formula-like text, and before a text that already starts with one
// that reading would otherwise drop.
bool isNeutralised(QStringView text)
{
    return text.size() >= 2 && text.front() == kApostrophe
        && (startsLikeFormula(text.mid(1)) || text.at(1) == kApostrophe);
}

QString neutralised(const QString &text)
{
    return startsLikeFormula(text) || isNeutralised(text) ? kApostrophe + text : text;
}

bool isTextColumn(int column)
{
    return column == ColumnName || column == ColumnType;
}

QString fieldText(const QString &text)
{
    if (!needsQuotes(text))
        return text;
    QString quoted = text;
    quoted.replace(kQuote, QStringLiteral("\"\""));
    return kQuote + quoted + kQuote;
}

// The separator the first row uses most outside quotes; on a tie a semicolon
// wins (spreadsheets that write decimal commas separate by semicolons), then
// a TAB, then a comma.
QChar detectSeparator(const QString &text)
{
    std::array<int, 3> counts {};
    const std::array<QChar, 3> candidates { QLatin1Char(';'), QLatin1Char('\t'), QLatin1Char(',') };
    bool inQuotes = false;
    bool seenContent = false;
    for (const QChar c : text) {
        if (c == kQuote) {
            inQuotes = !inQuotes;
        } else if (!inQuotes && (c == QLatin1Char('\n') || c == QLatin1Char('\r'))) {
            if (seenContent)
                break;
        } else if (!inQuotes) {
            for (size_t i = 0; i < candidates.size(); ++i) {
                if (c == candidates[i])
                    ++counts[i];
            }
        }
        if (!c.isSpace())
            seenContent = true;
    }
    size_t best = candidates.size() - 1;
    for (size_t i = 0; i < candidates.size(); ++i) {
        if (counts[i] > counts[best])
            best = i;
    }
    return candidates[best];
}

struct Field
{
    QString text;
    bool quoted = false;
};

struct Record
{
    int line = 0; // where the record starts, from 1
    QList<Field> fields;
};

// The records of the text; a quoted field may hold separators, doubled quotes
// and line breaks. Blank lines give no record. Unquoted fields are trimmed.
bool splitRecords(const QString &text, QChar separator, QList<Record> &records, QString *error)
{
    Record record;
    Field field;
    bool inQuotes = false;
    int line = 1;
    record.line = 1;
    auto endField = [&] {
        if (!field.quoted)
            field.text = field.text.trimmed();
        record.fields.append(std::move(field));
        field = Field();
    };
    auto endRecord = [&] {
        endField();
        const bool blank = record.fields.size() == 1 && !record.fields.first().quoted
            && record.fields.first().text.isEmpty();
        if (!blank)
            records.append(std::move(record));
        record = Record();
        record.line = line;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (inQuotes) {
            if (c == kQuote) {
                if (i + 1 < text.size() && text.at(i + 1) == kQuote) {
                    field.text += kQuote;
                    ++i;
                } else {
                    inQuotes = false;
                }
            } else {
                if (c == QLatin1Char('\n'))
                    ++line;
                field.text += c;
            }
        } else if (c == kQuote && field.text.trimmed().isEmpty() && !field.quoted) {
            field.text.clear();
            field.quoted = true;
            inQuotes = true;
        } else if (c == separator) {
            endField();
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size()
                && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            ++line;
            endRecord();
        } else {
            field.text += c;
        }
    }
    if (inQuotes) {
        if (error)
            *error = kOpenQuote.text().arg(record.line);
        return false;
    }
    endRecord();
    return true;
}

QString normalisedHeaderWord(const QString &text)
{
    QString word = text.toCaseFolded();
    word.remove(QLatin1Char(' '));
    word.remove(QStringLiteral("(mhz)"));
    word.remove(QStringLiteral("（mhz）"));
    return word;
}

} // namespace

QByteArray PlanCsv::format(const QList<ChannelValues> &rows, qint16 languageOffset)
{
    QString text;
    for (int column = 0; column < kChannelColumnCount; ++column) {
        if (column > 0)
            text += QLatin1Char(',');
        text += fieldText(kHeaderNames[column].text(languageOffset));
    }
    text += kLineEnd;
    for (const ChannelValues &row : rows) {
        for (int column = 0; column < kChannelColumnCount; ++column) {
            if (column > 0)
                text += QLatin1Char(',');
            // Numbers are written as they are: only a text cell can be
            // taken for a formula.
            const QString value = ChannelColumns::toText(column, row.value(column));
            text += fieldText(isTextColumn(column) ? neutralised(value) : value);
        }
        text += kLineEnd;
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

bool PlanCsv::write(
    const QString &path, const QList<ChannelValues> &rows, qint16 languageOffset, QString *error)
{
    return writeWholeFile(path, format(rows, languageOffset), error);
}

bool PlanCsv::isHeader(const QStringList &fields)
{
    if (fields.isEmpty())
        return false;
    const QString first = normalisedHeaderWord(fields.first());
    for (const qint16 language : { kChineseOffset, kEnglishOffset }) {
        if (first == normalisedHeaderWord(kHeaderNames[ColumnId].text(language)))
            return true;
    }
    // Also a header: the plan text file's own column names.
    return first == QLatin1String("id") && fields.size() > 1
        && normalisedHeaderWord(fields.at(1)) == QLatin1String("chname");
}

bool PlanCsv::parse(const QByteArray &bytes, PlanFileContent &out, QString *error)
{
    auto fail = [error](const QString &reason) {
        if (error)
            *error = reason;
        return false;
    };
    if (bytes.size() > kMaxBytes)
        return fail(kTooLarge.text().arg(kMaxBytes));
    if (bytes.contains('\0'))
        return fail(kBinary.text());
    std::optional<QString> text = decodeTable(bytes);
    if (!text)
        return fail(kUndecodable.text());
    if (text->startsWith(kByteOrderMark))
        text->remove(0, 1);
    // Control characters other than line breaks and TABs do not occur in text.
    for (const QChar c : *text) {
        if (c.unicode() < 0x20 && c != QLatin1Char('\t') && c != QLatin1Char('\r')
            && c != QLatin1Char('\n'))
            return fail(kBinary.text());
    }

    QList<Record> records;
    if (!splitRecords(*text, detectSeparator(*text), records, error))
        return false;

    PlanFileContent content;
    content.caption = CatalogueText(15);
    for (qsizetype r = 0; r < records.size(); ++r) {
        const Record &record = records[r];
        QStringList fields;
        for (const Field &field : record.fields)
            fields.append(field.text);
        if (r == 0 && isHeader(fields))
            continue;
        // Spreadsheets add empty fields at the end of rows; they carry nothing.
        while (fields.size() > kChannelColumnCount && fields.last().isEmpty())
            fields.removeLast();
        if (fields.size() != kChannelColumnCount)
            return fail(
                kFieldCount.text().arg(record.line).arg(fields.size()).arg(kChannelColumnCount));
        ChannelValues row;
        for (int column = 0; column < kChannelColumnCount; ++column) {
            const bool number
                = column == ColumnId || column == ColumnFreq || column == ColumnAudio1;
            QString value = number ? NumberText::withDecimalPoint(fields[column]) : fields[column];
            if (isTextColumn(column) && isNeutralised(value))
                value.remove(0, 1);
            const auto converted = ChannelColumns::fromText(column, value);
            if (!converted)
                return fail(kBadValue.text()
                                .arg(record.line)
                                .arg(kHeaderNames[column].text(), ShownValue::cut(fields[column])));
            row.setValue(column, *converted);
        }
        content.rows.append(row);
    }
    out = std::move(content);
    return true;
}

bool PlanCsv::read(const QString &path, PlanFileContent &out, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    // One byte more than allowed tells an oversized file without reading it all.
    const QByteArray bytes = file.read(kMaxBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return parse(bytes, out, error);
}

} // namespace plandor
