#pragma once

#include "rules/ChannelRules.h"
#include "rules/PanelTexts.h"
#include "store/ChannelColumns.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace plandor {

// The code page a plan file is in: GB18030 (a Chinese run's), Windows-1252
// (an English run's), or UTF-8 with a byte-order mark (for names and captions
// the run's code page cannot hold).
enum class PlanEncoding { Gb18030, Windows1252, Utf8Bom };

// What a plan text file holds, read and checked whole before anything else is
// touched.
struct PlanFileContent
{
    QString caption; // line 1, unchanged (plain text, not markup)
    QList<ChannelValues> rows; // the row lines, values converted to their columns
    // The panel lines' values, the span as the shortest text of its number;
    // nothing for a file without panel lines or with blank ones only.
    std::optional<PanelTexts> panel;
    QList<int> rowLines; // the file's line number (from 1) of each row
    PlanEncoding encoding = PlanEncoding::Windows1252; // as detected
    // The rows the channel rules refuse: kept, for the window to mark.
    QList<RowRefusal> refusals;

    // More channels than the instrument takes: the window warns once.
    bool tooLarge() const;

    // The panel the window shows for the file: its own, or for none empty
    // boxes and a bandwidth of 0.
    PanelTexts panelOrBlank() const;
};

// What a plan text file is written from.
struct PlanFileSource
{
    QString caption; // the grid caption, line 1
    QList<ChannelValues> rows; // in the order to write them
    QString favoriteLabels[6]; // the captions of the six favourite labels
    QString unitLabel; // the caption of the unit label
    PanelTexts panel; // the panel's texts; span is written as its number
};

// What a file in some encoding would not give back when read: the caption,
// the rows (0-based indexes into PlanFileSource::rows) and the panel. Never
// written: the writer refuses instead of putting substitutes (0x1A) in.
struct EncodingLoss
{
    bool caption = false;
    bool panel = false;
    QList<int> rows;

    bool isEmpty() const { return !caption && !panel && rows.isEmpty(); }
    // "Channels 3, 7; the caption" for a message, in the run's language.
    QString describe(const PlanFileSource &source) const;
};

// The plan text file: caption, header, one TAB-terminated line per row, six
// favourite lines, the unit line and the span line; CRLF line ends.
//
// Panel lines (those with a "*") are known by their labels, in either
// language, whatever their order, and each value is what follows the line's
// first TAB. A file has all eight or none: one without panel lines (a caption
// and rows only) holds no panel; a missing, repeated or unknown panel line,
// or one without a TAB, refuses the file with the line named.
//
// Reading: only regular files of at most kMaxFileSize bytes, opened without
// blocking; bytes other than text (NUL and control characters other than TAB,
// CR and LF) refuse the file. The encoding is a UTF-8 byte-order mark, else
// valid UTF-8, else the file's own markers (panel labels and default caption
// in the language of the run that wrote it) decide between GB18030 and
// Windows-1252, else GB18030 then Windows-1252. Numbers may use a decimal
// comma ("55,25"); the writer writes a point.
class PlanFile
{
public:
    using Encoding = PlanEncoding;
    static Encoding encodingForLanguage(qint16 languageOffset);

    // Far above any real plan (255 channels take about 10 KB).
    static constexpr qint64 kMaxFileSize = 4 * 1024 * 1024;

    // False with a reason (in the run's language) when the bytes cannot be a
    // plan file: not text, undecodable, a value the store cannot convert, a
    // panel line that is not one of the eight or is missing, no first line.
    static bool parse(const QByteArray &bytes, PlanFileContent &out, QString *error);
    static bool read(const QString &path, PlanFileContent &out, QString *error);

    // The whole message for a refused file: catalogue id 21 and the reason.
    static QString refusalText(const QString &reason);

    static QByteArray format(const PlanFileSource &source, Encoding encoding);

    // What format(source, encoding) would lose; empty when the file would read
    // back unchanged.
    static EncodingLoss loss(const PlanFileSource &source, Encoding encoding);

    // Writes a temporary file and renames it over path, so that a failed save
    // never leaves a half-written plan. Refuses (false, *lost filled) when the
    // encoding cannot hold the plan: the caller may offer Encoding::Utf8Bom.
    static bool write(const QString &path, const PlanFileSource &source, Encoding encoding,
        QString *error, EncodingLoss *lost = nullptr);
};

} // namespace plandor
