#include "editor/HistoryDialog.h"

#include "base/Phrase.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace plandor {
namespace {

constexpr Phrase kTitle { u"传送记录", u"History" };
constexpr Phrase kTime { u"时间", u"Time" };
constexpr Phrase kDirection { u"方向", u"Direction" };
constexpr Phrase kInstrument { u"仪表", u"Instrument" };
constexpr Phrase kChannels { u"频道数", u"Channels" };
constexpr Phrase kUnknownInstrument { u"（未知）", u"(unknown)" };
constexpr Phrase kEmpty { u"还没有发送或接收过频道表。每次上传和下载的频道表都会保存在这里。",
    u"No plan has been sent or received yet. Every plan an Upload receives or a Download "
    "sends is kept here." };
constexpr Phrase kOpen { u"打开", u"Open" };
constexpr Phrase kCompare { u"与当前频道表比较", u"Compare with current plan" };
constexpr Phrase kClose { u"关闭", u"Close" };
constexpr Phrase kTableName { u"保存的频道表", u"Kept plans" };

} // namespace

void HistoryModel::refresh()
{
    beginResetModel();
    m_entries = PlanHistory::entries();
    endResetModel();
}

int HistoryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

int HistoryModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant HistoryModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const PlanHistory::Entry &e = m_entries.at(index.row());
    if (role == Qt::TextAlignmentRole && index.column() == CountColumn)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)
        return {};
    switch (index.column()) {
    case TimeColumn:
        return e.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    case DirectionColumn:
        return PlanHistory::directionText(e.direction);
    case InstrumentColumn:
        return e.instrument.isEmpty() ? kUnknownInstrument.text() : e.instrument;
    case CountColumn:
        return e.channelCount;
    }
    return {};
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static constexpr const Phrase *kHeadings[ColumnCount]
        = { &kTime, &kDirection, &kInstrument, &kChannels };
    return section >= 0 && section < ColumnCount ? kHeadings[section]->text() : QVariant();
}

HistoryDialog::HistoryDialog(QWidget *parent)
    : QDialog(parent)
    , m_model(new HistoryModel(this))
    , m_table(new QTableView(this))
    , m_emptyNote(new QLabel(kEmpty.text(), this))
{
    setObjectName(QStringLiteral("historyDialog"));
    setWindowTitle(kTitle.text());
    setAccessibleName(kTitle.text());

    m_table->setObjectName(QStringLiteral("historyTable"));
    m_table->setAccessibleName(kTableName.text());
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab goes on to the buttons, not from cell to cell: a row is one entry.
    m_table->setTabKeyNavigation(false);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setSectionResizeMode(
        HistoryModel::InstrumentColumn, QHeaderView::Stretch);
    m_emptyNote->setObjectName(QStringLiteral("historyEmptyNote"));
    m_emptyNote->setWordWrap(true);

    auto *buttons = new QDialogButtonBox(this);
    m_openButton = buttons->addButton(kOpen.text(), QDialogButtonBox::AcceptRole);
    m_openButton->setObjectName(QStringLiteral("historyOpenButton"));
    m_compareButton = buttons->addButton(kCompare.text(), QDialogButtonBox::ActionRole);
    m_compareButton->setObjectName(QStringLiteral("historyCompareButton"));
    QPushButton *close = buttons->addButton(kClose.text(), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("historyCloseButton"));
    for (QPushButton *b : { m_openButton, m_compareButton, close })
        b->setAccessibleName(b->text());
    // Open keeps the window, so that another entry can be tried.
    m_openButton->setDefault(true);
    connect(m_openButton, &QPushButton::clicked, this, [this] {
        if (const auto e = selectedEntry())
            emit openRequested(*e);
    });
    connect(m_compareButton, &QPushButton::clicked, this, [this] {
        if (const auto e = selectedEntry())
            emit compareRequested(*e);
    });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_table, &QTableView::doubleClicked, this, [this](const QModelIndex &index) {
        if (index.isValid())
            emit openRequested(m_model->entry(index.row()));
    });
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
        &HistoryDialog::updateButtons);
    connect(m_model, &QAbstractItemModel::modelReset, this, &HistoryDialog::updateButtons);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_emptyNote);
    layout->addWidget(m_table, 1);
    layout->addWidget(buttons);
    resize(640, 360);
    refresh();
    // The list first, then Open, Compare and Close, as they are laid out.
    setTabOrder(m_table, m_openButton);
    setTabOrder(m_openButton, m_compareButton);
    setTabOrder(m_compareButton, close);
    m_table->setFocus();
}

void HistoryDialog::refresh()
{
    m_model->refresh();
    if (m_model->rowCount() > 0)
        m_table->selectRow(0);
    updateButtons();
}

std::optional<PlanHistory::Entry> HistoryDialog::selectedEntry() const
{
    const QModelIndexList rows = m_table->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return std::nullopt;
    return m_model->entry(rows.constFirst().row());
}

void HistoryDialog::updateButtons()
{
    const bool empty = m_model->rowCount() == 0;
    m_emptyNote->setVisible(empty);
    m_table->setVisible(!empty);
    const bool chosen = selectedEntry().has_value();
    m_openButton->setEnabled(chosen);
    m_compareButton->setEnabled(chosen);
}

} // namespace plandor
