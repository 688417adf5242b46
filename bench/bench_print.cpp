// What a PDF of a full plan costs: 255 channels (every neighbour
// overlapping, so with 254 findings) gathered from a table model, laid out
// and written on A4, in English and in Chinese. Prints milliseconds (median
// and slowest of several runs), pages and bytes.
// Usage: bench_print [runs]
#include "base/Language.h"
#include "editor/PlanPrintDocument.h"
#include "store/ChannelColumns.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QPdfWriter>
#include <QStandardItemModel>

#include <algorithm>
#include <cmath>
#include <cstdio>

using namespace plandor;

namespace {

// The plan's five columns as the grid shows them.
void fill(QStandardItemModel &model)
{
    model.setColumnCount(kChannelColumnCount);
    for (int i = 0; i < 255; ++i) {
        const double freq = std::round((48 + 3.74 * i) * 100) / 100;
        model.appendRow({ new QStandardItem(QString::number(i + 1)),
            new QStandardItem(QChar(u'A' + i / 10) + QString::number(i % 10)),
            new QStandardItem(QStringLiteral("DIGI")),
            new QStandardItem(QString::number(freq, 'f', 2)),
            new QStandardItem(QStringLiteral("4.00")) });
    }
}

PrintedPlan printed(const QStandardItemModel &model)
{
    PrintedPlan plan = PrintedPlan::fromModel(model, {});
    plan.caption = QStringLiteral("Full plan");
    plan.date = QStringLiteral("2026-01-01 12:00");
    plan.panelTitle = QStringLiteral("Favorites / Tilt");
    for (int slot = 0; slot < 6; ++slot)
        plan.panel.append({ QStringLiteral("Favorite %1").arg(slot + 1), QString::number(slot) });
    return plan;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 9;
    QStandardItemModel model;
    fill(model);
    for (const qint16 language : { kEnglishOffset, kChineseOffset }) {
        LanguageOffset = language;
        QList<double> times;
        QByteArray pdf;
        for (int run = 0; run < runs; ++run) {
            QElapsedTimer timer;
            timer.start();
            pdf = PlanPrintDocument(printed(model)).pdf();
            times.append(timer.nsecsElapsed() / 1e6);
        }
        std::sort(times.begin(), times.end());
        QBuffer unused;
        unused.open(QIODevice::WriteOnly);
        QPdfWriter writer(&unused);
        PlanPrintDocument::preparePage(writer);
        const auto pages = PlanPrintDocument(printed(model)).paginate(writer).size();
        std::printf("PDF of 255 channels (%s): %.1f ms median, %.1f ms slowest of %d; "
                    "%lld pages, %lld bytes\n",
            language == kEnglishOffset ? "English" : "Chinese", times[times.size() / 2],
            times.last(), runs, static_cast<long long>(pages), static_cast<long long>(pdf.size()));
    }
    return 0;
}
