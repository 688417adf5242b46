#include "CheckPlanCommand.h"

#include "StandardStreams.h"

#include "PlanValidation.h"

#include "rules/PlanCheck.h"
#include "store/PlanFile.h"
#include "store/StandardPlans.h"

#include <cstdio>

namespace plandor::cli {

namespace {
constexpr int kExitOk = 0;
constexpr int kExitUsage = 2;
constexpr int kExitFindings = 4;
} // namespace

int runCheckPlan(const QString &inPath)
{
    if (inPath.isEmpty()) {
        std::fprintf(stderr, "plandor-cli: check-plan needs --in FILE\n");
        return kExitUsage;
    }
    PlanFileContent content;
    QString error;
    if (!readPlanInput(inPath, content, &error)) {
        std::fprintf(stderr, "plandor-cli: %s refused: %s\n", qPrintable(fileName(inPath, false)),
            qPrintable(error));
        return kExitFindings;
    }
    PlanCheckOptions options;
    StandardPlans standards;
    if (standards.load(&error))
        options.rasters = standards.rasters();
    else
        std::fprintf(stderr, "plandor-cli: no raster check (%s)\n", qPrintable(error));

    QList<PlanCheckRow> rows;
    rows.reserve(content.rows.size());
    for (const ChannelValues &row : content.rows)
        rows.append(StandardPlans::checkRow(row));
    QStringList findings;
    for (const PlanFinding &f : PlanCheck::run(rows, options))
        findings.append(f.text);
    // What send refuses beside the channels (the plan check counts too many).
    if (content.rows.isEmpty())
        findings.append(*sizeRefusal(content));
    if (const auto refusal = content.panel ? panelRefusal(*content.panel) : std::nullopt)
        findings.append(*refusal);

    for (const QString &finding : findings.mid(0, kListedFindings))
        std::printf("%s\n", qPrintable(finding));
    if (findings.size() > kListedFindings)
        std::printf("... and %lld more findings (%lld in all)\n",
            static_cast<long long>(findings.size() - kListedFindings),
            static_cast<long long>(findings.size()));
    std::fflush(stdout);
    return findings.isEmpty() ? kExitOk : kExitFindings;
}

} // namespace plandor::cli
