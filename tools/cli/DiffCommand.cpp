#include "DiffCommand.h"

#include "StandardStreams.h"

#include "store/PlanComparison.h"
#include "store/PlanFile.h"
#include "transfer/PlanRecords.h"
#include "transfer/PlanTransfer.h"

#include <QFileInfo>

#include <cstdio>
#include <optional>

namespace plandor::cli {
namespace {

enum DiffExit {
    Equal = 0,
    Different = 1,
    Usage = 2,
    Unreachable = 3,
    FileRefused = 4,
    TransferFailed = 5,
};

int fail(int code, const QString &message)
{
    std::fprintf(stderr, "plandor-cli: %s\n", qPrintable(message));
    return code;
}

// A plan to compare: its rows, and its panel when it has one (a table has
// none, nor has a plan file with a blank panel, as made from a table).
struct Side
{
    QString name;
    QList<ChannelValues> rows;
    std::optional<PanelTexts> panel;
};

std::optional<Side> readFile(const QString &path, QString *error)
{
    PlanFileContent content;
    if (!readPlanInput(path, content, error))
        return std::nullopt;
    return Side { isStandardStream(path) ? fileName(path, false) : QFileInfo(path).fileName(),
        content.rows, content.panel };
}

QString panelText(const FavoritesRecord &r)
{
    return QStringLiteral("favourites %1,%2,%3,%4,%5,%6 span %7 unit %8")
        .arg(r.Favorite1)
        .arg(r.Favorite2)
        .arg(r.Favorite3)
        .arg(r.Favorite4)
        .arg(r.Favorite5)
        .arg(r.Favorite6)
        .arg(r.Span)
        .arg(r.Unit == kUnitDbmV ? QStringLiteral("dBmV") : QStringLiteral("dBuV"));
}

} // namespace

int runDiff(DeviceLink *link, const QString &inPath, const QString &againstPath)
{
    if (inPath.isEmpty())
        return fail(Usage, QStringLiteral("diff needs --in FILE, and --port P or --against FILE"));
    QString error;
    const std::optional<Side> mine = readFile(inPath, &error);
    if (!mine)
        return fail(FileRefused, QStringLiteral("%1 refused: %2").arg(inPath, error));

    std::optional<Side> theirs;
    if (link) {
        PlanTransfer transfer(*link);
        if (!transfer.checkConnection())
            return fail(Unreachable,
                QStringLiteral("instrument unreachable: %1").arg(transfer.errorText()));
        const auto received = transfer.read();
        if (!received)
            return fail(TransferFailed,
                QStringLiteral("reading the plan failed: %1").arg(transfer.errorText()));
        theirs = Side { QStringLiteral("the instrument"), received->rows, received->panel };
    } else {
        theirs = readFile(againstPath, &error);
        if (!theirs)
            return fail(FileRefused, QStringLiteral("%1 refused: %2").arg(againstPath, error));
    }

    // What the second plan (the instrument's, or the --against file) would
    // have to change to become the first.
    const PlanComparison comparison(theirs->rows, mine->rows);
    QStringList lines = comparison.lines(theirs->name, mine->name);
    if (mine->panel && theirs->panel) {
        const FavoritesRecord a = PlanRecords::toFavorites(*theirs->panel);
        const FavoritesRecord b = PlanRecords::toFavorites(*mine->panel);
        if (!(a == b))
            lines.append(QStringLiteral("panel    %1 -> %2").arg(panelText(a), panelText(b)));
    }
    for (const QString &line : lines)
        std::printf("%s\n", qPrintable(line));
    if (lines.isEmpty()) {
        std::printf("%s and %s hold the same %lld channels\n", qPrintable(mine->name),
            qPrintable(theirs->name), static_cast<long long>(mine->rows.size()));
        return Equal;
    }
    std::printf("%lld differences\n", static_cast<long long>(lines.size()));
    return Different;
}

} // namespace plandor::cli
