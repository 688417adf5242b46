#include "editor/ChannelDelegate.h"

#include "base/NumberText.h"
#include "editor/CellInput.h"
#include "store/ChannelColumns.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

namespace plandor {
namespace {

bool isListColumn(int column)
{
    return column == ColumnType || column == ColumnAudio1;
}

// The item naming the same value as text ("4.5" finds "4.50"); -1 for none.
int itemFor(const QComboBox *combo, const QString &text, int column)
{
    if (column == ColumnType)
        return combo->findText(text);
    const auto value = NumberText::parseNumber(text);
    for (int i = 0; value && i < combo->count(); ++i) {
        if (NumberText::parseNumber(combo->itemText(i)) == value)
            return i;
    }
    return -1;
}

// The keys a closed list acts on without picking an item: those that open
// it. Tab, Enter and Escape are the delegate's own (commit, close).
bool opensList(const QKeyEvent &key)
{
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
    if (modifiers == Qt::AltModifier)
        return key.key() == Qt::Key_Down; // Alt+Up would step to the item above
    return modifiers == Qt::NoModifier && (key.key() == Qt::Key_F4 || key.key() == Qt::Key_Space);
}

bool isDelegateKey(int key)
{
    return key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Enter
        || key == Qt::Key_Return || key == Qt::Key_Escape;
}

} // namespace

ChannelDelegate::ChannelDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{
    setObjectName(QStringLiteral("ChannelDelegate"));
}

QStringList ChannelDelegate::typeItems()
{
    return { QStringLiteral("TV"), QStringLiteral("DIGI") };
}

QStringList ChannelDelegate::audioItems(const QString &type)
{
    if (type == QLatin1String("DIGI"))
        return { QStringLiteral("6"), QStringLiteral("7"), QStringLiteral("8") };
    return { QStringLiteral("4.50"), QStringLiteral("5.50"), QStringLiteral("6.00"),
        QStringLiteral("6.50") };
}

QWidget *ChannelDelegate::createEditor(
    QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QWidget *editor = nullptr;
    if (isListColumn(index.column())) {
        auto *combo = new QComboBox(parent);
        const bool type = index.column() == ColumnType;
        combo->setObjectName(QLatin1String(type ? "Combo2" : "Combo3"));
        const QString rowType = index.siblingAtColumn(ColumnType).data(Qt::EditRole).toString();
        // Each item carries the value it names: the type or the number.
        for (const QString &item : type ? typeItems() : audioItems(rowType)) {
            QVariant value;
            if (type)
                value.setValue(item == QLatin1String("TV") ? ChannelType::Tv : ChannelType::Digi);
            else
                value = NumberText::parseNumber(item).value_or(0.0);
            combo->addItem(item, value);
        }
        combo->setAccessibleName(
            index.model()->headerData(index.column(), Qt::Horizontal).toString().trimmed());
        // A pick is the choice: it is written and the list closes.
        auto *self = const_cast<ChannelDelegate *>(this);
        connect(combo, &QComboBox::activated, self, [self, combo] {
            emit self->commitData(combo);
            emit self->closeEditor(combo);
        });
        editor = combo;
    } else {
        editor = QStyledItemDelegate::createEditor(parent, option, index);
    }
    m_open = editor;
    return editor;
}

void ChannelDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    auto *combo = qobject_cast<QComboBox *>(editor);
    if (!combo || !isListColumn(index.column())) {
        QStyledItemDelegate::setEditorData(editor, index);
        return;
    }
    // A value outside the list leaves no item chosen.
    combo->setCurrentIndex(itemFor(combo, index.data(Qt::EditRole).toString(), index.column()));
}

void ChannelDelegate::setModelData(
    QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    auto *combo = qobject_cast<QComboBox *>(editor);
    if (!combo || !isListColumn(index.column())) {
        // The typed text as the column's value; a text naming no number is
        // handed as typed, for the row's commit to refuse.
        if (auto *line = qobject_cast<QLineEdit *>(editor))
            model->setData(index, CellInput::fromText(index.column(), line->text()).handed());
        else
            QStyledItemDelegate::setModelData(editor, model, index);
        return;
    }
    if (combo->currentIndex() < 0)
        return; // no choice made
    // The model ignores a value equal to the cell's own.
    if (combo->currentIndex()
        == itemFor(combo, index.data(Qt::EditRole).toString(), index.column()))
        return;
    model->setData(index, combo->currentData(), Qt::EditRole);
}

bool ChannelDelegate::eventFilter(QObject *object, QEvent *event)
{
    if (QStyledItemDelegate::eventFilter(object, event))
        return true;
    auto *combo = qobject_cast<QComboBox *>(object);
    if (!combo || event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<const QKeyEvent *>(event);
    return !isDelegateKey(key->key()) && !opensList(*key);
}

void ChannelDelegate::destroyEditor(QWidget *editor, const QModelIndex &index) const
{
    if (m_open == editor)
        m_open = nullptr;
    QStyledItemDelegate::destroyEditor(editor, index);
}

} // namespace plandor
