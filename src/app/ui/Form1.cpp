#include "app/ui/Form1.h"

#include "base/Language.h"
#include "base/MessageBox.h"
#include "base/NumberText.h"
#include "base/TextCatalogue.h"
#include "editor/EditorWindow.h"
#include "editor/PlanExchange.h"
#include "editor/PlanTools.h"
#include "store/ChannelStore.h"
#include "transfer/BaudRates.h"
#include "transfer/ProcessLink.h"
#include "transfer/serial/PortList.h"
#include "widgets/WindowPlacement.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace plandor {
namespace {

// The ports to offer; a ports folder that cannot be trusted is told of once,
// and the machine's own ports are offered all the same.
QStringList portsOfTheSystem()
{
    QString refusal;
    QStringList ports = PortList::available(&refusal);
    if (!refusal.isEmpty())
        MessageBox::show(refusal, MessageStyle::ExclamationOk, CatalogueText(2));
    return ports;
}

} // namespace

Form1::Form1(PortSource ports, LanguageSource language, QWidget *parent)
    : QWidget(parent)
    , m_ports(ports ? std::move(ports) : PortSource(&portsOfTheSystem))
    , m_language(language ? std::move(language) : LanguageSource(&SystemDefaultLangId))
{
    setObjectName(QStringLiteral("Form1"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    buildControls();
    load();
}

void Form1::buildControls()
{
    m_xpForm1 = new QLabel(this);
    m_xpForm1->setObjectName(QStringLiteral("XPForm1"));
    QFont titleFont = m_xpForm1->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.2);
    m_xpForm1->setFont(titleFont);

    m_command3 = new QToolButton(this);
    m_command3->setObjectName(QStringLiteral("Command3"));
    m_command3->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    m_command3->setAutoRaise(true);

    m_option1 = new QRadioButton(this);
    m_option1->setObjectName(QStringLiteral("Option1"));
    m_label4 = new QLabel(QStringLiteral("中文"), this);
    m_label4->setObjectName(QStringLiteral("Label4"));
    m_label4->setBuddy(m_option1);
    m_option1->setAccessibleName(m_label4->text());
    m_option2 = new QRadioButton(this);
    m_option2->setObjectName(QStringLiteral("Option2"));
    m_label5 = new QLabel(QStringLiteral("English"), this);
    m_label5->setObjectName(QStringLiteral("Label5"));
    m_label5->setBuddy(m_option2);
    m_option2->setAccessibleName(m_label5->text());

    m_label2 = new QLabel(this);
    m_label2->setObjectName(QStringLiteral("Label2"));
    m_combo1 = new QComboBox(this);
    m_combo1->setObjectName(QStringLiteral("Combo1"));
    // A device path that the list does not show can be typed.
    m_combo1->setEditable(true);
    m_combo1->setInsertPolicy(QComboBox::NoInsert);
    m_combo1->setMinimumContentsLength(16);
    m_combo1->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_label2->setBuddy(m_combo1);

    m_label1 = new QLabel(this);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_combo2 = new QComboBox(this);
    m_combo2->setObjectName(QStringLiteral("Combo2"));
    m_combo2->setEditable(true);
    m_label1->setBuddy(m_combo2);

    m_command1 = new QPushButton(this);
    m_command1->setObjectName(QStringLiteral("Command1"));
    m_command1->setDefault(true);
    m_command2 = new QPushButton(this);
    m_command2->setObjectName(QStringLiteral("Command2"));

    auto *title = new QHBoxLayout;
    title->addWidget(m_xpForm1, 1);
    title->addWidget(m_command3);

    auto *options = new QHBoxLayout;
    options->addWidget(m_option1);
    options->addWidget(m_label4);
    options->addSpacing(24);
    options->addWidget(m_option2);
    options->addWidget(m_label5);
    options->addStretch(1);

    auto *fields = new QGridLayout;
    fields->addWidget(m_label2, 0, 0);
    fields->addWidget(m_combo1, 0, 1);
    fields->addWidget(m_label1, 1, 0);
    fields->addWidget(m_combo2, 1, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_command1);
    buttons->addWidget(m_command2);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(title);
    layout->addLayout(options);
    layout->addLayout(fields);
    layout->addLayout(buttons);

    connect(m_command1, &QPushButton::clicked, this, &Form1::Command1Click);
    connect(m_command2, &QPushButton::clicked, this, &Form1::Command2Click);
    connect(m_command3, &QToolButton::clicked, this, &Form1::Command3Click);
    // User clicks only: selecting an option from the program does not switch.
    connect(m_option1, &QRadioButton::clicked, this, [this] { optionClicked(kChineseOffset); });
    connect(m_option2, &QRadioButton::clicked, this, [this] { optionClicked(kEnglishOffset); });
}

void Form1::load()
{
    LanguageOffset = LanguageOffsetFor(m_language());
    ApplyCaptions();
    ProcessLink::ensure();
    GetCOM();
    InitForm();
}

void Form1::ApplyCaptions()
{
    m_command3->setToolTip(CatalogueText(71));
    m_command3->setAccessibleName(CatalogueText(71));
    m_command1->setText(CatalogueText(5));
    m_command2->setText(CatalogueText(6));
    m_label1->setText(CatalogueText(4));
    m_label2->setText(CatalogueText(3));
    m_combo1->setAccessibleName(CatalogueText(3));
    m_combo2->setAccessibleName(CatalogueText(4));
    m_xpForm1->setText(ProgramTitleWithVersion());
    setWindowTitle(ProgramTitleWithVersion());
}

void Form1::GetCOM()
{
    const QStringList ports = m_ports();
    for (const QString &port : ports) {
        m_combo1->addItem(port);
        m_combo1->setCurrentText(port);
    }
}

void Form1::InitForm()
{
    adjustSize();
    WindowPlacement::centreOnScreen(this);
    // Option2 (English) is selected whatever the language of the run;
    // selecting it here does not switch anything.
    m_option2->setChecked(true);
    m_combo2->clear();
    for (qint32 rate : BaudRates::kListed)
        m_combo2->addItem(QString::number(rate));
    m_combo2->setCurrentText(QString::number(BaudRates::kWindowDefault));
}

void Form1::optionClicked(qint16 offset)
{
    LanguageOffset = offset;
    ApplyCaptions();
}

qint16 Form1::PortNumberFor(const QString &portText)
{
    const double number
        = NumberText::leadingNumber(QStringView(portText).mid(qMin<qsizetype>(3, portText.size())));
    return NumberText::toInt16(number).value_or(0);
}

void Form1::Command1Click()
{
    const QString portText = m_combo1->currentText().trimmed();
    DeviceLink *link = ProcessLink::ensure();
    if (link) {
        link->SetPort(PortNumberFor(portText));
        // A device without a COM number is handed over by its name as well.
        if (!portText.isEmpty() && !portText.startsWith(QLatin1String("COM"), Qt::CaseInsensitive))
            link->SetPortName(portText);
        // The port is opened at the rate of the Rate box.
        link->SetBaudRate(m_combo2->currentText().trimmed().toInt());
    }
    if (!m_editor) {
        ChannelStore *store = m_storeSource ? m_storeSource() : nullptr;
        if (!store) {
            m_ownStore = std::make_unique<ChannelStore>();
            store = m_ownStore.get();
        }
        m_editor = new EditorWindow(*store);
        // The standard plans, the spectrum and the plan check.
        PlanTools::attach(*m_editor);
        // History, Compare and CSV behind one toolbar button.
        PlanExchange::attach(*m_editor);
        m_editor->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_editor->show();
    close();
}

EditorWindow *Form1::editor() const
{
    return m_editor;
}

Form1::~Form1()
{
    // The editor works on a store that may go with this window.
    delete m_editor.data();
}

void Form1::Command2Click()
{
    close();
}

void Form1::Command3Click()
{
    close();
}

} // namespace plandor
