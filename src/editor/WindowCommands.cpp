#include "editor/WindowCommands.h"

#include "base/Phrase.h"
#include "editor/EditorWindow.h"
#include "editor/HelpDialogs.h"
#include "transfer/serial/PortList.h"
#include "widgets/ShortcutTip.h"

#include <QAction>
#include <QStyle>
#include <QToolBar>

namespace plandor {
namespace {

constexpr Phrase kSaveAs { u"另存为…", u"Save as..." };
constexpr Phrase kQuit { u"退出", u"Quit" };
constexpr Phrase kManual { u"说明", u"Manual" };
constexpr Phrase kAbout { u"关于…", u"About..." };
constexpr Phrase kPort { u"串口…", u"Port..." };
// Under the icon without the dots, as the other buttons' captions.
constexpr Phrase kPortButton { u"串口", u"Port" };

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
    m_port = addCommand("portAction", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L));
    m_port->setIcon(window.style()->standardIcon(QStyle::SP_DriveNetIcon));
    if (QToolBar *toolbar = window.toolbar())
        toolbar->addAction(m_port);
    connect(m_port, &QAction::triggered, this, &WindowCommands::choosePort);
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
        { m_port, &kPort },
    };
    for (const auto &[action, phrase] : captions) {
        action->setText(phrase->text());
        setToolTipWithShortcut(action, phrase->text());
    }
    m_port->setIconText(kPortButton.text());
}

void WindowCommands::follow(const EditorState &state)
{
    // As Save: a plan to write and no transfer.
    m_saveAs->setEnabled(!state.busy && state.saveReady);
    // The link is not to be changed under a transfer.
    m_port->setEnabled(!state.busy);
}

PortDialog *WindowCommands::choosePort()
{
    if (m_window.isTransferring())
        return nullptr;
    if (m_portDialog)
        return m_portDialog; // already asking
    // Made anew, so that it lists the ports there are now.
    const QStringList ports = m_ports ? m_ports() : PortList::available();
    auto *dialog = new PortDialog(ports, m_portSetting, &m_window);
    connect(dialog, &QDialog::finished, dialog, &QObject::deleteLater);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        m_portSetting = dialog->setting();
        emit portChosen(m_portSetting);
    });
    m_portDialog = dialog;
    dialog->open();
    return dialog;
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
