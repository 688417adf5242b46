#include "editor/PlanPrintDocument.h"

#include "base/Phrase.h"
#include "base/TextCatalogue.h"
#include "editor/PlanCheckList.h"
#include "editor/SpectrumView.h"
#include "rules/PlanCheck.h"
#include "store/ChannelColumns.h"

#include <QAbstractItemModel>
#include <QBuffer>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <cmath>

namespace plandor {
namespace {

constexpr Phrase kPrinted { u"打印时间：%1", u"Printed %1" };
constexpr Phrase kInstrument { u"仪表：%1", u"Instrument: %1" };
constexpr Phrase kSpectrum { u"频谱（46 至 1000 MHz）", u"Spectrum (46 to 1000 MHz)" };
constexpr Phrase kLegendTv { u"TV：%1", u"TV: %1" };
constexpr Phrase kLegendDigi { u"DIGI：%1", u"DIGI: %1" };
constexpr Phrase kLegendOverlap { u"重叠：%1", u"Overlapping: %1" };
constexpr Phrase kCheck { u"频道表检查：%1 个问题", u"Plan check: %1 findings" };
constexpr Phrase kCheckOne { u"频道表检查：1 个问题", u"Plan check: 1 finding" };
constexpr Phrase kNoFindings { u"频道表检查没有发现问题。",
    u"The plan check found nothing to report." };
constexpr Phrase kChannels { u"频道：%1 个", u"Channels: %1" };
constexpr Phrase kPage { u"第 %1 页，共 %2 页", u"Page %1 of %2" };

// The page in millimetres and the type in points.
constexpr double kMargin = 15;
constexpr double kFooter = 9;
constexpr double kGap = 4;
constexpr double kRowHeight = 5;
constexpr double kHeaderHeight = 6.5;
constexpr double kPanelLine = 5;
constexpr double kBandHeight = 14;
constexpr double kAxisHeight = 6;
constexpr double kLegendHeight = 6;
constexpr double kFindingIndent = 4;
constexpr double kLine = 0.2;

constexpr double kTitlePoints = 15;
constexpr double kHeadingPoints = 11;
constexpr double kBodyPoints = 9;
constexpr double kSmallPoints = 8;

const QColor kRule { 0x80, 0x80, 0x80 };
const QColor kHeaderFill { 0xdd, 0xdd, 0xdd };
const QColor kStripeFill { 0xf3, 0xf3, 0xf3 };
const QColor kBandFill { 0xf6, 0xf6, 0xf6 };
const QColor kGrey { 0x55, 0x55, 0x55 };

QFont font(double points, bool bold = false)
{
    QFont f = QGuiApplication::font();
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

// A line of type as tall as the device draws it, with a little leading.
double lineHeight(const QFont &f, QPaintDevice &device, double leading = 1.3)
{
    return QFontMetricsF(f, &device).height() * leading;
}

// Where a frequency lies across the spectrum's band, clamped to its ends.
double xAt(const QRectF &band, double freq)
{
    constexpr double lower = SpectrumView::kBandLower;
    constexpr double upper = SpectrumView::kBandUpper;
    return band.left() + (std::clamp(freq, lower, upper) - lower) / (upper - lower) * band.width();
}

// Under the band: a tick and its frequency every 100 MHz, and the band's ends.
void paintAxis(QPainter &painter, const QRectF &band, double mm)
{
    constexpr double lower = SpectrumView::kBandLower;
    constexpr double upper = SpectrumView::kBandUpper;
    painter.setFont(font(kSmallPoints));
    const QFontMetricsF metrics(painter.font(), painter.device());
    QList<int> ticks { int(lower) };
    for (int f = 100; f <= int(upper); f += 100)
        ticks.append(f);
    for (const int f : ticks) {
        const double x = xAt(band, f);
        painter.setPen(QPen(kRule, kLine * mm));
        painter.drawLine(QPointF(x, band.bottom()), QPointF(x, band.bottom() + 1.2 * mm));
        const QString label
            = f == int(upper) ? QStringLiteral("%1 MHz").arg(f) : QString::number(f);
        const double labelWidth = metrics.horizontalAdvance(label);
        const double left = std::clamp(x - labelWidth / 2, band.left(), band.right() - labelWidth);
        painter.setPen(kGrey);
        painter.drawText(QRectF(left, band.bottom() + 1.2 * mm, labelWidth + mm, kAxisHeight * mm),
            Qt::AlignLeft | Qt::AlignTop, label);
    }
}

} // namespace

PrintedPlan PrintedPlan::fromModel(
    const QAbstractItemModel &model, const QList<PlanRaster> &rasters)
{
    PrintedPlan plan;
    for (int column = 0; column < kChannelColumnCount; ++column) {
        const QString heading = model.headerData(column, Qt::Horizontal).toString().trimmed();
        plan.headings.append(heading.isEmpty() ? ChannelColumns::fieldName(column) : heading);
    }
    plan.rows.reserve(model.rowCount());
    for (int row = 0; row < model.rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < kChannelColumnCount; ++column)
            cells.append(model.index(row, column).data().toString());
        plan.rows.append(cells);
    }
    plan.bands.read(model, rasters);
    // Checked as the plan check list checks it, so the paper says what the window does.
    PlanCheckOptions options;
    options.rasters = rasters;
    for (const PlanFinding &finding : PlanCheck::run(PlanCheckList::rowsOf(model), options))
        plan.findings.append(finding.text);
    return plan;
}

PlanPrintDocument::PlanPrintDocument(PrintedPlan plan)
    : m_plan(std::move(plan))
{ }

void PlanPrintDocument::preparePage(QPagedPaintDevice &device)
{
    device.setPageSize(QPageSize(QPageSize::A4));
    device.setPageOrientation(QPageLayout::Portrait);
    device.setPageMargins(QMarginsF(kMargin, kMargin, kMargin, kMargin), QPageLayout::Millimeter);
}

// The pages as they fill from the top: where the next item goes, and a new
// page when it does not fit.
struct PlanPrintDocument::PageFlow
{
    explicit PageFlow(QPagedPaintDevice &on)
        : device(on)
        , mm(on.logicalDpiY() / 25.4)
        , width(on.width())
        , bottom(on.height() - kFooter * mm)
        , headingHeight(lineHeight(font(kHeadingPoints, true), on, 1.5))
    { }

