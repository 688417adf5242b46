#pragma once

#include "editor/SpectrumBands.h"
#include "rules/ChannelOccupancy.h"

#include <QList>
#include <QRectF>
#include <QString>
#include <QStringList>

class QAbstractItemModel;
class QPagedPaintDevice;
class QPainter;

namespace plandor {

// One box of the settings panel as it is printed: its heading and its text.
struct PrintedPanelLine
{
    QString heading;
    QString value;
};

// Everything a printed plan shows, as texts in the run's language: gathered
// once, so that the pages are laid out and drawn from one unchanging copy.
struct PrintedPlan
{
    QString caption; // the plan's caption, the document's title
    QString date;
    QString instrument; // empty when the instrument has not named itself
    QString panelTitle;
    QList<PrintedPanelLine> panel;
    QStringList headings; // the grid's columns
    QList<QStringList> rows; // each row's cells as the grid shows them
    SpectrumBands bands;
    QStringList findings; // the plan check's, one text each

    // The headings, rows, bands and findings of a model with the plan's five
    // columns, checked and drawn on the raster (among rasters) it follows.
    static PrintedPlan fromModel(const QAbstractItemModel &model, const QList<PlanRaster> &rasters);
};

// The printed plan on the pages of any paged device (a printer, the print
// preview's, a PDF writer): a title block with the panel and the spectrum,
// the channel table with its heading row on every page it reaches, then the
// plan check's findings (a full plan has hundreds of overlaps, which must not
// push the table back); each page numbered "page n of m". Sizes are in
// millimetres and points, so that every device's resolution draws the same
// pages.
class PlanPrintDocument
{
public:
    explicit PlanPrintDocument(PrintedPlan plan);

    // A4 with the document's margins: what a PDF and a new printer start with.
    static void preparePage(QPagedPaintDevice &device);

    // The pages laid out for the device's page; each holds the channel rows
    // [firstRow, firstRow + rowCount).
    struct PageRows
    {
        int firstRow = 0;
        int rowCount = 0;
    };
    QList<PageRows> paginate(QPagedPaintDevice &device) const;
    // Draws the pages fromPage..toPage (1-based; 0 for the first or the
    // last); false when the device would not be painted on.
    bool print(QPagedPaintDevice &device, int fromPage = 0, int toPage = 0) const;
    // The whole document as PDF bytes on A4, or empty when it failed.
    QByteArray pdf() const;

    const PrintedPlan &plan() const { return m_plan; }

private:
    enum class Kind { Title, Info, Heading, Panel, Spectrum, Finding, TableHeader, Row };
    struct Item
    {
        Kind kind;
        QRectF rect; // in device pixels, within the paint rectangle
        int index = -1; // a finding's or row's
        QString text;
    };
    struct Page
    {
        QList<Item> items;
        PageRows rows;
    };
    struct PageFlow;
    QList<Page> layOut(QPagedPaintDevice &device) const;
    void layOutTitleBlock(PageFlow &flow) const;
    void layOutTable(PageFlow &flow) const;
    void layOutFindings(PageFlow &flow) const;
    void paintItem(QPainter &painter, const Item &item, double mm) const;
    void paintPanel(QPainter &painter, const QRectF &area, double mm) const;
    void paintRow(QPainter &painter, const QRectF &rect, const QStringList &cells, double mm) const;
    void paintSpectrum(QPainter &painter, const QRectF &area, double mm) const;
    void paintSpectrumLegend(QPainter &painter, double left, double top, double mm) const;
    void paintFooter(QPainter &painter, const QRectF &page, double mm, int number, int count) const;

    PrintedPlan m_plan;
};

} // namespace plandor
