#include "ConvertCommand.h"

#include "StandardStreams.h"

#include "PlanValidation.h"

#include "base/Language.h"
#include "store/PlanCsv.h"
#include "store/PlanFile.h"
#include "store/PlanHistory.h"

#include <cstdio>

namespace plandor::cli {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitUsage = 2;
constexpr int kExitFileRefused = 4;

bool isTable(const QString &path)
{
    return path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive);
}

int refuse(const QString &message)
{
    std::fprintf(stderr, "plandor-cli: %s\n", qPrintable(message));
    return kExitFileRefused;
}

} // namespace

int runConvert(const QString &inPath, const QString &outPath)
{
    if (inPath.isEmpty() || outPath.isEmpty()) {
        std::fprintf(stderr, "plandor-cli: convert needs --in FILE and --out FILE\n");
        return kExitUsage;
    }
    PlanFileContent content;
    QString error;
    if (!readPlanInput(inPath, content, &error))
        return refuse(QStringLiteral("%1 refused: %2").arg(fileName(inPath, false), error));
    // What send refuses whatever the channels hold is not converted either;
    // a channel the rules refuse is, so that it can be mended in either form.
    if (const auto refusal = sizeRefusal(content))
        return refuse(QStringLiteral("%1 refused: %2").arg(inPath, *refusal));

    bool written = false;
    const bool toOutput = isStandardStream(outPath);
    if (isTable(outPath)) {
        written = PlanCsv::write(outPath, content.rows, LanguageOffset, &error);
    } else {
        PlanFileSource source = PlanHistory::fileSource(content.rows, content.panelOrBlank());
        if (!isTable(inPath))
            source.caption = content.caption;
        const PlanFile::Encoding encoding = PlanFile::encodingForLanguage(LanguageOffset);
        written = toOutput ? writeStandardOutput(PlanFile::format(source, encoding), &error)
                           : PlanFile::write(outPath, source, encoding, &error);
    }
    if (!written)
        return refuse(QStringLiteral("cannot write %1: %2").arg(fileName(outPath, true), error));
    // Standard output holds the plan: the report goes beside it.
    std::fprintf(toOutput ? stderr : stdout, "converted %lld channels into %s\n",
        static_cast<long long>(content.rows.size()), qPrintable(fileName(outPath, true)));
    return kExitOk;
}

} // namespace plandor::cli
