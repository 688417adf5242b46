#include "DiffCommand.h"

#include "CliPhrases.h"
#include "InstrumentSession.h"
#include "PlanJson.h"
#include "StandardStreams.h"

#include "store/PlanComparison.h"
#include "store/PlanFile.h"
#include "transfer/PlanRecords.h"

#include <QFileInfo>

#include <optional>

namespace plandor::cli {

namespace {

constexpr Phrase kSummaryPort { u"FILE 与仪器的频道表有何不同",
    u"what differs between FILE and the instrument's plan" };
constexpr Phrase kSummaryFiles { u"两个频道表文件有何不同\n（diff 相同时退出码为 0，不同时为 1）",
    u"what differs between two plan files\n(diff exits 0 when equal, 1 when different)" };
constexpr Phrase kNeedsIn { u"diff 需要 --in FILE，以及 --port P 或 --against FILE",
    u"diff needs --in FILE, and --port P or --against FILE" };
constexpr Phrase kTheInstrument { u"仪器", u"the instrument" };
constexpr Phrase kPanelLine { u"面板  %1 -> %2", u"panel    %1 -> %2" };
constexpr Phrase kPanelText { u"收藏 %1,%2,%3,%4,%5,%6 带宽 %7 单位 %8",
    u"favourites %1,%2,%3,%4,%5,%6 span %7 unit %8" };
constexpr Phrase kSame { u"%1 与 %2 有相同的 %3 个频道", u"%1 and %2 hold the same %3 channels" };
constexpr Phrase kDifferences { u"%1 处不同", u"%1 differences" };

// A plan to compare: its rows, and its panel when it has one (a table has
// none, nor has a plan file with a blank panel, as made from a table); where
// it came from, for --json.
struct Side
{
    QString name;
    QList<ChannelValues> rows;
    std::optional<PanelTexts> panel;
    QJsonObject source;
};

std::optional<Side> readFile(const QString &path, QString *error)
{
    PlanFileContent content;
    if (!readPlanInput(path, content, error))
        return std::nullopt;
    return Side { isStandardStream(path) ? fileName(path, false) : QFileInfo(path).fileName(),
        content.rows, content.panel, { { QStringLiteral("file"), path } } };
}

// The instrument's plan as a side, or the exit code of the failure.
int readInstrument(const CliContext &context, InstrumentSession &session, std::optional<Side> &out)
{
    if (const int rc = session.checkConnection())
        return rc;
    PlanTransfer transfer(session.link());
    const LinkResult<PlanTransfer::ReceivedPlan> received = transfer.read();
    if (!received)
        return context.fail(
            ExitTransferFailed, phrases::kReadingFailed.text().arg(received.errorText()));
    out = Side { kTheInstrument.text(), received->rows, received->panel,
        { { QStringLiteral("port"), session.link().deviceName() } } };
    return ExitOk;
}

QString panelText(const FavoritesRecord &r)
{
    return kPanelText.text()
        .arg(r.Favorite1)
        .arg(r.Favorite2)
        .arg(r.Favorite3)
        .arg(r.Favorite4)
        .arg(r.Favorite5)
        .arg(r.Favorite6)
        .arg(r.Span)
        .arg(r.Unit == kUnitDbmV ? QStringLiteral("dBmV") : QStringLiteral("dBuV"));
}

// Both panels when both sides have one and they differ.
bool panelsDiffer(const Side &theirs, const Side &mine)
{
    return mine.panel && theirs.panel
        && !(PlanRecords::toFavorites(*theirs.panel) == PlanRecords::toFavorites(*mine.panel));
}

QJsonObject changeJson(const PlanComparison &comparison, const PlanDiff::Difference &d)
{
    static const std::pair<PlanDiff::Field, const char *> kFields[]
        = { { PlanDiff::Field::Name, "name" }, { PlanDiff::Field::Type, "type" },
              { PlanDiff::Field::Freq, "frequency" }, { PlanDiff::Field::Audio, "audio" } };
    const char *change = d.kind == PlanDiff::Kind::Added ? "added"
        : d.kind == PlanDiff::Kind::Removed              ? "removed"
                                                         : "changed";
    QJsonArray fields;
    for (const auto &[field, key] : kFields) {
        if (d.fields.testFlag(field))
            fields.append(QLatin1String(key));
    }
    const auto channel = [](const QList<ChannelValues> &rows, int i) {
        return i < 0 ? QJsonValue(QJsonValue::Null) : QJsonValue(channelJson(rows[i]));
    };
    return { { QStringLiteral("change"), QLatin1String(change) },
        { QStringLiteral("before"), channel(comparison.before(), d.before) },
        { QStringLiteral("after"), channel(comparison.after(), d.after) },
        { QStringLiteral("fields"), fields } };
}

int printJson(const CliContext &context, const Side &theirs, const Side &mine)
{
    const PlanComparison comparison(theirs.rows, mine.rows);
    QJsonArray channels;
    for (const PlanDiff::Difference &d : comparison.differences())
        channels.append(changeJson(comparison, d));
    const bool panelDiffers = panelsDiffer(theirs, mine);
    const QJsonValue panel = panelDiffers
        ? QJsonValue(QJsonObject { { QStringLiteral("before"), panelJson(theirs.panel) },
            { QStringLiteral("after"), panelJson(mine.panel) } })
        : QJsonValue(QJsonValue::Null);
    const bool equal = comparison.equal() && !panelDiffers;
    return context.printJson(
        { { QStringLiteral("from"), theirs.source }, { QStringLiteral("to"), mine.source },
            { QStringLiteral("equal"), equal }, { QStringLiteral("channels"), channels },
            { QStringLiteral("panel"), panel } },
        equal ? ExitOk : ExitDifferent);
}

int printLines(const CliContext &context, const Side &theirs, const Side &mine)
{
    const PlanComparison comparison(theirs.rows, mine.rows);
    QStringList lines = comparison.lines(theirs.name, mine.name);
    if (panelsDiffer(theirs, mine))
        lines.append(kPanelLine.text().arg(panelText(PlanRecords::toFavorites(*theirs.panel)),
            panelText(PlanRecords::toFavorites(*mine.panel))));
    for (const QString &line : lines)
        context.print(line);
    if (lines.isEmpty()) {
        context.print(kSame.text().arg(mine.name, theirs.name).arg(mine.rows.size()));
        return ExitOk;
    }
    context.print(kDifferences.text().arg(lines.size()));
    return ExitDifferent;
}

} // namespace

QList<CommandUsage> DiffCommand::usages() const
{
    return { { "diff --port P --in FILE", kSummaryPort },
        { "diff --in A --against B", kSummaryFiles } };
}

QStringList DiffCommand::options() const
{
    return { QStringLiteral("port"), QStringLiteral("baud"), QStringLiteral("in"),
        QStringLiteral("against") };
}

int DiffCommand::run(const CliContext &context)
{
    const bool toFile = context.isSet(QStringLiteral("against"));
    InstrumentSession session(context);
    QString error;
    if (!toFile && !session.open(&error))
        return context.fail(ExitUsage, error);
    const QString inPath = context.value(QStringLiteral("in"));
    if (inPath.isEmpty())
        return context.fail(ExitUsage, kNeedsIn.text());
    const std::optional<Side> mine = readFile(inPath, &error);
    if (!mine)
        return context.fail(ExitFileRefused, phrases::kRefused.text().arg(inPath, error));
    std::optional<Side> theirs;
    if (!toFile) {
        if (const int rc = readInstrument(context, session, theirs))
            return rc;
    } else {
        const QString againstPath = context.value(QStringLiteral("against"));
        theirs = readFile(againstPath, &error);
        if (!theirs)
            return context.fail(ExitFileRefused, phrases::kRefused.text().arg(againstPath, error));
    }
    // What the second plan (the instrument's, or the --against file) would
    // have to change to become the first.
    return context.json() ? printJson(context, *theirs, *mine)
                          : printLines(context, *theirs, *mine);
}

} // namespace plandor::cli
