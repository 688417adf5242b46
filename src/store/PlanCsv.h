#pragma once

#include "store/ChannelColumns.h"
#include "store/PlanFile.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace plandor {

// The plan as a spreadsheet table: a header row and one row per channel with
// the columns ID, name, type, frequency and audio offset or bandwidth.
//
// Written as UTF-8 with a byte-order mark (so that spreadsheets take it as
// UTF-8), commas between fields, a decimal point, CRLF line ends and the
// header in the run's language. A name or type that starts with "=", "+",
// "-", "@", TAB or CR (which spreadsheets run as a formula), or with an
// apostrophe before one of these or another apostrophe, is written after an
// apostrophe, and read back without it. Read from what spreadsheets write: UTF-8 (with
// or without the mark), GB18030 or Windows-1252; fields separated by commas,
// semicolons or TABs (the one the first row uses most outside quotes); quoted
// fields with doubled quotes; a decimal comma or point; a header row in
// either language or none.
class PlanCsv
{
public:
    // Larger input is not a channel table (255 channels take about 6 KB).
    static constexpr qint64 kMaxBytes = 4 * 1024 * 1024;

    static QByteArray format(const QList<ChannelValues> &rows, qint16 languageOffset);
    // All or nothing, as PlanFile::write.
    static bool write(const QString &path, const QList<ChannelValues> &rows, qint16 languageOffset,
        QString *error);

    // The rows in file order, converted to their columns, for the same
    // checks and marking as an opened plan file. out.caption is the grid's
    // standard caption; a table has no panel, so out.panel stays empty (the
    // caller keeps its panel). False with a reason (naming the line) for
    // binary or oversized input, an unclosed quote, a row with too few or too
    // many fields, or a value its column cannot hold.
    static bool parse(const QByteArray &bytes, PlanFileContent &out, QString *error);
    static bool read(const QString &path, PlanFileContent &out, QString *error);

    // True when a row's fields name the columns, in either language.
    static bool isHeader(const QStringList &fields);
};

} // namespace plandor
