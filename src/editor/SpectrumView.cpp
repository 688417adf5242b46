#include "editor/SpectrumView.h"

#include "editor/TextContrast.h"

#include "base/Phrase.h"
#include "store/ChannelColumns.h"

#include <QAbstractItemModel>
#include <QHelpEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QTimer>
#include <QToolTip>
#include <QVarLengthArray>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace plandor {
namespace {

constexpr Phrase kSpectrumName { u"频谱", u"Spectrum" };
constexpr Phrase kDescription { u"%1 个频道，%2 个与其他频道重叠，占用 %3 至 %4 MHz",
    u"%1 channels, %2 overlapping another, spanning %3 to %4 MHz" };
constexpr Phrase kNoChannels { u"没有频道", u"No channels" };
constexpr Phrase kBandTip { u"%1  %2  中心 %3 MHz，占用 %4 MHz 带宽（第 %5 行）",
    u"%1  %2  centre %3 MHz, %4 MHz wide (row %5)" };
constexpr Phrase kAxisUnit { u"%1 MHz", u"%1 MHz" };

constexpr int kAxisHeight = 16;
constexpr int kMargin = 3;
constexpr int kDragThreshold = 3;
constexpr double kZoomStep = 0.8;

QString mhz(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

} // namespace

const QColor SpectrumView::kTvColour { 70, 120, 190 };
const QColor SpectrumView::kDigiColour { 40, 160, 100 };
const QColor SpectrumView::kOverlapColour { 215, 50, 40 };
const QColor SpectrumView::kSelectedColour { 250, 190, 30 };

SpectrumView::SpectrumView(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("spectrumView"));
    setAccessibleName(kSpectrumName.text());
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAutoFillBackground(false);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void SpectrumView::setModel(QAbstractItemModel *model, QItemSelectionModel *selection)
{
    if (m_model)
        disconnect(m_model, nullptr, this, nullptr);
    if (m_selection)
        disconnect(m_selection, nullptr, this, nullptr);
    m_model = model;
    m_selection = selection;
    if (model) {
        connect(model, &QAbstractItemModel::dataChanged, this, &SpectrumView::planChanged);
        connect(model, &QAbstractItemModel::rowsInserted, this, &SpectrumView::planChanged);
        connect(model, &QAbstractItemModel::rowsRemoved, this, &SpectrumView::planChanged);
        connect(model, &QAbstractItemModel::rowsMoved, this, &SpectrumView::planChanged);
        connect(model, &QAbstractItemModel::modelReset, this, &SpectrumView::planChanged);
        connect(model, &QAbstractItemModel::layoutChanged, this, &SpectrumView::planChanged);
    }
    if (selection) {
        connect(selection, &QItemSelectionModel::selectionChanged, this,
            &SpectrumView::selectionChanged);
        connect(
            selection, &QItemSelectionModel::currentChanged, this, &SpectrumView::selectionChanged);
    }
    planChanged();
}

void SpectrumView::planChanged()
{
    m_dirty = true;
    // Many changes in one go (a paste, an open) rebuild once.
    if (!m_rebuildQueued) {
        m_rebuildQueued = true;
        QTimer::singleShot(0, this, [this] {
            m_rebuildQueued = false;
            if (m_dirty)
                rebuild();
        });
    }
    update();
}

void SpectrumView::selectionChanged()
{
    if (m_dirty) {
        update();
        return;
    }
    m_rowSelected.fill(0);
    if (m_selection) {
        for (const QItemSelectionRange &range : m_selection->selection()) {
            for (int r = range.top(); r <= range.bottom() && r < m_rowSelected.size(); ++r)
                m_rowSelected[r] = 1;
        }
    }
    update();
}

void SpectrumView::setRasters(const QList<PlanRaster> &rasters)
{
    m_rasters = rasters;
    planChanged();
}

void SpectrumView::rebuild()
{
    m_dirty = false;
    if (m_model)
        m_plan.read(*m_model, m_rasters);
    else
        m_plan = {};
    m_rowSelected = QList<char>(m_model ? m_model->rowCount() : 0, 0);
    selectionChanged();

    const int count = int(m_plan.bands().size());
    setAccessibleDescription(count == 0 ? kNoChannels.text()
                                        : kDescription.text()
                                              .arg(count)
                                              .arg(m_plan.overlapCount())
                                              .arg(mhz(m_plan.lowest()), mhz(m_plan.highest())));
}

int SpectrumView::channelCount()
{
    if (m_dirty)
        rebuild();
    return int(m_plan.bands().size());
}

int SpectrumView::overlapCount()
{
    if (m_dirty)
        rebuild();
    return m_plan.overlapCount();
}

QRect SpectrumView::bandRect() const
{
    return QRect(0, kMargin, width(), std::max(1, height() - kAxisHeight - 2 * kMargin));
}

double SpectrumView::frequencyAt(double x) const
{
    return m_viewLower + x * (m_viewUpper - m_viewLower) / std::max(1, width());
}

double SpectrumView::xAt(double freq) const
{
    return (freq - m_viewLower) * std::max(1, width()) / (m_viewUpper - m_viewLower);
}

void SpectrumView::setViewRange(double lower, double upper)
{
    double span = std::clamp(upper - lower, kNarrowestView, kBandUpper - kBandLower);
    lower = std::clamp(lower, kBandLower, kBandUpper - span);
    m_viewLower = lower;
    m_viewUpper = lower + span;
    update();
}

void SpectrumView::zoom(double factor, double aroundFreq)
{
    const double span
        = std::clamp((m_viewUpper - m_viewLower) * factor, kNarrowestView, kBandUpper - kBandLower);
    const double share = (aroundFreq - m_viewLower) / (m_viewUpper - m_viewLower);
    const double lower = aroundFreq - share * span;
    setViewRange(lower, lower + span);
}

int SpectrumView::bandAt(double x)
{
    if (m_dirty)
        rebuild();
    // Half a pixel either side, so that a channel narrower than a pixel can
    // still be hit.
    const double slack = 0.5 * (m_viewUpper - m_viewLower) / std::max(1, width());
    return m_plan.bandAt(frequencyAt(x), slack);
}

int SpectrumView::rowAt(double x)
{
    const int i = bandAt(x);
    return i < 0 ? -1 : m_plan.bands()[i].row;
}

void SpectrumView::paintEvent(QPaintEvent *)
{
    if (m_dirty)
        rebuild();
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    const QRect area = bandRect();
    const double scale = area.width() / (m_viewUpper - m_viewLower);
    paintBands(p, area, scale);
    paintAxis(p, area, scale);
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect().adjusted(0, 0, -1, -1);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &p, this);
    }
}

