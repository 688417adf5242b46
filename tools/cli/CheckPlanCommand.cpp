#include "CheckPlanCommand.h"

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
    if (!PlanFile::read(inPath, content, &error)) {
        std::fprintf(
            stderr, "plandor-cli: %s refused: %s\n", qPrintable(inPath), qPrintable(error));
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
    const QList<PlanFinding> findings = PlanCheck::run(rows, options);
    for (const PlanFinding &f : findings)
        std::printf("%s\n", qPrintable(f.text));
    std::fflush(stdout);
    return findings.isEmpty() ? kExitOk : kExitFindings;
}

} // namespace plandor::cli
