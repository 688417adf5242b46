#include "ConvertCommand.h"

#include "CliPhrases.h"
#include "PlanValidation.h"
#include "StandardStreams.h"

#include "base/Language.h"
#include "store/PlanCsv.h"
#include "store/PlanFile.h"
#include "store/PlanHistory.h"

namespace plandor::cli {

namespace {

constexpr Phrase kSummary { u"频道表文件 <-> 表格（.csv），按扩展名",
    u"plan file <-> table (.csv), by extension" };
constexpr Phrase kNeedsBoth { u"convert 需要 --in FILE 和 --out FILE",
    u"convert needs --in FILE and --out FILE" };
constexpr Phrase kConverted { u"已将 %1 个频道转换到 %2", u"converted %1 channels into %2" };

bool isTable(const QString &path)
{
    return path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive);
}

// B written from A's content; false with the reason.
bool writeConverted(
    const QString &inPath, const QString &outPath, const PlanFileContent &content, QString *error)
{
    if (isTable(outPath))
        return PlanCsv::write(outPath, content.rows, LanguageOffset, error);
    PlanFileSource source = PlanHistory::fileSource(content.rows, content.panelOrBlank());
    if (!isTable(inPath))
        source.caption = content.caption;
    const PlanFile::Encoding encoding = PlanFile::encodingForLanguage(LanguageOffset);
    return isStandardStream(outPath)
        ? writeStandardOutput(PlanFile::format(source, encoding), error)
        : PlanFile::write(outPath, source, encoding, error);
}

} // namespace

QList<CommandUsage> ConvertCommand::usages() const
{
    return { { "convert --in A --out B", kSummary } };
}

int ConvertCommand::run(const CliContext &context)
{
    const QString inPath = context.value(QStringLiteral("in"));
    const QString outPath = context.value(QStringLiteral("out"));
    if (inPath.isEmpty() || outPath.isEmpty())
        return context.fail(ExitUsage, kNeedsBoth.text());
    PlanFileContent content;
    QString error;
    if (!readPlanInput(inPath, content, &error))
        return context.fail(
            ExitFileRefused, phrases::kRefused.text().arg(fileName(inPath, false), error));
    // What send refuses whatever the channels hold is not converted either;
    // a channel the rules refuse is, so that it can be mended in either form.
    if (const auto refusal = sizeRefusal(content))
        return context.fail(ExitFileRefused, phrases::kRefused.text().arg(inPath, *refusal));
    if (!writeConverted(inPath, outPath, content, &error))
        return context.fail(
            ExitFileRefused, phrases::kCannotWrite.text().arg(fileName(outPath, true), error));
    // Standard output holds the plan: the report goes beside it.
    context.report(kConverted.text().arg(content.rows.size()).arg(fileName(outPath, true)),
        isStandardStream(outPath));
    return ExitOk;
}

} // namespace plandor::cli