    void newPage()
    {
        pages.append(Page {});
        y = 0;
    }
    // An item goes on the next page when it (and what must stay with it)
    // does not fit, unless the page is still empty.
    void place(
        Kind kind, double height, const QString &text = {}, int index = -1, double keepWith = 0)
    {
        if (y > 0 && y + height + keepWith > bottom)
            newPage();
        pages.last().items.append({ kind, QRectF(0, y, width, height), index, text });
        y += height;
    }
    void gap() { y += kGap * mm; }

    QPagedPaintDevice &device;
    const double mm;
    const double width;
    const double bottom;
    const double headingHeight;
    QList<Page> pages { Page {} };
    double y = 0;
};

QList<PlanPrintDocument::Page> PlanPrintDocument::layOut(QPagedPaintDevice &device) const
{
    PageFlow flow(device);
    layOutTitleBlock(flow);
    layOutTable(flow);
    layOutFindings(flow);
    return flow.pages;
}

// The title, the printing's date and instrument, the panel and the spectrum.
void PlanPrintDocument::layOutTitleBlock(PageFlow &flow) const
{
    const double mm = flow.mm;
    flow.place(Kind::Title, lineHeight(font(kTitlePoints, true), flow.device), m_plan.caption);
    QStringList info { kPrinted.text().arg(m_plan.date) };
    if (!m_plan.instrument.isEmpty())
        info.append(kInstrument.text().arg(m_plan.instrument));
    flow.place(Kind::Info, lineHeight(font(kSmallPoints), flow.device, 1.6),
        info.join(QStringLiteral("    ")));
    flow.gap();

    const double panelHeight = double((m_plan.panel.size() + 1) / 2) * kPanelLine * mm;
    flow.place(Kind::Heading, flow.headingHeight, m_plan.panelTitle, -1, panelHeight);
    flow.place(Kind::Panel, panelHeight);
    flow.gap();

    const double spectrumHeight = (kBandHeight + kAxisHeight + kLegendHeight) * mm;
    flow.place(Kind::Heading, flow.headingHeight, kSpectrum.text(), -1, spectrumHeight);
    flow.place(Kind::Spectrum, spectrumHeight);
    flow.gap();
}

void PlanPrintDocument::layOutTable(PageFlow &flow) const
{
    const double rowHeight = kRowHeight * flow.mm;
    const double headerHeight = kHeaderHeight * flow.mm;
    flow.place(Kind::Heading, flow.headingHeight, kChannels.text().arg(m_plan.rows.size()), -1,
        headerHeight + rowHeight);
    // The heading row opens the table on every page it reaches.
    qsizetype headerPage = -1;
    for (int row = 0; row < m_plan.rows.size() || headerPage < 0; ++row) {
        if (flow.y > 0 && flow.y + rowHeight > flow.bottom)
            flow.newPage();
        if (headerPage != flow.pages.size() - 1) {
            flow.place(Kind::TableHeader, headerHeight, {}, -1, rowHeight);
            headerPage = flow.pages.size() - 1;
        }
        if (row >= m_plan.rows.size())
            break; // an empty plan: the heading row alone
        PageRows &rows = flow.pages.last().rows;
        if (rows.rowCount == 0)
            rows.firstRow = row;
        ++rows.rowCount;
        flow.place(Kind::Row, rowHeight, {}, row);
    }
    flow.gap();
}

void PlanPrintDocument::layOutFindings(PageFlow &flow) const
{
    const qsizetype findings = m_plan.findings.size();
    const QString checkTitle = findings == 1 ? kCheckOne.text() : kCheck.text().arg(findings);
    const QFontMetricsF bodyMetrics(font(kBodyPoints), &flow.device);
    const auto findingHeight = [&](const QString &text) {
        const QRectF room(0, 0, flow.width - kFindingIndent * flow.mm, flow.bottom);
        return bodyMetrics.boundingRect(room, Qt::TextWordWrap, text).height() + 1.0 * flow.mm;
    };
    const QString first = findings > 0 ? m_plan.findings.first() : kNoFindings.text();
    flow.place(Kind::Heading, flow.headingHeight, checkTitle, -1, findingHeight(first));
    if (findings == 0)
        flow.place(Kind::Finding, findingHeight(first), first);
    for (int i = 0; i < findings; ++i)
        flow.place(Kind::Finding, findingHeight(m_plan.findings[i]), m_plan.findings[i], i);
}

QList<PlanPrintDocument::PageRows> PlanPrintDocument::paginate(QPagedPaintDevice &device) const
{
    QList<PageRows> result;
    for (const Page &page : layOut(device))
        result.append(page.rows);
    return result;
}

bool PlanPrintDocument::print(QPagedPaintDevice &device, int fromPage, int toPage) const
{
    const QList<Page> pages = layOut(device);
    const int count = int(pages.size());
    const int first = std::clamp(fromPage > 0 ? fromPage : 1, 1, count);
    const int last = std::clamp(toPage > 0 ? toPage : count, first, count);
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    const double mm = device.logicalDpiY() / 25.4;
    const QRectF area(0, 0, device.width(), device.height());
    for (int number = first; number <= last; ++number) {
        if (number > first && !device.newPage())
            return false;
        for (const Item &item : pages[number - 1].items)
            paintItem(painter, item, mm);
        paintFooter(painter, area, mm, number, count);
    }
    return painter.end();
}

QByteArray PlanPrintDocument::pdf() const
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly))
        return {};
    {
        QPdfWriter writer(&buffer);
        preparePage(writer);
        writer.setTitle(m_plan.caption.trimmed());
        writer.setCreator(ProgramTitleWithVersion());
        if (!print(writer))
            return {};
    } // the writer finishes the file as it goes
    return bytes;
}

