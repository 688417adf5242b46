#include "editor/EditorActions.h"

#include "base/Phrase.h"
#include "base/TextCatalogue.h"
#include "widgets/ShortcutTip.h"
#include "widgets/ToolbarNames.h"

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
    QKeyCombination keys;
};

// The keys people know where there are such (Ctrl+O, Ctrl+S, Ctrl+C,
// Insert, Delete); Upload and Download by their initials.
const CommandRow kCommands[kEditorCommandCount] = {
    { "Upload", 7, QStyle::SP_ArrowUp, Qt::CTRL | Qt::Key_U },
    { "Download", 8, QStyle::SP_ArrowDown, Qt::CTRL | Qt::Key_D },
    { "Open", 9, QStyle::SP_DialogOpenButton, Qt::CTRL | Qt::Key_O },
    { "Save", 10, QStyle::SP_DialogSaveButton, Qt::CTRL | Qt::Key_S },
    { "Copy", 11, QStyle::SP_FileDialogDetailedView, Qt::CTRL | Qt::Key_C },
    { "Paste", 12, QStyle::SP_FileDialogContentsView, Qt::CTRL | Qt::Key_V },
    { "Insert", 13, QStyle::SP_FileDialogNewFolder, QKeyCombination(Qt::Key_Insert) },
    { "Delete", 14, QStyle::SP_TrashIcon, QKeyCombination(Qt::Key_Delete) },
    { "Order", 56, QStyle::SP_FileDialogListView, Qt::CTRL | Qt::Key_R },
};

// The panel has a Download of its own ("Download panel"): a screen reader
// tells the two apart.
constexpr Phrase kDownloadPlan { u"下传频道表", u"Download plan" };

} // namespace

EditorActions::EditorActions(QToolBar *toolbar)
    : QObject(toolbar)
{
    toolbar->setObjectName(QStringLiteral("ToolDs"));
    toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    toolbar->setIconSize(QSize(24, 24));
    for (int i = 0; i < kEditorCommandCount; ++i) {
        const QString key = QString::fromLatin1(kCommands[i].key);
        QAction *action
            = toolbar->addAction(toolbar->style()->standardIcon(kCommands[i].icon), key);
        action->setObjectName(key);
        // A disabled action does not take its key: the grid's own Delete,
        // Ctrl+C and Ctrl+V then run the command as before.
        action->setShortcut(QKeySequence(kCommands[i].keys));
        if (QWidget *button = toolbar->widgetForAction(action))
            button->setObjectName(QStringLiteral("ToolDs_") + key);
        const auto command = EditorCommand(i);
        connect(action, &QAction::triggered, this, [this, command] { emit triggered(command); });
        m_actions[i] = action;
    }
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
    }
    // Names every button of the toolbar now, this one by its own name.
    ToolbarNames::setAccessibleName(action(EditorCommand::Download), kDownloadPlan.text());
}

} // namespace plandor
