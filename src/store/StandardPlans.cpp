#include "store/StandardPlans.h"

#include "base/Language.h"
#include "base/Phrase.h"
#include "rules/ChannelRules.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <cmath>
#include <utility>

namespace plandor {
namespace {

constexpr Phrase kNoTable { u"在 %2 中找不到 %1", u"no %1 in %2" };
constexpr Phrase kBadLine { u"第 %1 行既不是标准也不是频道",
    u"line %1 is not a standard or a channel" };
constexpr Phrase kNoStandard { u"表中没有任何标准", u"no standard in the table" };

// "AD": analogue and digital, "D": digital only, "A": analogue only; empty
// for anything else.
QList<PlanVariant> variantsOf(const QString &field)
{
    if (field == QLatin1String("AD"))
        return { PlanVariant::Analogue, PlanVariant::Digital };
    if (field == QLatin1String("D"))
        return { PlanVariant::Digital };
    if (field == QLatin1String("A"))
        return { PlanVariant::Analogue };
    return {};
}

} // namespace

QStringList StandardPlans::searchFolders()
{
    QStringList folders;
    if (QCoreApplication::instance())
        folders << QDir(QCoreApplication::applicationDirPath())
                       .absoluteFilePath(QStringLiteral("../share/plandor/plans"));
#ifdef PLANDOR_SOURCE_PLANS_DIR
    folders << QStringLiteral(PLANDOR_SOURCE_PLANS_DIR);
#endif
    return folders;
}

bool StandardPlans::load(QString *error)
{
    for (const QString &folder : searchFolders()) {
        const QString path = QDir(folder).absoluteFilePath(fileName());
        if (QFile::exists(path))
            return loadFile(path, error);
    }
    *error = kNoTable.text().arg(fileName(), searchFolders().join(QStringLiteral(", ")));
    return false;
}

bool StandardPlans::loadFile(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    return parse(file.readAll(), error);
}

bool StandardPlans::parse(const QByteArray &bytes, QString *error)
{
    QList<StandardTable> tables;
    const QStringList lines = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList f = lines[i].split(QLatin1Char('\t'));
        bool ok1 = false;
        bool ok2 = false;
        if (f.size() == 7 && f[0] == QLatin1String("S")) {
            StandardTable t;
            t.key = f[1];
            t.variants = variantsOf(f[2]);
            t.audioOffset = f[3].toDouble(&ok1);
            t.digitalOffset = f[4].toDouble(&ok2);
            t.englishName = f[5].trimmed();
            t.chineseName = f[6].trimmed();
            // An analogue plan needs the system's audio offset.
            const bool audioOk = t.audioOffset > 0 || !t.offers(PlanVariant::Analogue);
            if (ok1 && ok2 && audioOk && !t.variants.isEmpty() && !t.key.isEmpty()) {
                tables.append(t);
                continue;
            }
        } else if (f.size() == 4 && f[0] == QLatin1String("C") && !tables.isEmpty()) {
            StandardChannel c { f[1], f[2].toDouble(&ok1), f[3].trimmed().toDouble(&ok2) };
            if (ok1 && ok2 && ChannelRules::checkName(c.name) == 0) {
                tables.last().channels.append(c);
                continue;
            }
        }
        *error = kBadLine.text().arg(i + 1);
        return false;
    }
    for (StandardTable &t : tables)
        std::stable_sort(t.channels.begin(), t.channels.end(),
            [](const StandardChannel &a, const StandardChannel &b) {
                return a.carrier < b.carrier;
            });
    if (tables.isEmpty()) {
        *error = kNoStandard.text();
        return false;
    }
    m_tables = tables;
    return true;
}

const StandardTable *StandardPlans::find(const QString &key) const
{
    for (const StandardTable &t : m_tables) {
        if (t.key == key)
            return &t;
    }
    return nullptr;
}

QString StandardPlans::displayName(
    const StandardTable &table, PlanVariant variant, qint16 languageOffset)
{
    QString name = languageOffset == kChineseOffset ? table.chineseName : table.englishName;
    if (variant == PlanVariant::Digital)
        name += QStringLiteral(" (DIGI)");
    return name;
}

QString StandardPlans::displayName(const StandardTable &table, PlanVariant variant)
{
    return displayName(table, variant, LanguageOffset);
}

double StandardPlans::planFrequency(
    const StandardTable &table, const StandardChannel &channel, PlanVariant variant)
{
    const double freq = variant == PlanVariant::Analogue
        ? channel.carrier
        : channel.carrier - 1.25 + channel.bandwidth / 2 + table.digitalOffset;
    return std::round(freq * 10000) / 10000;
}

StandardPlan StandardPlans::build(
    const StandardTable &table, PlanVariant variant, int first, int last)
{
    StandardPlan plan;
    plan.caption = displayName(table, variant);
    if (!table.offers(variant))
        return plan;
    first = std::max(first, 0);
    last = std::min(last, int(table.channels.size()) - 1);
    for (int i = first; i <= last; ++i) {
        const StandardChannel &c = table.channels[i];
        const bool digital = variant == PlanVariant::Digital;
        const double freq = planFrequency(table, c, variant);
        const double second = digital ? c.bandwidth : table.audioOffset;
        const QString type = digital ? QStringLiteral("DIGI") : QStringLiteral("TV");
        if (ChannelRules::checkChannel(ChannelFields { c.name, type, freq, second })
            || plan.rows.size() >= kMaxChannels) {
            plan.leftOut.append(c.name);
            continue;
        }
        ChannelValues row;
        row.setValue(ColumnId, qlonglong(plan.rows.size() + 1));
        row.setValue(ColumnName, c.name);
        row.setValue(ColumnType, type);
        row.setValue(ColumnFreq, freq);
        row.setValue(ColumnAudio1, second);
        plan.rows.append(row);
    }
    return plan;
}

QList<PlanRaster> StandardPlans::rasters() const
{
    QList<PlanRaster> out;
    for (const StandardTable &t : m_tables) {
        for (PlanVariant v : t.variants) {
            PlanRaster r;
            r.name = displayName(t, v);
            QList<std::pair<double, double>> positions; // frequency, bandwidth
            for (const StandardChannel &c : t.channels)
                positions.append({ planFrequency(t, c, v), c.bandwidth });
            std::sort(positions.begin(), positions.end());
            for (const auto &[freq, bandwidth] : positions) {
                if (v == PlanVariant::Analogue) {
                    r.tvCarriers.append(freq);
                    r.tvBandwidths.append(bandwidth);
                } else {
                    r.digiCentres.append(freq);
                }
            }
            out.append(r);
        }
    }
    return out;
}

PlanCheckRow StandardPlans::checkRow(const ChannelValues &row)
{
    auto number = [&row](int column) -> std::optional<double> {
        bool ok = false;
        const double value = row.value(column).toDouble(&ok);
        return ok && !row.value(column).isNull() ? std::optional<double>(value) : std::nullopt;
    };
    return PlanCheckRow { ChannelColumns::toText(ColumnId, row.value(ColumnId)),
        ChannelFields { row.value(ColumnName).toString(), row.value(ColumnType).toString(),
            number(ColumnFreq), number(ColumnAudio1) } };
}

} // namespace plandor
