#include "editor/EditorActions.h"

#include "base/TextCatalogue.h"
#include "widgets/ShortcutTip.h"

#include <QAction>
#include <QStyle>
#include <QToolBar>

namespace plandor {
namespace {

struct CommandRow
{
    const char *key; // the action's object name
    qint16 captionId;
    QStyle::StandardPixmap icon;
};

const CommandRow kCommands[kEditorCommandCount] = {
    { "Upload", 7, QStyle::SP_ArrowUp },
    { "Download", 8, QStyle::SP_ArrowDown },
    { "Open", 9, QStyle::SP_DialogOpenButton },
    { "Save", 10, QStyle::SP_DialogSaveButton },
    { "Copy", 11, QStyle::SP_FileDialogDetailedView },
    { "Paste", 12, QStyle::SP_FileDialogContentsView },
    { "Insert", 13, QStyle::SP_FileDialogNewFolder },
    { "Delete", 14, QStyle::SP_TrashIcon },
    { "Order", 56, QStyle::SP_FileDialogListView },
};

} // namespace

EditorActions::EditorActions(QToolBar *toolbar)
    : QObject(toolbar)
    , m_toolbar(toolbar)
{
    toolbar->setObjectName(QStringLiteral("ToolDs"));
    toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    toolbar->setIconSize(QSize(24, 24));
    for (int i = 0; i < kEditorCommandCount; ++i) {
        const QString key = QString::fromLatin1(kCommands[i].key);
        QAction *action
            = toolbar->addAction(toolbar->style()->standardIcon(kCommands[i].icon), key);
        action->setObjectName(key);
        if (QWidget *button = toolbar->widgetForAction(action))
            button->setObjectName(QStringLiteral("ToolDs_") + key);
        const auto command = EditorCommand(i);
        connect(action, &QAction::triggered, this, [this, command] { emit triggered(command); });
        m_actions[i] = action;
    }
    // Open and Save from the keyboard; a disabled action does not trigger.
    action(EditorCommand::Open)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    action(EditorCommand::Save)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
}

void EditorActions::apply(const EditorState &state)
{
    const bool idle = !state.busy;
    const bool enabled[kEditorCommandCount] = {
        idle, // Upload
        idle && state.planLoaded, // Download
        idle, // Open
        idle && state.saveReady, idle && state.copyReady, idle && state.pasteReady,
        idle && state.planLoaded, // Insert
        idle && state.deleteReady,
        idle && state.planLoaded, // Order
    };
    for (int i = 0; i < kEditorCommandCount; ++i)
        m_actions[i]->setEnabled(enabled[i]);
}

void EditorActions::applyCaptions()
{
    for (int i = 0; i < kEditorCommandCount; ++i) {
        const QString caption = CatalogueText(kCommands[i].captionId);
        m_actions[i]->setText(caption);
        setToolTipWithShortcut(m_actions[i], caption.trimmed());
        if (QWidget *button = m_toolbar->widgetForAction(m_actions[i]))
            button->setAccessibleName(caption);
    }
}

} // namespace plandor
