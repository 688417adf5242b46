#include "editor/BulkEditDialog.h"

#include "base/Phrase.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QRegularExpression>
#include <QShowEvent>
#include <QSpinBox>
#include <QVBoxLayout>

namespace plandor {
namespace {

constexpr Phrase kSetTypeTitle { u"设置 %1 个频道的类型", u"Set the type of %1 channels" };
constexpr Phrase kSetAudioTitle { u"设置 %1 个频道的伴音偏移或带宽",
    u"Set the audio offset or bandwidth of %1 channels" };
constexpr Phrase kMoveTitle { u"移动 %1 个频道的频率", u"Move the frequency of %1 channels" };
constexpr Phrase kRenameTitle { u"重命名 %1 个频道", u"Rename %1 channels" };
constexpr Phrase kFillTitle { u"按频率间隔添加频道", u"Fill channels on a raster" };

constexpr Phrase kType { u"类型(&T)：", u"&Type:" };
constexpr Phrase kAudio { u"伴音偏移 / 带宽(&A)：", u"&Audio offset / bandwidth:" };
constexpr Phrase kOffset { u"频率移动(&M)：", u"&Move by:" };
constexpr Phrase kCount { u"频道数(&C)：", u"&Channels:" };
constexpr Phrase kFirstFreq { u"起始频率(&F)：", u"&First frequency:" };
constexpr Phrase kStep { u"频率间隔(&S)：", u"&Step:" };
constexpr Phrase kPrefix { u"名称前缀(&P)：", u"Name &prefix:" };
constexpr Phrase kFirstNumber { u"起始编号(&N)：", u"First &number:" };
constexpr Phrase kNumberStep { u"编号步长(&E)：", u"Number st&ep:" };

// A label's text as an accessible name: no mnemonic marker, no colon.
QString plainLabel(const Phrase &label)
{
    QString text = label.text();
    text.remove(QLatin1Char('&'));
    text.remove(QRegularExpression(QStringLiteral("\\(\\w\\)|[:：]$")));
    return text.trimmed();
}

} // namespace

BulkEditDialog::BulkEditDialog(BulkCommand command, int channels, QWidget *parent)
    : QDialog(parent)
    , m_command(command)
    , m_form(new QFormLayout)
{
    setObjectName(QStringLiteral("bulkEditDialog"));
    const Phrase *title = &kFillTitle;
    switch (command) {
    case BulkCommand::SetType:
        title = &kSetTypeTitle;
        m_type = addType();
        break;
    case BulkCommand::SetAudio:
        title = &kSetAudioTitle;
        m_audio = addNumber(
            "audioBox", kAudio, ChannelRules::kLowestAudio, ChannelRules::kHighestAudio, 8.0);
        break;
    case BulkCommand::Move:
        title = &kMoveTitle;
        m_offset = addNumber("offsetBox", kOffset,
            -(ChannelRules::kHighestFreq - ChannelRules::kLowestFreq),
            ChannelRules::kHighestFreq - ChannelRules::kLowestFreq, 8.0);
        break;
    case BulkCommand::Rename:
        title = &kRenameTitle;
        addNames();
        break;
    case BulkCommand::Fill:
        m_count = addWhole("countBox", kCount, 1, 255, qBound(1, channels, 255));
        m_firstFreq = addNumber("firstFreqBox", kFirstFreq, ChannelRules::kLowestFreq,
            ChannelRules::kHighestFreq, 474.0);
        m_step = addNumber(
            "stepBox", kStep, 0.0, ChannelRules::kHighestFreq - ChannelRules::kLowestFreq, 8.0);
        m_type = addType();
        m_audio = addNumber(
            "audioBox", kAudio, ChannelRules::kLowestAudio, ChannelRules::kHighestAudio, 8.0);
        addNames();
        break;
    }
    const QString caption
        = command == BulkCommand::Fill ? title->text() : title->text().arg(channels);
    setWindowTitle(caption);
    setAccessibleName(caption);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->setObjectName(QStringLiteral("bulkEditButtons"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(m_form);
    layout->addWidget(buttons);
    // Wide enough for its title, which names what is about to change.
    setMinimumWidth(fontMetrics().horizontalAdvance(caption) + 160);
}

void BulkEditDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The first box starts selected, so that typing replaces its proposal
    // (typing 8 into "8.00 MHz" must not give 88).
    QLayoutItem *item = m_form->itemAt(0, QFormLayout::FieldRole);
    QWidget *first = item ? item->widget() : nullptr;
    if (!first)
        return;
    first->setFocus(Qt::TabFocusReason);
    if (auto *number = qobject_cast<QAbstractSpinBox *>(first))
        number->selectAll();
    else if (auto *text = qobject_cast<QLineEdit *>(first))
        text->selectAll();
}

void BulkEditDialog::addRow(QWidget *box, const Phrase &label)
{
    box->setAccessibleName(plainLabel(label));
    // The label is the box's buddy, so its mnemonic reaches the box.
    m_form->addRow(label.text(), box);
}

QComboBox *BulkEditDialog::addType()
{
    auto *box = new QComboBox;
    box->setObjectName(QStringLiteral("typeBox"));
    for (const ChannelType type : { ChannelType::Tv, ChannelType::Digi })
        box->addItem(ChannelValues::typeName(type), QVariant::fromValue(type));
    box->setCurrentIndex(1);
    addRow(box, kType);
    return box;
}

QDoubleSpinBox *BulkEditDialog::addNumber(const char *name, const Phrase &label, double low,
    double high, double value, const char *suffix)
{
    auto *box = new QDoubleSpinBox;
    box->setObjectName(QLatin1String(name));
    box->setDecimals(2);
    box->setRange(low, high);
    box->setValue(value);
    box->setSuffix(QLatin1String(suffix));
    addRow(box, label);
    return box;
}

QSpinBox *BulkEditDialog::addWhole(
    const char *name, const Phrase &label, int low, int high, int value)
{
    auto *box = new QSpinBox;
    box->setObjectName(QLatin1String(name));
    box->setRange(low, high);
    box->setValue(value);
    addRow(box, label);
    return box;
}

void BulkEditDialog::addNames()
{
    m_prefix = new QLineEdit;
    m_prefix->setObjectName(QStringLiteral("prefixBox"));
    // A name has at most three characters.
    m_prefix->setMaxLength(2);
    addRow(m_prefix, kPrefix);
    m_firstNumber = addWhole("firstNumberBox", kFirstNumber, 0, 999, 1);
    m_numberStep = addWhole("numberStepBox", kNumberStep, -99, 99, 1);
}

ChannelType BulkEditDialog::chosenType() const
{
    return m_type->currentData().value<ChannelType>();
}

BulkChange BulkEditDialog::change() const
{
    switch (m_command) {
    case BulkCommand::SetType:
        return SetType { chosenType() };
    case BulkCommand::SetAudio:
        return SetAudio { m_audio->value() };
    case BulkCommand::Move:
        return MoveFreq { m_offset->value() };
    case BulkCommand::Rename:
    case BulkCommand::Fill:
        break;
    }
    return Rename { { m_prefix->text(), m_firstNumber->value(), m_numberStep->value() } };
}

FillRaster BulkEditDialog::raster() const
{
    if (m_command != BulkCommand::Fill)
        return {};
    return FillRaster { m_count->value(), m_firstFreq->value(), m_step->value(), chosenType(),
        m_audio->value(), { m_prefix->text(), m_firstNumber->value(), m_numberStep->value() } };
}

} // namespace plandor
