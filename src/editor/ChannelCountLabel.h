#pragma once

#include <QLabel>

class QAbstractItemModel;

namespace plandor {

// The number of channels in the plan beside the instrument's limit, shown
// next to the grid caption, so that a plan too large to send is seen while it
// is edited rather than at Download. Follows every change of the model.
class ChannelCountLabel : public QLabel
{
    Q_OBJECT

public:
    ChannelCountLabel(QAbstractItemModel *model, int limit, QWidget *parent = nullptr);

    bool overLimit() const { return m_overLimit; }

protected:
    void changeEvent(QEvent *event) override;

private:
    void refresh();

    QAbstractItemModel *m_model;
    int m_limit;
    bool m_overLimit = false;
    bool m_restyling = false; // a style sheet raises a palette change itself
};

} // namespace plandor
