#include "widgets/PortDialog.h"

#include "base/Phrase.h"
#include "base/TextCatalogue.h"
#include "transfer/BaudRates.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace plandor {
namespace {

constexpr Phrase kTitle { u"串口设置", u"Port and rate" };

// An editable box whose current text is text: its item when listed, else
// typed in.
void choose(QComboBox *box, const QString &text)
{
    if (const int listed = box->findText(text); listed >= 0)
        box->setCurrentIndex(listed);
    else
        box->setEditText(text);
}

QComboBox *makeBox(const char *name, QWidget *parent)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setMinimumContentsLength(16);
    return box;
}

} // namespace

PortDialog::PortDialog(const QStringList &ports, const PortSetting &current, QWidget *parent)
    : QDialog(parent)
    , m_portBox(makeBox("portBox", this))
    , m_rateBox(makeBox("rateBox", this))
{
    setObjectName(QStringLiteral("portDialog"));
    setWindowTitle(kTitle.text());
    setAccessibleName(kTitle.text());

    m_portBox->addItems(ports);
    choose(m_portBox, current.port);
    for (qint32 rate : BaudRates::kListed)
        m_rateBox->addItem(QString::number(rate));
    choose(m_rateBox, QString::number(current.rate > 0 ? current.rate : BaudRates::kWindowDefault));

    auto *form = new QFormLayout;
    // The boxes are read out by their labels' texts, as the start-up window's.
    const std::pair<QComboBox *, qint16> fields[] = { { m_portBox, 3 }, { m_rateBox, 4 } };
    for (const auto &[box, captionId] : fields) {
        const QString caption = CatalogueText(captionId).trimmed();
        auto *label = new QLabel(caption, this);
        label->setObjectName(box->objectName() + QStringLiteral("Label"));
        label->setBuddy(box);
        box->setAccessibleName(caption);
        form->addRow(label, box);
    }

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *ok = buttons->addButton(CatalogueText(5), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("portOkButton"));
    ok->setDefault(true);
    QPushButton *cancel = buttons->addButton(CatalogueText(6), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("portCancelButton"));
    for (QPushButton *b : { ok, cancel })
        b->setAccessibleName(b->text().trimmed());
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    m_portBox->setFocus();
}

PortSetting PortDialog::setting() const
{
    return { m_portBox->currentText().trimmed(), m_rateBox->currentText().trimmed().toInt() };
}

} // namespace plandor