void SpectrumView::paintBands(QPainter &p, const QRect &area, double scale)
{
    const int w = area.width();
    // One colour per pixel column (the strongest of the channels drawn
    // there), so that the cost follows the width, not the channel count.
    enum : quint8 { None, Tv, Digi, Overlap, Selected };
    QVarLengthArray<quint8, 2048> column(w);
    QVarLengthArray<quint8, 2048> edge(w);
    std::fill(column.begin(), column.end(), quint8(None));
    std::fill(edge.begin(), edge.end(), quint8(0));
    QList<int> labelled;
    for (int i = 0; i < m_plan.bands().size(); ++i) {
        const SpectrumBand &b = m_plan.bands()[i];
        if (b.lower > m_viewUpper)
            break;
        if (b.upper < m_viewLower)
            continue;
        const int x0 = std::max(0, int(std::floor((b.lower - m_viewLower) * scale)));
        const int x1
            = std::min(w - 1, std::max(x0, int(std::ceil((b.upper - m_viewLower) * scale)) - 1));
        const bool selected = b.row < m_rowSelected.size() && m_rowSelected[b.row];
        const quint8 level = selected ? Selected : b.overlapping ? Overlap : b.digital ? Digi : Tv;
        for (int x = x0; x <= x1; ++x)
            column[x] = std::max(column[x], level);
        if (x1 - x0 >= 4) {
            edge[x0] = 1;
            if (x1 - x0 >= 24)
                labelled.append(i);
        }
    }
    const QColor colours[]
        = { palette().base().color(), kTvColour, kDigiColour, kOverlapColour, kSelectedColour };
    for (int x = 0; x < w;) {
        int end = x + 1;
        while (end < w && column[end] == column[x] && !edge[end])
            ++end;
        if (column[x] != None)
            p.fillRect(area.left() + x, area.top(), end - x, area.height(), colours[column[x]]);
        if (edge[x] && column[x] != None)
            p.fillRect(
                area.left() + x, area.top(), 1, area.height(), colours[column[x]].darker(150));
        x = end;
    }

    for (int i : labelled) {
        const SpectrumBand &b = m_plan.bands()[i];
        // The name reads on its band's colour, the yellow of the selected
        // one as well as the blues.
        const bool selected = b.row < m_rowSelected.size() && m_rowSelected[b.row];
        const quint8 level = selected ? Selected : b.overlapping ? Overlap : b.digital ? Digi : Tv;
        p.setPen(TextContrast::textOn(colours[level]));
        const QRectF r(xAt(b.lower), area.top(), (b.upper - b.lower) * scale, area.height());
        p.drawText(r, Qt::AlignCenter, b.name);
    }
}

