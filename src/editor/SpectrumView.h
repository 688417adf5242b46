#pragma once

#include "editor/SpectrumBands.h"

#include <QColor>
#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

class QAbstractItemModel;
class QItemSelectionModel;

class QPainter;

namespace plandor {

// The plan as a band across the instrument's 46..1000 MHz: each channel from
// its lower to its upper edge (the band it occupies: a TV channel its whole
// channel, a DIGI one its bandwidth), TV and DIGI in two colours, overlapping channels in a warning
// colour, selected rows highlighted. Works on any model with the plan's five
// columns and follows every change of it. Wheel and +/- zoom, drag and
// Ctrl+Left/Right pan, Home shows the whole band, a click or Left/Right
// selects a channel's row.
class SpectrumView : public QWidget
{
    Q_OBJECT
public:
    static constexpr double kBandLower = 46.0;
    static constexpr double kBandUpper = 1000.0;
    static constexpr double kNarrowestView = 2.0; // MHz

    static const QColor kTvColour;
    static const QColor kDigiColour;
    static const QColor kOverlapColour;
    static const QColor kSelectedColour;

    explicit SpectrumView(QWidget *parent = nullptr);

    void setModel(QAbstractItemModel *model, QItemSelectionModel *selection);
    // The standards' rasters: a plan that follows one is drawn with its
    // channel bandwidths, and the overlaps it defines itself are not marked.
    void setRasters(const QList<PlanRaster> &rasters);

    double viewLower() const { return m_viewLower; }
    double viewUpper() const { return m_viewUpper; }
    void setViewRange(double lower, double upper);
    void zoom(double factor, double aroundFreq);

    // Between the widget's x and frequency in the current view.
    double frequencyAt(double x) const;
    double xAt(double freq) const;
    // The model row of the channel drawn at x (the one whose centre is
    // nearest when several are), -1 for none.
    int rowAt(double x);

    int channelCount();
    int overlapCount(); // channels that overlap another

    QSize sizeHint() const override { return { 600, 90 }; }
    QSize minimumSizeHint() const override { return { 200, 60 }; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool event(QEvent *event) override;

private:
    void planChanged();
    void selectionChanged();
    void rebuild();
    // The bands of the view (one colour a pixel column) with their names,
    // and the frequency axis below them.
    void paintBands(QPainter &painter, const QRect &area, double scale);
    void paintAxis(QPainter &painter, const QRect &area, double scale);
    void selectRow(int row);
    void stepSelection(int direction);
    QRect bandRect() const;
    int bandAt(double x); // index into m_plan.bands()

    QPointer<QAbstractItemModel> m_model;
    QPointer<QItemSelectionModel> m_selection;
    double m_viewLower = kBandLower;
    double m_viewUpper = kBandUpper;

    SpectrumBands m_plan;
    QList<PlanRaster> m_rasters;
    QList<char> m_rowSelected; // by model row
    bool m_dirty = true;
    bool m_rebuildQueued = false;

    QPoint m_pressPos;
    double m_pressLower = 0;
    bool m_dragging = false;
};

} // namespace plandor
