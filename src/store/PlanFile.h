#pragma once

#include "store/ChannelColumns.h"
#include "store/PanelTexts.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace plandor {

// What a plan text file holds, read and checked whole before anything else is
// touched.
struct PlanFileContent
{
    QString caption;            // line 1, unchanged
    QList<ChannelValues> rows;  // the row lines, values converted to their columns
    QStringList panelSlots;     // the "*" lines' values in file order (at most 8)
};

// What a plan text file is written from.
struct PlanFileSource
{
    QString caption;              // the grid caption, line 1
    QList<ChannelValues> rows;    // in the order to write them
    QString favoriteLabels[6];    // the captions of the six favourite labels
    QString unitLabel;            // the caption of the unit label
    PanelTexts panel;             // the panel's texts; span is written as its number
};

// The plan text file: caption, header, one TAB-terminated line per row, six
// favourite lines, the unit line and the span line; CRLF line ends. Written in
// the code page of the run's language (GB18030 for Chinese, Windows-1252 for
// English); read in those and in UTF-8 with or without a byte-order mark.
class PlanFile
{
public:
    enum class Encoding { Gb18030, Windows1252 };
    static Encoding encodingForLanguage(qint16 languageOffset);

    // False with a reason when the bytes cannot be a plan file: undecodable
    // bytes, a value the store cannot convert, a ninth "*" line, no first line.
    static bool parse(const QByteArray &bytes, PlanFileContent &out, QString *error);
    static bool read(const QString &path, PlanFileContent &out, QString *error);

    static QByteArray format(const PlanFileSource &source, Encoding encoding);
    // Writes a temporary file and renames it over path, so that a failed save
    // never leaves a half-written plan.
    static bool write(const QString &path, const PlanFileSource &source, Encoding encoding,
                      QString *error);

    // The panel as the file's eight slots fill it: favourites from slots 1-6,
    // unit from slot 7, span from slot 8 (the shortest text of its numeric
    // value as single precision, "0" for an empty or non-numeric slot).
    static PanelTexts panelFromSlots(const QStringList &panelSlots);
};

} // namespace plandor
