#pragma once

#include <QPointer>
#include <QStyledItemDelegate>

namespace plandor {

// Cell editors of the plan grid: a list for Type ("TV", "DIGI") and for
// Audio1 (a DIGI row's bandwidths 6, 7, 8; a TV row's audio offsets), text
// boxes for the other columns. A list starts at the cell's own value and
// writes only a value the user picked from its open list, so Escape, or
// leaving it without a choice, changes nothing. Keys on a closed list change
// nothing either: these columns take no typed text, and a letter or an arrow
// would pick an item at once; F4, Alt+Down and Space open the list.
class ChannelDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit ChannelDelegate(QObject *parent = nullptr);

    static QStringList typeItems();
    // The Audio1 list of a row of this type.
    static QStringList audioItems(const QString &type);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
        const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(
        QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;
    void destroyEditor(QWidget *editor, const QModelIndex &index) const override;
    bool eventFilter(QObject *object, QEvent *event) override;

    // The editor that is open, if any.
    QWidget *openEditor() const { return m_open; }

private:
    mutable QPointer<QWidget> m_open;
};

} // namespace plandor