void PlanPrintDocument::paintItem(QPainter &painter, const Item &item, double mm) const
{
    const QRectF &r = item.rect;
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    switch (item.kind) {
    case Kind::Title:
    case Kind::Info:
    case Kind::Heading: {
        const QFont f = item.kind == Kind::Title ? font(kTitlePoints, true)
            : item.kind == Kind::Info            ? font(kSmallPoints)
                                                 : font(kHeadingPoints, true);
        painter.setFont(f);
        if (item.kind == Kind::Info)
            painter.setPen(kGrey);
        const QString text = QFontMetricsF(f, painter.device())
                                 .elidedText(item.text.trimmed(), Qt::ElideRight, r.width());
        painter.drawText(r, Qt::AlignLeft | Qt::AlignVCenter, text);
        if (item.kind == Kind::Heading) {
            painter.setPen(QPen(kRule, kLine * mm));
            painter.drawLine(r.bottomLeft(), r.bottomRight());
        }
        break;
    }
    case Kind::Panel:
        paintPanel(painter, r, mm);
        break;
    case Kind::Spectrum:
        paintSpectrum(painter, r, mm);
        break;
    case Kind::Finding:
        painter.setFont(font(kBodyPoints));
        if (item.index >= 0)
            painter.drawText(QRectF(r.left(), r.top(), kFindingIndent * mm, r.height()),
                Qt::AlignLeft | Qt::AlignTop, QStringLiteral("•"));
        painter.drawText(r.adjusted(kFindingIndent * mm, 0, 0, 0),
            Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, item.text);
        break;
    case Kind::TableHeader:
        painter.fillRect(r, kHeaderFill);
        painter.setFont(font(kBodyPoints, true));
        paintRow(painter, r, m_plan.headings, mm);
        break;
    case Kind::Row:
        if (item.index % 2 == 1)
            painter.fillRect(r, kStripeFill);
        painter.setFont(font(kBodyPoints));
        paintRow(painter, r, m_plan.rows[item.index], mm);
        break;
    }
}

