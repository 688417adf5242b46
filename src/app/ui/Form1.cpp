#include "app/ui/Form1.h"

#include "app/StartupMemory.h"
#include "base/Language.h"
#include "base/TextCatalogue.h"
#include "transfer/BaudRates.h"
#include "transfer/ProcessLink.h"
#include "widgets/ProgramIcon.h"
#include "widgets/WindowPlacement.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace plandor {

Form1::Form1(PortSource ports, LanguageSource language, QWidget *parent)
    : QWidget(parent)
    , m_language(language ? std::move(language) : LanguageSource(&SystemDefaultLangId))
    , m_portChooser(std::move(ports))
{
    setObjectName(QStringLiteral("Form1"));
    ProgramIcon::apply(*this);
    setAttribute(Qt::WA_DeleteOnClose, false);
    buildControls();
    load();
}

void Form1::buildControls()
{
    // Made in this order, which is the order of the Tab key.
    QLayout *title = buildTitle();
    QLayout *options = buildLanguageOptions();
    QLayout *fields = buildFields();
    QLayout *buttons = buildButtons();

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(title);
    layout->addLayout(options);
    layout->addLayout(fields);
    layout->addLayout(buttons);

    connect(m_okButton, &QPushButton::clicked, this, &Form1::accept);
    connect(m_cancelButton, &QPushButton::clicked, this, &Form1::cancel);
    connect(m_closeButton, &QToolButton::clicked, this, &Form1::cancel);
    // User clicks only: selecting an option from the program does not switch.
    connect(
        m_chineseOption, &QRadioButton::clicked, this, [this] { chooseLanguage(kChineseOffset); });
    connect(
        m_englishOption, &QRadioButton::clicked, this, [this] { chooseLanguage(kEnglishOffset); });

    // Escape cancels from anywhere in the window; an open list takes it first.
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &Form1::cancel);
    const QList<QWidget *> watchedWidgets { m_chineseLabel, m_englishLabel, m_portBox,
        m_portBox->lineEdit(), m_rateBox, m_rateBox->lineEdit() };
    for (QWidget *watched : watchedWidgets)
        watched->installEventFilter(this);
    connect(&m_portChooser, &PortChooser::instrumentChosen, this, &Form1::takeRateOf);
    connect(m_rateBox, &QComboBox::activated, this, [this] { m_rateByHand = true; });
    connect(m_rateBox->lineEdit(), &QLineEdit::textEdited, this, [this] { m_rateByHand = true; });
}

QLayout *Form1::buildTitle()
{
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("XPForm1"));
    QFont titleFont = m_title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.2);
    m_title->setFont(titleFont);

    m_closeButton = new QToolButton(this);
    m_closeButton->setObjectName(QStringLiteral("Command3"));
    m_closeButton->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    m_closeButton->setAutoRaise(true);
    // Out of the Tab chain, where Space would end the program; Escape and
    // Cancel do the same from the keyboard.
    m_closeButton->setFocusPolicy(Qt::NoFocus);

    auto *row = new QHBoxLayout;
    row->addWidget(m_title, 1);
    row->addWidget(m_closeButton);
    return row;
}

QLayout *Form1::buildLanguageOptions()
{
    // Each option is read out by the fixed name of its language beside it.
    const auto option
        = [this](const char *name, const char *labelName, const QString &language, QLabel *&label) {
              auto *button = new QRadioButton(this);
              button->setObjectName(QLatin1String(name));
              label = new QLabel(language, this);
              label->setObjectName(QLatin1String(labelName));
              label->setBuddy(button);
              button->setAccessibleName(language);
              return button;
          };
    m_chineseOption = option("Option1", "Label4", QStringLiteral("中文"), m_chineseLabel);
    m_englishOption = option("Option2", "Label5", QStringLiteral("English"), m_englishLabel);

    auto *row = new QHBoxLayout;
    row->addWidget(m_chineseOption);
    row->addWidget(m_chineseLabel);
    row->addSpacing(24);
    row->addWidget(m_englishOption);
    row->addWidget(m_englishLabel);
    row->addStretch(1);
    return row;
}

