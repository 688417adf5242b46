#include "editor/WindowCommands.h"

#include "base/Phrase.h"
#include "editor/EditorWindow.h"
#include "editor/HelpDialogs.h"
#include "widgets/ShortcutTip.h"

#include <QAction>
#include <QStyle>

namespace plandor {
namespace {

constexpr Phrase kSaveAs { u"另存为…", u"Save as..." };
constexpr Phrase kQuit { u"退出", u"Quit" };
constexpr Phrase kManual { u"说明", u"Manual" };
constexpr Phrase kAbout { u"关于…", u"About..." };

template <typename Dialog> Dialog *present(Dialog *&dialog, QWidget *parent)
{
    if (!dialog)
        dialog = new Dialog(parent);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    return dialog;
}

} // namespace

WindowCommands::WindowCommands(EditorWindow &window)
    : QObject(&window)
    , m_window(window)
{
    setObjectName(QStringLiteral("windowCommands"));
    m_saveAs = addCommand("saveAsAction", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    m_quit = addCommand("quitAction", QKeySequence(Qt::CTRL | Qt::Key_Q));
    m_manual = addCommand("manualAction", QKeySequence(Qt::Key_F1));
    m_about = addCommand("aboutAction", {});
    m_saveAs->setIcon(window.style()->standardIcon(QStyle::SP_DialogSaveButton));
    m_quit->setMenuRole(QAction::QuitRole);
    m_about->setMenuRole(QAction::AboutRole);
    connect(m_saveAs, &QAction::triggered, &window, &EditorWindow::saveAs);
    // The close box's path: its confirmation, a running transfer, the edit.
    connect(m_quit, &QAction::triggered, &window, &QWidget::close);
    connect(m_manual, &QAction::triggered, this, &WindowCommands::showManual);
    connect(m_about, &QAction::triggered, this, &WindowCommands::showAbout);
    connect(&window, &EditorWindow::stateChanged, this, &WindowCommands::follow);
    applyCaptions();
    follow(window.state());
}

QAction *WindowCommands::addCommand(const char *name, const QKeySequence &keys)
{
    auto *action = new QAction(&m_window);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    m_window.addAction(action);
    return action;
}

void WindowCommands::applyCaptions()
{
    const std::pair<QAction *, const Phrase *> captions[] = {
        { m_saveAs, &kSaveAs },
        { m_quit, &kQuit },
        { m_manual, &kManual },
        { m_about, &kAbout },
    };
    for (const auto &[action, phrase] : captions) {
        action->setText(phrase->text());
        setToolTipWithShortcut(action, phrase->text());
    }
}

void WindowCommands::follow(const EditorState &state)
{
    // As Save: a plan to write and no transfer.
    m_saveAs->setEnabled(!state.busy && state.saveReady);
}

ManualDialog *WindowCommands::showManual()
{
    return present(m_manualDialog, &m_window);
}

AboutDialog *WindowCommands::showAbout()
{
    return present(m_aboutDialog, &m_window);
}

} // namespace plandor
