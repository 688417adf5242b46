#include "ConvertCommand.h"

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
    const bool read = isTable(inPath) ? PlanCsv::read(inPath, content, &error)
                                      : PlanFile::read(inPath, content, &error);
    if (!read)
        return refuse(QStringLiteral("%1 refused: %2").arg(inPath, error));
    // What send refuses whatever the channels hold is not converted either;
    // a channel the rules refuse is, so that it can be mended in either form.
    if (const auto refusal = sizeRefusal(content))
        return refuse(QStringLiteral("%1 refused: %2").arg(inPath, *refusal));

    bool written = false;
    if (isTable(outPath)) {
        written = PlanCsv::write(outPath, content.rows, LanguageOffset, &error);
    } else {
        PlanFileSource source = PlanHistory::fileSource(content.rows, content.panelOrBlank());
        if (!isTable(inPath))
            source.caption = content.caption;
        written = PlanFile::write(
            outPath, source, PlanFile::encodingForLanguage(LanguageOffset), &error);
    }
    if (!written)
        return refuse(QStringLiteral("cannot write %1: %2").arg(outPath, error));
    std::printf("converted %lld channels into %s\n", static_cast<long long>(content.rows.size()),
        qPrintable(outPath));
    return kExitOk;
}

} // namespace plandor::cli
