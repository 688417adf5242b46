#pragma once

#include "store/StandardPlans.h"

#include <QDialog>

class QComboBox;
class QDialogButtonBox;
class QLabel;

namespace plandor {

// Asks which standard (and whether analogue or digital) and which range of
// its channels a new plan is made of; plan() is the result.
class StandardPlanDialog : public QDialog
{
    Q_OBJECT
public:
    explicit StandardPlanDialog(const StandardPlans &standards, QWidget *parent = nullptr);

    // Picks a standard by key and variant, and a range by channel names;
    // false when there is no such standard or channel.
    bool choose(const QString &key, PlanVariant variant, const QString &firstName = {},
        const QString &lastName = {});

    StandardPlan plan() const;

private:
    void standardChosen();
    void rangeChosen();
    const StandardTable *table() const;
    PlanVariant variant() const;

    const StandardPlans &m_standards;
    QComboBox *m_standardBox;
    QComboBox *m_firstBox;
    QComboBox *m_lastBox;
    QLabel *m_summary;
    QDialogButtonBox *m_buttons;
};

} // namespace plandor