// Two columns of "heading  value", in the panel's own order.
void PlanPrintDocument::paintPanel(QPainter &painter, const QRectF &area, double mm) const
{
    const double column = area.width() / 2;
    const double line = kPanelLine * mm;
    for (int i = 0; i < m_plan.panel.size(); ++i) {
        const QRectF cell(
            area.left() + (i % 2) * column, area.top() + (i / 2) * line, column, line);
        const QRectF headingRect = cell.adjusted(0, 0, -0.35 * column, 0);
        painter.setFont(font(kBodyPoints));
        painter.setPen(kGrey);
        painter.drawText(headingRect, Qt::AlignLeft | Qt::AlignVCenter,
            QFontMetricsF(painter.font(), painter.device())
                .elidedText(
                    m_plan.panel[i].heading.trimmed(), Qt::ElideRight, headingRect.width() - mm));
        painter.setFont(font(kBodyPoints, true));
        painter.setPen(Qt::black);
        painter.drawText(cell.adjusted(0.65 * column, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
            m_plan.panel[i].value);
    }
}

void PlanPrintDocument::paintRow(
    QPainter &painter, const QRectF &rect, const QStringList &cells, double mm) const
{
    // The grid's columns: all as wide, the texts centred.
    const double column = rect.width() / kChannelColumnCount;
    const QFontMetricsF metrics(painter.font(), painter.device());
    painter.setPen(Qt::black);
    for (int i = 0; i < kChannelColumnCount && i < cells.size(); ++i) {
        const QRectF cell(rect.left() + i * column, rect.top(), column, rect.height());
        painter.drawText(
            cell, Qt::AlignCenter, metrics.elidedText(cells[i], Qt::ElideRight, column - 2 * mm));
    }
    painter.setPen(QPen(kRule, kLine * mm));
    painter.drawLine(rect.bottomLeft(), rect.bottomRight());
}

void PlanPrintDocument::paintSpectrum(QPainter &painter, const QRectF &area, double mm) const
{
    const QRectF band(area.left(), area.top(), area.width(), kBandHeight * mm);
    painter.fillRect(band, kBandFill);
    // The overlaps last, so that none hides under a neighbour. The table
    // names the channels; names here would only be too small to read.
    for (const bool overlapping : { false, true }) {
        for (const SpectrumBand &b : m_plan.bands.bands()) {
            if (b.overlapping != overlapping)
                continue;
            const QColor colour = overlapping ? SpectrumView::kOverlapColour
                : b.digital                   ? SpectrumView::kDigiColour
                                              : SpectrumView::kTvColour;
            const double left = xAt(band, b.lower);
            const double width = std::max(xAt(band, b.upper) - left, 0.3 * mm);
            painter.fillRect(QRectF(left, band.top(), width, band.height()), colour);
        }
    }
    painter.setPen(QPen(kRule, kLine * mm));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(band);
    paintAxis(painter, band, mm);
    paintSpectrumLegend(painter, area.left(), band.bottom() + kAxisHeight * mm, mm);
}

// A swatch of each colour with its count.
void PlanPrintDocument::paintSpectrumLegend(
    QPainter &painter, double left, double top, double mm) const
{
    int tv = 0;
    int digi = 0;
    for (const SpectrumBand &b : m_plan.bands.bands())
        ++(b.digital ? digi : tv);
    const std::pair<QColor, QString> legend[] = {
        { SpectrumView::kTvColour, kLegendTv.text().arg(tv) },
        { SpectrumView::kDigiColour, kLegendDigi.text().arg(digi) },
        { SpectrumView::kOverlapColour, kLegendOverlap.text().arg(m_plan.bands.overlapCount()) },
    };
    painter.setFont(font(kSmallPoints));
    const QFontMetricsF metrics(painter.font(), painter.device());
    double x = left;
    const double swatch = 3 * mm;
    for (const auto &[colour, text] : legend) {
        painter.fillRect(
            QRectF(x, top + (kLegendHeight * mm - swatch) / 2, swatch, swatch), colour);
        x += swatch + mm;
        painter.setPen(Qt::black);
        const double textWidth = metrics.horizontalAdvance(text);
        painter.drawText(QRectF(x, top, textWidth + mm, kLegendHeight * mm),
            Qt::AlignLeft | Qt::AlignVCenter, text);
        x += textWidth + 6 * mm;
    }
}

void PlanPrintDocument::paintFooter(
    QPainter &painter, const QRectF &page, double mm, int number, int count) const
{
    const QRectF footer(
        page.left(), page.bottom() - kFooter * mm * 0.6, page.width(), kFooter * mm * 0.6);
    painter.setPen(QPen(kRule, kLine * mm));
    painter.drawLine(footer.topLeft(), footer.topRight());
    painter.setFont(font(kSmallPoints));
    painter.setPen(kGrey);
    const QString pageText = kPage.text().arg(number).arg(count);
    const QFontMetricsF metrics(painter.font(), painter.device());
    const double pageWidth = metrics.horizontalAdvance(pageText) + mm;
    painter.drawText(footer.adjusted(0, 0, -pageWidth - 4 * mm, 0),
        Qt::AlignLeft | Qt::AlignVCenter,
        metrics.elidedText(
            m_plan.caption.trimmed(), Qt::ElideRight, footer.width() - pageWidth - 4 * mm));
    painter.drawText(footer, Qt::AlignRight | Qt::AlignVCenter, pageText);
}

} // namespace plandor
