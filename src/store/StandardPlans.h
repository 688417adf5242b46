#pragma once

#include "rules/PlanCheck.h"
#include "store/ChannelColumns.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace plandor {

// One channel of a broadcast or cable standard as its table lists it.
struct StandardChannel
{
    QString name; // at most three ASCII characters
    double carrier = 0; // vision carrier, MHz
    double bandwidth = 0; // channel bandwidth, MHz
};

// How a standard's channels become plan rows: analogue channels are TV at
// their vision carrier with the system's audio offset; digital ones are DIGI
// at the channel's centre (1.25 MHz below the carrier plus half the
// bandwidth, plus the table's digital centre offset) with the channel
// bandwidth.
enum class PlanVariant { Analogue, Digital };

// A TV system's channel table: every channel's vision carrier, the one
// audio carrier offset of the system (4.5, 5.5, 6.0 or 6.5 MHz) and the
// variants it is offered in (a DOCSIS raster only as digital).
struct StandardTable
{
    QString key; // "na-std", "ccir-bg", ...
    QString englishName;
    QString chineseName;
    double audioOffset = 0; // 0 when only digital is offered
    // Where the digital centre sits above the channel centre: 1/7 MHz for
    // ISDB-T (Japan, Brazil), 0 elsewhere.
    double digitalOffset = 0;
    QList<PlanVariant> variants { PlanVariant::Analogue, PlanVariant::Digital };
    QList<StandardChannel> channels; // in frequency order

    bool offers(PlanVariant v) const { return variants.contains(v); }
};

// A plan made from a standard: the rows (IDs 1..n, frequency order) and the
// channels of the chosen range that the channel rules refuse and were left
// out (E2 of CCIR B/G analogue reaches below 46 MHz, for example).
struct StandardPlan
{
    QString caption;
    QList<ChannelValues> rows;
    QStringList leftOut;
};

// The standard channel plans shipped with Plandor in plans/standards.tsv
// (made by tools/plans/make_standard_plans.py).
class StandardPlans
{
public:
    static constexpr int kMaxChannels = 255;

    // Where the table is looked for, in order: the installed share folder
    // beside the program (../share/plandor/plans), then the source tree's
    // data/plans (for runs from a build folder).
    static QStringList searchFolders();
    static QString fileName() { return QStringLiteral("standards.tsv"); }

    // Finds and reads the table; false with a reason when there is none or
    // it cannot be read.
    bool load(QString *error);
    bool loadFile(const QString &path, QString *error);
    bool parse(const QByteArray &bytes, QString *error);

    const QList<StandardTable> &tables() const { return m_tables; }
    const StandardTable *find(const QString &key) const;

    // "China cable D/K" / "中国有线电视 D/K 制", with " (DIGI)" for the digital variant.
    static QString displayName(
        const StandardTable &table, PlanVariant variant, qint16 languageOffset);
    static QString displayName(const StandardTable &table, PlanVariant variant);

    // The frequency a channel gets in the plan, to four decimals as the
    // tables have them (no binary tails, and the raster matches the plan).
    static double planFrequency(
        const StandardTable &table, const StandardChannel &channel, PlanVariant variant);

    // Channels first..last (indexes into table.channels, both included) as
    // plan rows; channels the rules refuse are left out, and at most
    // kMaxChannels rows are made. A variant the table does not offer makes
    // no rows.
    static StandardPlan build(const StandardTable &table, PlanVariant variant, int first, int last);

    // The raster of every table and offered variant, for the plan check.
    QList<PlanRaster> rasters() const;

    // A stored row as the plan check reads it.
    static PlanCheckRow checkRow(const ChannelValues &row);

private:
    QList<StandardTable> m_tables;
};

} // namespace plandor
