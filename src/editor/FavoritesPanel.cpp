#include "editor/FavoritesPanel.h"

#include "base/MessageBox.h"
#include "base/Phrase.h"
#include "base/TextCatalogue.h"
#include "rules/FavoritesPanelCheck.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace plandor {
namespace {

using FavoritesPanelCheck::kBandwidthBox;
using FavoritesPanelCheck::kBoxCount;
using FavoritesPanelCheck::kFavoriteBoxes; // slot n (0..5) lives in box kFavoriteBoxes[n]

constexpr Phrase kDownloadPanel { u"下传设置", u"Download panel" };

// Heading label of each favourite slot, and its catalogue id.
constexpr int kSlotHeadings[6] = { 0, 1, 3, 4, 6, 7 };
constexpr qint16 kSlotHeadingIds[6] = { 61, 62, 63, 64, 69, 70 };
constexpr int kUnitHeading = 5;

} // namespace

FavoritesPanel::FavoritesPanel(QWidget *parent)
    : QGroupBox(parent)
{
    setObjectName(QStringLiteral("Frame3"));
    auto *form = new QVBoxLayout(this);
    for (int i = 0; i < kBoxCount; ++i) {
        m_boxes[i] = new QLineEdit(this);
        m_boxes[i]->setObjectName(QStringLiteral("Text1(%1)").arg(i));
        // Typed or written by the program, every change is checked; a box the
        // check empties is checked once more and passes.
        connect(m_boxes[i], &QLineEdit::textChanged, this, [this, i] {
            checkBox(i);
            emit panelChanged();
        });
    }
    for (int i : { 0, 1, 3, 4, 5, 6, 7 }) {
        m_headings[i] = new QLabel(this);
        m_headings[i]->setObjectName(QStringLiteral("Label3(%1)").arg(i));
    }
    for (int slot = 0; slot < 6; ++slot) {
        QLabel *heading = m_headings[kSlotHeadings[slot]];
        heading->setBuddy(m_boxes[kFavoriteBoxes[slot]]);
        form->addWidget(heading);
        form->addWidget(m_boxes[kFavoriteBoxes[slot]]);
    }

    m_bandwidthHeading = new QLabel(this);
    m_bandwidthHeading->setObjectName(QStringLiteral("Label4"));
    m_bandwidthHeading->setBuddy(m_boxes[kBandwidthBox]);
    m_mhz = new QLabel(QStringLiteral("MHz"), this);
    m_mhz->setObjectName(QStringLiteral("Label5"));
    auto *bandwidth = new QHBoxLayout;
    bandwidth->addWidget(m_boxes[kBandwidthBox], 1);
    bandwidth->addWidget(m_mhz);
    form->addWidget(m_bandwidthHeading);
    form->addLayout(bandwidth);

    m_unit = new QComboBox(this);
    m_unit->setObjectName(QStringLiteral("Combo5"));
    m_unit->addItems({ QStringLiteral("dBuV"), QStringLiteral("dBmV") });
    m_unit->setCurrentIndex(-1); // no unit is chosen yet
    connect(m_unit, &QComboBox::currentTextChanged, this, &FavoritesPanel::panelChanged);
    m_headings[kUnitHeading]->setBuddy(m_unit);
    form->addWidget(m_headings[kUnitHeading]);
    form->addWidget(m_unit);

    m_download = new QPushButton(this);
    m_download->setObjectName(QStringLiteral("Command3"));
    connect(m_download, &QPushButton::clicked, this, &FavoritesPanel::downloadRequested);
    form->addSpacing(8);
    form->addWidget(m_download);
    form->addStretch(1);
    setMinimumWidth(180);
}

void FavoritesPanel::applyCaptions()
{
    for (int slot = 0; slot < 6; ++slot) {
        QLabel *heading = m_headings[kSlotHeadings[slot]];
        heading->setText(CatalogueText(kSlotHeadingIds[slot]));
        m_boxes[kFavoriteBoxes[slot]]->setAccessibleName(heading->text().trimmed());
    }
    // Names as a screen reader reads them: without layout blanks, and the
    // panel's Download told apart from the toolbar's.
    m_headings[kUnitHeading]->setText(CatalogueText(1));
    m_unit->setAccessibleName(CatalogueText(1).trimmed());
    m_bandwidthHeading->setText(CatalogueText(58));
    m_boxes[kBandwidthBox]->setAccessibleName(CatalogueText(58).trimmed());
    setTitle(CatalogueText(66));
    setAccessibleName(CatalogueText(66).trimmed());
    m_download->setText(CatalogueText(8));
    m_download->setAccessibleName(kDownloadPanel.text());
}

PanelTexts FavoritesPanel::panel() const
{
    PanelTexts panel;
    for (int slot = 0; slot < 6; ++slot)
        panel.favorites[slot] = m_boxes[kFavoriteBoxes[slot]]->text();
    panel.span = m_boxes[kBandwidthBox]->text();
    panel.unit = m_unit->currentText();
    return panel;
}

void FavoritesPanel::setPanel(const PanelTexts &given)
{
    // A panel nobody set (a plan made from a table writes a bandwidth of 0)
    // leaves the boxes blank, rather than refusing a bandwidth the user
    // never typed.
    const PanelTexts panel = given.isBlank() ? PanelTexts {} : given;
    for (int slot = 0; slot < 6; ++slot)
        m_boxes[kFavoriteBoxes[slot]]->setText(panel.favorites[slot]);
    m_unit->setCurrentIndex(panel.unit.isEmpty() ? -1 : m_unit->findText(panel.unit));
    m_boxes[kBandwidthBox]->setText(panel.span);
}

QString FavoritesPanel::bandwidthText() const
{
    return m_boxes[kBandwidthBox]->text();
}

QString FavoritesPanel::favoriteHeading(int slot) const
{
    return m_headings[kSlotHeadings[slot]]->text();
}

QString FavoritesPanel::unitHeading() const
{
    return m_headings[kUnitHeading]->text();
}

void FavoritesPanel::checkBox(int box)
{
    std::array<QString, kBoxCount> texts;
    for (int i = 0; i < kBoxCount; ++i)
        texts[i] = m_boxes[i]->text();
    const auto refusal = FavoritesPanelCheck::check(texts, qint16(box));
    if (!refusal)
        return;
    if (refusal->messageId != 0)
        MessageBox::showCatalogue(refusal->messageId, MessageStyle::ExclamationOk);
    m_boxes[refusal->box]->clear();
}

} // namespace plandor