QLayout *Form1::buildFields()
{
    m_portLabel = new QLabel(this);
    m_portLabel->setObjectName(QStringLiteral("Label2"));
    m_portBox = m_portChooser.makeBox(this);
    m_portLabel->setBuddy(m_portBox);
    m_portStatus = m_portChooser.makeStatusLabel(this);

    m_rateLabel = new QLabel(this);
    m_rateLabel->setObjectName(QStringLiteral("Label1"));
    m_rateBox = new QComboBox(this);
    m_rateBox->setObjectName(QStringLiteral("Combo2"));
    m_rateBox->setEditable(true);
    m_rateLabel->setBuddy(m_rateBox);

    auto *grid = new QGridLayout;
    grid->addWidget(m_portLabel, 0, 0);
    grid->addWidget(m_portBox, 0, 1);
    grid->addWidget(m_portStatus, 1, 1);
    grid->addWidget(m_rateLabel, 2, 0);
    grid->addWidget(m_rateBox, 2, 1);
    return grid;
}

QLayout *Form1::buildButtons()
{
    m_okButton = new QPushButton(this);
    m_okButton->setObjectName(QStringLiteral("Command1"));
    m_okButton->setDefault(true);
    m_cancelButton = new QPushButton(this);
    m_cancelButton->setObjectName(QStringLiteral("Command2"));

    auto *row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(m_okButton);
    row->addWidget(m_cancelButton);
    return row;
}

void Form1::load()
{
    LanguageOffset = LanguageOffsetFor(m_language());
    applyCaptions();
    ProcessLink::ensure();
    m_portChooser.listPorts(StartupMemory::port());
    adjustSize();
    WindowPlacement::centreOnScreen(this);
    // English is selected whatever the language of the run; selecting it
    // here does not switch anything.
    m_englishOption->setChecked(true);
    listRates();
    // The port is what a user comes to choose.
    m_portBox->setFocus();
}

void Form1::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_portChooser.watch([this] { return m_rateBox->currentText().trimmed().toInt(); });
}

void Form1::hideEvent(QHideEvent *event)
{
    // Nothing is probed once the link may want the port.
    m_portChooser.stopWatching();
    QWidget::hideEvent(event);
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        if (watched == m_chineseLabel || watched == m_englishLabel) {
            (watched == m_chineseLabel ? m_chineseOption : m_englishOption)->click();
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress && watched != m_chineseLabel
        && watched != m_englishLabel) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            accept();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::takeRateOf(const ProbeResult &found)
{
    // The instrument's rate is the one that works; a rate the user chose
    // stays.
    if (m_rateByHand || found.rate <= 0)
        return;
    const QString rate = QString::number(found.rate);
    if (const int listed = m_rateBox->findText(rate); listed >= 0)
        m_rateBox->setCurrentIndex(listed);
    else
        m_rateBox->setCurrentText(rate);
}

void Form1::applyCaptions()
{
    m_closeButton->setToolTip(CatalogueText(71));
    m_closeButton->setAccessibleName(CatalogueText(71));
    m_okButton->setText(CatalogueText(5));
    m_cancelButton->setText(CatalogueText(6));
    m_rateLabel->setText(CatalogueText(4));
    m_portLabel->setText(CatalogueText(3));
    m_portBox->setAccessibleName(CatalogueText(3));
    m_rateBox->setAccessibleName(CatalogueText(4));
    m_portChooser.applyCaptions();
    m_title->setText(ProgramTitleWithVersion());
    setWindowTitle(ProgramTitleWithVersion());
}

void Form1::listRates()
{
    m_rateBox->clear();
    for (qint32 rate : BaudRates::kListed)
        m_rateBox->addItem(QString::number(rate));
    // The rate of the last accepted start, else the usual one; a rate that
    // was typed is typed again.
    const QString rate = QString::number(StartupMemory::rate().value_or(BaudRates::kWindowDefault));
    if (const int listed = m_rateBox->findText(rate); listed >= 0)
        m_rateBox->setCurrentIndex(listed);
    else
        m_rateBox->setCurrentText(rate);
}

void Form1::chooseLanguage(qint16 offset)
{
    LanguageOffset = offset;
    applyCaptions();
}

StartupChoice Form1::choice() const
{
    return { m_portChooser.chosenPort(), m_rateBox->currentText().trimmed().toInt(),
        LanguageOffset };
}

void Form1::accept()
{
    const StartupChoice chosen = choice();
    StartupMemory::remember(chosen);
    emit accepted(chosen);
    close();
}

void Form1::cancel()
{
    close();
}

} // namespace plandor
