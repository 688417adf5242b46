#pragma once

#include "app/EditorLauncher.h"
#include "app/SingleInstance.h"
#include "app/StartupStore.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class QWidget;

namespace plandor {

class EditorWindow;
class Form1;

// What the command line asks of a run, once Qt has taken its own options.
struct RunArguments
{
    QString planFile; // absolute; empty for none

    // Unknown options are left to Qt and ignored, as they always were; a
    // second file is refused (nullopt, with *error).
    static std::optional<RunArguments> read(const QStringList &arguments, QString *error);
};

// One run over one database: the one-instance guard, the start-up window, the
// store opened once that window is on screen, and the editor with the plan
// file of the command line once the window is accepted.
class ProgramStart
{
public:
    ProgramStart(const QString &databasePath, const RunArguments &arguments);
    ~ProgramStart();

    // Takes the database and shows the start-up window (`beforeShow` sees it
    // first). False when the database cannot be taken: the user was told why
    // and a run that holds it was asked to come forward.
    bool begin(const std::function<void(QWidget &)> &beforeShow = {});

    Form1 *startupWindow() const { return m_form.get(); }
    EditorWindow *editor() const { return m_launcher.editor(); }

private:
    SingleInstance m_instance;
    StartupStore m_store;
    // Torn down before the store, which the editor works on.
    EditorLauncher m_launcher;
    std::unique_ptr<Form1> m_form;
};

// The program's whole run: message boxes, the trace, the device link and
// ProgramStart on the run's database. `beforeShow` sees the start-up window
// before it is first shown (the start-up benchmark watches its first paint
// there). Returns the exit code.
int runProgram(int &argc, char **argv, const std::function<void(QWidget &)> &beforeShow = {});

} // namespace plandor