void SpectrumView::paintAxis(QPainter &p, const QRect &area, double scale)
{
    // The frequency axis: a tick every 1, 2 or 5 times a power of ten MHz,
    // at least 60 pixels apart.
    const double wanted = 60 / scale;
    double step = std::pow(10.0, std::floor(std::log10(wanted)));
    for (double f : { 1.0, 2.0, 5.0, 10.0 }) {
        if (step * f >= wanted) {
            step *= f;
            break;
        }
    }
    p.setPen(palette().text().color());
    const int axisTop = area.bottom() + 1;
    p.drawLine(0, axisTop, width(), axisTop);
    const double first = std::ceil(m_viewLower / step) * step;
    for (double f = first; f <= m_viewUpper; f += step) {
        const int x = int(std::lround(xAt(f)));
        p.drawLine(x, axisTop, x, axisTop + 3);
        // The last label names the unit; labels at the ends stay inside the
        // widget, clear of its edge.
        const bool last = f + step > m_viewUpper;
        const QString label = last ? kAxisUnit.text().arg(mhz(f)) : mhz(f);
        const int half = std::max(40, p.fontMetrics().horizontalAdvance(label) / 2 + 2);
        const int left = std::clamp(x - half, 0, std::max(0, width() - 2 * half - 2));
        p.drawText(QRect(left, axisTop + 2, 2 * half, kAxisHeight - 2),
            (x - half < 0                    ? Qt::AlignLeft
                    : x + half + 2 > width() ? Qt::AlignRight
                                             : Qt::AlignHCenter)
                | Qt::AlignTop,
            label);
    }
}

void SpectrumView::selectRow(int row)
{
    if (!m_model || !m_selection || row < 0)
        return;
    m_selection->setCurrentIndex(m_model->index(row, ColumnName),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void SpectrumView::stepSelection(int direction)
{
    if (m_dirty)
        rebuild();
    const QList<SpectrumBand> &bands = m_plan.bands();
    if (bands.isEmpty())
        return;
    const int at = m_plan.indexOfRow(m_selection ? m_selection->currentIndex().row() : -1);
    const int next = at < 0 ? (direction > 0 ? 0 : int(bands.size()) - 1)
                            : std::clamp(at + direction, 0, int(bands.size()) - 1);
    selectRow(bands[next].row);
    const SpectrumBand &b = bands[next];
    if (b.upper > m_viewUpper || b.lower < m_viewLower) {
        const double span = m_viewUpper - m_viewLower;
        const double centre = (b.lower + b.upper) / 2;
        setViewRange(centre - span / 2, centre + span / 2);
    }
}

void SpectrumView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    m_pressPos = event->position().toPoint();
    m_pressLower = m_viewLower;
    m_dragging = false;
}

void SpectrumView::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const int dx = event->position().toPoint().x() - m_pressPos.x();
    if (!m_dragging && std::abs(dx) < kDragThreshold)
        return;
    m_dragging = true;
    const double span = m_viewUpper - m_viewLower;
    const double lower = m_pressLower - dx * span / std::max(1, width());
    setViewRange(lower, lower + span);
}

void SpectrumView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mouseReleaseEvent(event);
    if (!m_dragging)
        selectRow(rowAt(event->position().x()));
    m_dragging = false;
}

void SpectrumView::wheelEvent(QWheelEvent *event)
{
    const double steps = event->angleDelta().y() / 120.0;
    if (steps == 0)
        return event->ignore();
    zoom(std::pow(kZoomStep, steps), frequencyAt(event->position().x()));
    event->accept();
}

void SpectrumView::keyPressEvent(QKeyEvent *event)
{
    const double span = m_viewUpper - m_viewLower;
    const double centre = (m_viewLower + m_viewUpper) / 2;
    const bool pan = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right: {
        const int direction = event->key() == Qt::Key_Left ? -1 : 1;
        if (pan)
            setViewRange(m_viewLower + direction * span / 10, m_viewUpper + direction * span / 10);
        else
            stepSelection(direction);
        return;
    }
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        return zoom(kZoomStep, centre);
    case Qt::Key_Minus:
        return zoom(1 / kZoomStep, centre);
    case Qt::Key_Home:
        return setViewRange(kBandLower, kBandUpper);
    default:
        QWidget::keyPressEvent(event);
    }
}

bool SpectrumView::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        const int i = bandAt(help->pos().x());
        if (i < 0) {
            QToolTip::hideText();
            event->ignore();
            return true;
        }
        const SpectrumBand &b = m_plan.bands()[i];
        QToolTip::showText(help->globalPos(),
            kBandTip.text()
                .arg(b.name, b.digital ? QStringLiteral("DIGI") : QStringLiteral("TV"),
                    mhz((b.lower + b.upper) / 2), mhz(b.upper - b.lower))
                .arg(b.row + 1),
            this);
        return true;
    }
    return QWidget::event(event);
}

} // namespace plandor
