#include "editor/StandardPlanDialog.h"

#include "base/Phrase.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

namespace plandor {
namespace {

constexpr Phrase kTitle { u"从标准新建频道表", u"New plan from standard" };
constexpr Phrase kStandard { u"标准(&S)：", u"&Standard:" };
constexpr Phrase kStandardName { u"标准", u"Standard" };
constexpr Phrase kFirst { u"起始频道(&F)：", u"&First channel:" };
constexpr Phrase kFirstName { u"起始频道", u"First channel" };
constexpr Phrase kLast { u"结束频道(&L)：", u"&Last channel:" };
constexpr Phrase kLastName { u"结束频道", u"Last channel" };
constexpr Phrase kSummaryName { u"新频道表概况", u"New plan summary" };
constexpr Phrase kCount { u"%1 个频道", u"%1 channels" };
constexpr Phrase kLeftOut { u"%1 个频道，未收入 %2（超出 46–1000 MHz 或 255 个频道）",
    u"%1 channels; left out %2 (outside 46–1000 MHz or beyond 255 channels)" };
constexpr Phrase kOk { u"确定", u"OK" };
constexpr Phrase kCancel { u"取消", u"Cancel" };

} // namespace

StandardPlanDialog::StandardPlanDialog(const StandardPlans &standards, QWidget *parent)
    : QDialog(parent)
    , m_standards(standards)
    , m_standardBox(new QComboBox(this))
    , m_firstBox(new QComboBox(this))
    , m_lastBox(new QComboBox(this))
    , m_summary(new QLabel(this))
    , m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this))
{
    setObjectName(QStringLiteral("standardPlanDialog"));
    setWindowTitle(kTitle.text());
    setAccessibleName(kTitle.text());
    m_standardBox->setObjectName(QStringLiteral("standardBox"));
    m_standardBox->setAccessibleName(kStandardName.text());
    m_firstBox->setObjectName(QStringLiteral("firstChannelBox"));
    m_firstBox->setAccessibleName(kFirstName.text());
    m_lastBox->setObjectName(QStringLiteral("lastChannelBox"));
    m_lastBox->setAccessibleName(kLastName.text());
    m_summary->setObjectName(QStringLiteral("summaryLabel"));
    m_summary->setAccessibleName(kSummaryName.text());
    m_summary->setWordWrap(true);
    m_buttons->setObjectName(QStringLiteral("dialogButtons"));
    m_buttons->button(QDialogButtonBox::Ok)->setText(kOk.text());
    m_buttons->button(QDialogButtonBox::Ok)->setAccessibleName(kOk.text());
    m_buttons->button(QDialogButtonBox::Cancel)->setText(kCancel.text());
    m_buttons->button(QDialogButtonBox::Cancel)->setAccessibleName(kCancel.text());

    for (int t = 0; t < standards.tables().size(); ++t) {
        const StandardTable &table = standards.tables()[t];
        for (PlanVariant v : table.variants)
            m_standardBox->addItem(StandardPlans::displayName(table, v),
                QVariantList { t, int(v == PlanVariant::Digital) });
    }

    auto *form = new QFormLayout;
    auto addRow = [&](const Phrase &caption, QWidget *field) {
        auto *label = new QLabel(caption.text(), this);
        label->setBuddy(field);
        form->addRow(label, field);
    };
    addRow(kStandard, m_standardBox);
    addRow(kFirst, m_firstBox);
    addRow(kLast, m_lastBox);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_summary);
    layout->addWidget(m_buttons);

    connect(
        m_standardBox, &QComboBox::currentIndexChanged, this, &StandardPlanDialog::standardChosen);
    connect(m_firstBox, &QComboBox::currentIndexChanged, this, &StandardPlanDialog::rangeChosen);
    connect(m_lastBox, &QComboBox::currentIndexChanged, this, &StandardPlanDialog::rangeChosen);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    standardChosen();
}

const StandardTable *StandardPlanDialog::table() const
{
    const QVariantList data = m_standardBox->currentData().toList();
    if (data.size() != 2)
        return nullptr;
    const int t = data[0].toInt();
    return t >= 0 && t < m_standards.tables().size() ? &m_standards.tables()[t] : nullptr;
}

PlanVariant StandardPlanDialog::variant() const
{
    const QVariantList data = m_standardBox->currentData().toList();
    return data.size() == 2 && data[1].toInt() ? PlanVariant::Digital : PlanVariant::Analogue;
}

void StandardPlanDialog::standardChosen()
{
    const QSignalBlocker b1(m_firstBox);
    const QSignalBlocker b2(m_lastBox);
    m_firstBox->clear();
    m_lastBox->clear();
    if (const StandardTable *t = table()) {
        for (const StandardChannel &c : t->channels) {
            const QString text
                = QStringLiteral("%1  (%2 MHz)")
                      .arg(c.name,
                          QString::number(StandardPlans::planFrequency(*t, c, variant()), 'g',
                              QLocale::FloatingPointShortest));
            m_firstBox->addItem(text, c.name);
            m_lastBox->addItem(text, c.name);
        }
        m_lastBox->setCurrentIndex(m_lastBox->count() - 1);
    }
    rangeChosen();
}

void StandardPlanDialog::rangeChosen()
{
    const StandardPlan made = plan();
    m_summary->setText(made.leftOut.isEmpty()
            ? kCount.text().arg(made.rows.size())
            : kLeftOut.text().arg(made.rows.size()).arg(made.leftOut.join(QStringLiteral(", "))));
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(!made.rows.isEmpty());
}

bool StandardPlanDialog::choose(
    const QString &key, PlanVariant wanted, const QString &firstName, const QString &lastName)
{
    for (int i = 0; i < m_standardBox->count(); ++i) {
        const QVariantList data = m_standardBox->itemData(i).toList();
        const StandardTable &t = m_standards.tables()[data[0].toInt()];
        if (t.key == key && bool(data[1].toInt()) == (wanted == PlanVariant::Digital)) {
            m_standardBox->setCurrentIndex(i);
            const int first = firstName.isEmpty() ? 0 : m_firstBox->findData(firstName);
            const int last
                = lastName.isEmpty() ? m_lastBox->count() - 1 : m_lastBox->findData(lastName);
            if (first < 0 || last < 0)
                return false;
            m_firstBox->setCurrentIndex(first);
            m_lastBox->setCurrentIndex(last);
            return true;
        }
    }
    return false;
}

StandardPlan StandardPlanDialog::plan() const
{
    const StandardTable *t = table();
    if (!t)
        return {};
    return StandardPlans::build(
        *t, variant(), m_firstBox->currentIndex(), m_lastBox->currentIndex());
}

} // namespace plandor
