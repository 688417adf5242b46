#pragma once

#include "store/BulkEdit.h"

#include <QDialog>

class QComboBox;
class QDoubleSpinBox;
class QFormLayout;
class QLineEdit;
class QSpinBox;

namespace plandor {

struct Phrase;

// What the bulk commands ask for.
enum class BulkCommand { SetType, SetAudio, Move, Rename, Fill };

// The one small dialog of the bulk commands: it shows the boxes the command
// needs (type, audio offset or bandwidth, offset, name pattern, raster) and
// gives the change or the raster once accepted.
class BulkEditDialog : public QDialog
{
    Q_OBJECT

public:
    // channels: how many the change is for (Fill: the first count proposed).
    BulkEditDialog(BulkCommand command, int channels, QWidget *parent = nullptr);

    BulkChange change() const;
    FillRaster raster() const;

protected:
    void showEvent(QShowEvent *event) override;

private:
    ChannelType chosenType() const;
    QComboBox *addType();
    QDoubleSpinBox *addNumber(const char *name, const Phrase &label, double low, double high,
        double value, const char *suffix = " MHz");
    QSpinBox *addWhole(const char *name, const Phrase &label, int low, int high, int value);
    void addNames();
    void addRow(QWidget *box, const Phrase &label);

    BulkCommand m_command;
    QFormLayout *m_form = nullptr;
    QComboBox *m_type = nullptr;
    QDoubleSpinBox *m_audio = nullptr;
    QDoubleSpinBox *m_offset = nullptr;
    QDoubleSpinBox *m_firstFreq = nullptr;
    QDoubleSpinBox *m_step = nullptr;
    QSpinBox *m_count = nullptr;
    QLineEdit *m_prefix = nullptr;
    QSpinBox *m_firstNumber = nullptr;
    QSpinBox *m_numberStep = nullptr;
};

} // namespace plandor
