#include "CheckPlanCommand.h"

#include "CliPhrases.h"
#include "PlanValidation.h"
#include "StandardStreams.h"

#include "rules/PlanCheck.h"
#include "store/PlanFile.h"
#include "store/StandardPlans.h"

#include <QJsonArray>

namespace plandor::cli {

namespace {

constexpr Phrase kSummary { u"列出频道表文件中的问题（有问题时退出码为 4）",
    u"list what is wrong with a plan file (exit 4 when anything is)" };
constexpr Phrase kNoRasterCheck { u"不做频率栅格检查（%1）", u"no raster check (%1)" };
constexpr Phrase kMoreFindings { u"……另有 %1 条（共 %2 条）",
    u"... and %1 more findings (%2 in all)" };

// One finding: its kind as --json names it, its words, and the channels it
// is about (0-based indexes into the file's channels).
struct Finding
{
    const char *kind;
    QString text;
    QList<int> rows;
};

const char *kindName(PlanFinding::Kind kind)
{
    switch (kind) {
    case PlanFinding::Overlap:
        return "overlap";
    case PlanFinding::DuplicateId:
        return "duplicateId";
    case PlanFinding::DuplicateName:
        return "duplicateName";
    case PlanFinding::Refused:
        return "refused";
    case PlanFinding::TooMany:
        return "tooMany";
    case PlanFinding::OffRaster:
        break;
    }
    return "offRaster";
}

QList<Finding> findingsOf(const CliContext &context, const PlanFileContent &content)
{
    PlanCheckOptions options;
    StandardPlans standards;
    QString error;
    if (standards.load(&error))
        options.rasters = standards.rasters();
    else
        context.warn(kNoRasterCheck.text().arg(error));
    QList<PlanCheckRow> rows;
    rows.reserve(content.rows.size());
    for (const ChannelValues &row : content.rows)
        rows.append(StandardPlans::checkRow(row));
    QList<Finding> findings;
    for (const PlanFinding &f : PlanCheck::run(rows, options))
        findings.append({ kindName(f.kind), f.text, f.rows });
    // What send refuses beside the channels (the plan check counts too many).
    if (content.rows.isEmpty())
        findings.append({ "noChannel", *sizeRefusal(content), {} });
    if (const auto refusal = content.panel ? panelRefusal(*content.panel) : std::nullopt)
        findings.append({ "panel", *refusal, {} });
    return findings;
}

QJsonObject findingsJson(const QString &inPath, const QList<Finding> &findings)
{
    QJsonArray list;
    for (const Finding &f : findings) {
        QJsonArray rows;
        for (const int row : f.rows)
            rows.append(row + 1);
        list.append(QJsonObject { { QStringLiteral("kind"), QLatin1String(f.kind) },
            { QStringLiteral("text"), f.text }, { QStringLiteral("rows"), rows } });
    }
    return { { QStringLiteral("file"), inPath }, { QStringLiteral("findings"), list } };
}

} // namespace

QList<CommandUsage> CheckPlanCommand::usages() const
{
    return { { "check-plan --in FILE", kSummary } };
}

int CheckPlanCommand::run(const CliContext &context)
{
    const QString inPath = context.value(QStringLiteral("in"));
    if (inPath.isEmpty())
        return context.fail(ExitUsage, phrases::kNeedsIn.text().arg(name()));
    PlanFileContent content;
    QString error;
    if (!readPlanInput(inPath, content, &error))
        return context.fail(
            ExitFileRefused, phrases::kRefused.text().arg(fileName(inPath, false), error));
    const QList<Finding> findings = findingsOf(context, content);
    const int rc = findings.isEmpty() ? ExitOk : ExitFileRefused;
    if (context.json())
        return context.printJson(findingsJson(inPath, findings), rc);
    for (const Finding &finding : findings.mid(0, kListedFindings))
        context.print(finding.text);
    if (findings.size() > kListedFindings)
        context.print(
            kMoreFindings.text().arg(findings.size() - kListedFindings).arg(findings.size()));
    return rc;
}

} // namespace plandor::cli
