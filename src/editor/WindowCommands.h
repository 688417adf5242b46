#pragma once

#include "widgets/PortDialog.h"

#include <QObject>
#include <QPointer>

#include <functional>

class QAction;

namespace plandor {

class AboutDialog;
class EditorWindow;
class ManualDialog;
struct EditorState;

// The editor's commands of a desktop program beyond the toolbar's: Save as
// (Ctrl+Shift+S), Quit (Ctrl+Q, as the close box), the manual (F1), the
// About box, and Port (Ctrl+Shift+L, on the toolbar) to change the port and
// rate without a restart. The actions live in the window, so that their keys
// work anywhere in it; the Plan menu lists the first four.
class WindowCommands : public QObject
{
    Q_OBJECT

public:
    explicit WindowCommands(EditorWindow &window);

    QAction *saveAsAction() const { return m_saveAs; }
    QAction *quitAction() const { return m_quit; }
    QAction *manualAction() const { return m_manual; }
    QAction *aboutAction() const { return m_about; }
    QAction *portAction() const { return m_port; }

    using PortSource = std::function<QStringList()>;
    // Where the Port dialog lists the ports from; the machine's by default.
    void setPortSource(PortSource ports) { m_ports = std::move(ports); }
    // The port and rate the link uses now, as whoever set the link up first
    // tells them; the Port dialog starts from them and keeps its choice.
    void setPortSetting(const PortSetting &setting) { m_portSetting = setting; }
    PortSetting portSetting() const { return m_portSetting; }
    // Opens the Port dialog (window-modal, so the editor keeps painting); its
    // OK keeps the choice and emits portChosen.
    PortDialog *choosePort();

    // Shown without blocking; made on first use.
    ManualDialog *showManual();
    AboutDialog *showAbout();

signals:
    // For whoever hands the port to the link and remembers it.
    void portChosen(const plandor::PortSetting &setting);

private:
    QAction *addCommand(const char *name, const QKeySequence &keys);
    void applyCaptions();
    void follow(const EditorState &state);

    EditorWindow &m_window;
    QAction *m_saveAs;
    QAction *m_quit;
    QAction *m_manual;
    QAction *m_about;
    QAction *m_port;
    PortSource m_ports;
    PortSetting m_portSetting;
    QPointer<PortDialog> m_portDialog;
    ManualDialog *m_manualDialog = nullptr;
    AboutDialog *m_aboutDialog = nullptr;
};

} // namespace plandor
