#pragma once

#include <QObject>

class QAction;

namespace plandor {

class AboutDialog;
class EditorWindow;
class ManualDialog;
struct EditorState;

// The editor's commands of a desktop program beyond the toolbar's: Save as
// (Ctrl+Shift+S), Quit (Ctrl+Q, as the close box), the manual (F1) and the
// About box. The actions live in the window, so that their keys work
// anywhere in it; the Plan menu lists them too.
class WindowCommands : public QObject
{
    Q_OBJECT

public:
    explicit WindowCommands(EditorWindow &window);

    QAction *saveAsAction() const { return m_saveAs; }
    QAction *quitAction() const { return m_quit; }
    QAction *manualAction() const { return m_manual; }
    QAction *aboutAction() const { return m_about; }

    // Shown without blocking; made on first use.
    ManualDialog *showManual();
    AboutDialog *showAbout();

private:
    QAction *addCommand(const char *name, const QKeySequence &keys);
    void applyCaptions();
    void follow(const EditorState &state);

    EditorWindow &m_window;
    QAction *m_saveAs;
    QAction *m_quit;
    QAction *m_manual;
    QAction *m_about;
    ManualDialog *m_manualDialog = nullptr;
    AboutDialog *m_aboutDialog = nullptr;
};

} // namespace plandor
