#pragma once

#include "rules/PanelTexts.h"

#include <QGroupBox>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace plandor {

// The favourites frame (Frame3): six favourite channel boxes, the bandwidth
// box and the level unit list (Combo5), each box checked on every change, and
// the button (Command3) that asks for the panel to be sent. This is the one
// place that knows which box holds which favourite slot.
class FavoritesPanel : public QGroupBox
{
    Q_OBJECT

public:
    explicit FavoritesPanel(QWidget *parent = nullptr);

    PanelTexts panel() const;
    // Every box is written, so each runs its check; a unit not in the list
    // leaves no unit chosen.
    void setPanel(const PanelTexts &panel);
    QString bandwidthText() const;
    // Captions in the run's language.
    void applyCaptions();
    // The texts of the boxes in their heading order, with their headings,
    // for the plan file.
    QString favoriteHeading(int slot) const;
    QString unitHeading() const;

signals:
    void downloadRequested();
    // A box or the unit changed (typed, or written by the program).
    void panelChanged();

private:
    void checkBox(int box);

    QLineEdit *m_boxes[7] = {}; // Text1(0..6); 4 is the bandwidth
    QLabel *m_headings[8] = {}; // Label3(0..7); there is no 2
    QLabel *m_bandwidthHeading = nullptr;
    QLabel *m_mhz = nullptr;
    QComboBox *m_unit = nullptr;
    QPushButton *m_download = nullptr;
};

} // namespace plandor
