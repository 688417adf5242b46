#pragma once

#include "rules/PanelTexts.h"
#include "store/ChannelColumns.h"
#include "store/PlanFile.h"

#include <QDateTime>
#include <QList>
#include <QString>

namespace plandor {

// Every plan that went to or came from an instrument, kept as a plan text
// file in the user's data folder, one file per transfer, the newest
// kKeptEntries of them. A file's name holds its time (UTC), direction,
// instrument and channel count, so the list is made without reading the files:
//     20261206-013640123_received_MX-200%20SN0042_42ch.txt
class PlanHistory
{
public:
    static constexpr int kKeptEntries = 200;

    enum class Direction {
        Received, // read from the instrument (Upload, plandor-cli read)
        Sent, // sent to the instrument (Download, plandor-cli send)
    };

    struct Entry
    {
        QString path;
        QDateTime time; // UTC
        Direction direction = Direction::Received;
        QString instrument; // as the instrument named itself in the handshake
        int channelCount = 0;
    };

    // The folder: the one set by setFolder(), else $PLANDOR_HISTORY_DIR, else
    // "history" in the program's data folder (the same for the window and
    // plandor-cli).
    static QString folder();
    // For tests; an empty path goes back to the default.
    static void setFolder(const QString &path);

    // Keeps a transferred plan (rows in the order they travelled, numbered
    // 1..n in that order as the instrument numbers them) and drops
    // the oldest entries beyond kKeptEntries. False with a reason when the
    // file cannot be written; the transfer itself is not affected.
    static bool record(Direction direction, const QString &instrument,
        const QList<ChannelValues> &rows, const PanelTexts &panel, QString *error = nullptr);

    // The entries, newest first.
    static QList<Entry> entries();
    // One entry's plan, as Open reads a plan file.
    static bool load(const Entry &entry, PlanFileContent &out, QString *error);

    // A plan file of rows and panel with the grid's standard caption and the
    // panel labels of the run's language, as a plan read from an instrument
    // is saved.
    static PlanFileSource fileSource(const QList<ChannelValues> &rows, const PanelTexts &panel);

    // How a direction reads in the run's language.
    static QString directionText(Direction direction);
};

} // namespace plandor
