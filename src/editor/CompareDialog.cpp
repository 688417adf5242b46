#include "editor/CompareDialog.h"

#include "base/Phrase.h"

#include <QBrush>
#include <QColor>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace plandor {
namespace {

constexpr Phrase kTitle { u"比较频道表：%1 与当前频道表",
    u"Compare plans: %1 and the current plan" };
constexpr Phrase kSame { u"两个频道表相同", u"The plans are the same" };
constexpr Phrase kOneDiffers { u"1 个频道不同", u"1 channel differs" };
constexpr Phrase kDiffer { u"%1 个频道不同", u"%1 channels differ" };
constexpr Phrase kLegend { u"新增：仅在当前频道表中。缺少：仅在另一频道表（%1）中。",
    u"Added: only in the current plan. Removed: only in the other plan (%1)." };
constexpr Phrase kSameDetail { u"两个频道表的 %1 个频道相同。",
    u"Both hold the same %1 channels." };
constexpr Phrase kAdded { u"新增", u"added" };
constexpr Phrase kRemoved { u"缺少", u"removed" };
constexpr Phrase kChanged { u"不同", u"changed" };
constexpr Phrase kKind { u"差别", u"Difference" };
constexpr Phrase kCurrent { u"当前频道表", u"Current plan" };
constexpr Phrase kFields { u"不同的字段", u"Changed fields" };
constexpr Phrase kClose { u"关闭", u"Close" };
constexpr Phrase kTableName { u"频道差别", u"Channel differences" };

// Light enough for black text, apart in hue for the colour-blind too
// (the kind's word and icon say it as well).
QColor kindColour(PlanDiff::Kind kind)
{
    switch (kind) {
    case PlanDiff::Kind::Added:
        return QColor(0xc8, 0xe6, 0xff); // blue
    case PlanDiff::Kind::Removed:
        return QColor(0xff, 0xd0, 0xc8); // red
    case PlanDiff::Kind::Changed:
        break;
    }
    return QColor(0xff, 0xec, 0xb0); // amber
}

// The icon's stronger shade of the same hue.
QColor iconColour(PlanDiff::Kind kind)
{
    switch (kind) {
    case PlanDiff::Kind::Added:
        return QColor(0x1f, 0x6f, 0xd1);
    case PlanDiff::Kind::Removed:
        return QColor(0xc6, 0x28, 0x28);
    case PlanDiff::Kind::Changed:
        break;
    }
    return QColor(0xd0, 0x80, 0x00);
}

// A small sign per kind: "+", "−" or "~" on the kind's colour.
QIcon kindIcon(PlanDiff::Kind kind)
{
    static const char16_t kSigns[] = { u'+', u'\u2212', u'~' };
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(iconColour(kind));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(pixmap.rect().adjusted(1, 1, -1, -1));
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(13);
    painter.setFont(font);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, QString(QChar(kSigns[int(kind)])));
    return QIcon(pixmap);
}

} // namespace

void DifferenceModel::setComparison(const PlanComparison &comparison, const QString &otherName)
{
    beginResetModel();
    m_comparison.emplace(comparison);
    m_otherName = otherName;
    endResetModel();
    emit headerDataChanged(Qt::Horizontal, OtherColumn, OtherColumn);
}

int DifferenceModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || !m_comparison ? 0 : int(m_comparison->differences().size());
}

int DifferenceModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString DifferenceModel::kindText(PlanDiff::Kind kind)
{
    switch (kind) {
    case PlanDiff::Kind::Added:
        return kAdded.text();
    case PlanDiff::Kind::Removed:
        return kRemoved.text();
    case PlanDiff::Kind::Changed:
        break;
    }
    return kChanged.text();
}

QVariant DifferenceModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const PlanDiff::Difference &d = m_comparison->differences().at(index.row());
    switch (role) {
    case Qt::BackgroundRole:
        return index.column() == KindColumn ? QBrush(kindColour(d.kind)) : QVariant();
    case Qt::ForegroundRole:
        return index.column() == KindColumn ? QBrush(Qt::black) : QVariant();
    case Qt::DecorationRole:
        return index.column() == KindColumn ? kindIcon(d.kind) : QVariant();
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        break;
    default:
        return {};
    }
    switch (index.column()) {
    case KindColumn:
        return kindText(d.kind);
    case OtherColumn:
        return d.before < 0 ? QString()
                            : PlanComparison::channelText(m_comparison->before().at(d.before));
    case CurrentColumn:
        return d.after < 0 ? QString()
                           : PlanComparison::channelText(m_comparison->after().at(d.after));
    case FieldsColumn:
        return m_comparison->changeText(d);
    }
    return {};
}

QVariant DifferenceModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case KindColumn:
        return kKind.text();
    case OtherColumn:
        return m_otherName;
    case CurrentColumn:
        return kCurrent.text();
    case FieldsColumn:
        return kFields.text();
    }
    return {};
}

CompareDialog::CompareDialog(QWidget *parent)
    : QDialog(parent)
    , m_model(new DifferenceModel(this))
    , m_summary(new QLabel(this))
    , m_legend(new QLabel(this))
    , m_table(new QTableView(this))
{
    setObjectName(QStringLiteral("compareDialog"));
    m_summary->setObjectName(QStringLiteral("compareSummary"));
    QFont bold = m_summary->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.15);
    m_summary->setFont(bold);
    m_legend->setObjectName(QStringLiteral("compareLegend"));
    m_legend->setWordWrap(true);
    m_table->setObjectName(QStringLiteral("compareTable"));
    m_table->setAccessibleName(kTableName.text());
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setStretchLastSection(true);

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *close = buttons->addButton(kClose.text(), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("compareCloseButton"));
    close->setAccessibleName(close->text());
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_summary);
    layout->addWidget(m_legend);
    layout->addWidget(m_table, 1);
    layout->addWidget(buttons);
}

QString CompareDialog::summaryText(const PlanComparison &comparison)
{
    const qsizetype n = comparison.differences().size();
    if (n == 0)
        return kSame.text();
    return n == 1 ? kOneDiffers.text() : kDiffer.text().arg(n);
}

void CompareDialog::setComparison(const PlanComparison &comparison, const QString &otherName)
{
    m_model->setComparison(comparison, otherName);
    m_summary->setText(summaryText(comparison));
    m_summary->setAccessibleName(m_summary->text());
    const bool same = comparison.equal();
    m_legend->setText(
        same ? kSameDetail.text().arg(comparison.after().size()) : kLegend.text().arg(otherName));
    m_table->setVisible(!same);
    setWindowTitle(kTitle.text().arg(otherName));
    setAccessibleName(windowTitle());
    // Equal plans need no more than the two lines.
    if (same)
        resize(minimumSizeHint().expandedTo(QSize(420, 0)));
    else
        resize(size().expandedTo(QSize(820, 420)));
}

QString CompareDialog::summary() const
{
    return m_summary->text();
}

} // namespace plandor
