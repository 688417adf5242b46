#include "ReadCommand.h"

#include "CliPhrases.h"
#include "InstrumentSession.h"
#include "PlanJson.h"
#include "StandardStreams.h"

#include "base/Language.h"
#include "base/TextCatalogue.h"
#include "store/PlanFile.h"

namespace plandor::cli {

namespace {

constexpr Phrase kSummary { u"将频道表和设置面板读入频道表文件",
    u"read the plan and panel into a plan file" };
constexpr Phrase kNeedsOut { u"read 需要 --out FILE", u"read needs --out FILE" };
constexpr Phrase kOutWithJson { u"read --json 把频道表写到标准输出：不能同时使用 --out -",
    u"read --json puts the plan on standard output: --out - cannot go with it" };
constexpr Phrase kReading { u"读取中", u"reading" };
constexpr Phrase kRead { u"已读取 %1 个频道到 %2", u"read %1 channels into %2" };

// The plan as the window saves a plan it read: the run's captions and labels.
PlanFileSource fileSource(const PlanTransfer::ReceivedPlan &received)
{
    PlanFileSource source;
    source.caption = CatalogueText(15);
    source.rows = received.rows;
    const qint16 labelIds[6] = { 61, 62, 63, 64, 69, 70 };
    for (int i = 0; i < 6; ++i)
        source.favoriteLabels[i] = CatalogueText(labelIds[i]);
    source.unitLabel = CatalogueText(1);
    source.panel = received.panel;
    return source;
}

int writePlan(
    const CliContext &context, const QString &outPath, const PlanTransfer::ReceivedPlan &received)
{
    const PlanFileSource source = fileSource(received);
    // Names the run's code page cannot hold are kept, in UTF-8 with a byte-order mark.
    PlanFile::Encoding encoding = PlanFile::encodingForLanguage(LanguageOffset);
    if (!PlanFile::loss(source, encoding).isEmpty())
        encoding = PlanFile::Encoding::Utf8Bom;
    QString error;
    const bool written = isStandardStream(outPath)
        ? writeStandardOutput(PlanFile::format(source, encoding), &error)
        : PlanFile::write(outPath, source, encoding, &error);
    if (!written)
        return context.fail(
            ExitFileRefused, phrases::kCannotWrite.text().arg(fileName(outPath, true), error));
    return ExitOk;
}

} // namespace

QList<CommandUsage> ReadCommand::usages() const
{
    return { { "read --port P --out FILE", kSummary } };
}

QStringList ReadCommand::options() const
{
    return { QStringLiteral("port"), QStringLiteral("baud"), QStringLiteral("out") };
}

int ReadCommand::run(const CliContext &context)
{
    const QString outPath = context.value(QStringLiteral("out"));
    if (!context.json() && outPath.isEmpty())
        return context.fail(ExitUsage, kNeedsOut.text());
    if (context.json() && isStandardStream(outPath))
        return context.fail(ExitUsage, kOutWithJson.text());
    InstrumentSession session(context);
    QString error;
    if (!session.open(&error))
        return context.fail(ExitUsage, error);
    if (const int rc = session.checkConnection())
        return rc;
    session.showProgress(kReading);
    PlanTransfer transfer(session.link());
    const LinkResult<PlanTransfer::ReceivedPlan> received = transfer.read();
    session.clearProgress();
    if (!received)
        return context.fail(
            ExitTransferFailed, phrases::kReadingFailed.text().arg(received.errorText()));
    if (!outPath.isEmpty()) {
        if (const int rc = writePlan(context, outPath, *received))
            return rc;
    }
    session.keepInHistory(PlanHistory::Direction::Received, received->rows, received->panel);
    if (context.json())
        return context.printJson({ { QStringLiteral("port"), session.link().deviceName() },
                                     { QStringLiteral("channels"), channelsJson(received->rows) },
                                     { QStringLiteral("panel"), panelJson(received->panel) } },
            ExitOk);
    // Standard output holds the plan: the report goes beside it.
    context.report(kRead.text().arg(received->rows.size()).arg(fileName(outPath, true)),
        isStandardStream(outPath));
    return ExitOk;
}

} // namespace plandor::cli
