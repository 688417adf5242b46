#pragma once

#include "editor/EditorActions.h"
#include "rules/PanelTexts.h"
#include "store/ChannelColumns.h"
#include "store/PlanOrder.h"
#include "store/RowChange.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUndoCommand>

class QAction;
class QUndoStack;

namespace plandor {

class EditorWindow;

// What a step leaves besides the table: the grid's order, the panel, the
// grid's caption and the buttons.
struct PlanView
{
    PlanOrder order = PlanOrder::ByFreq;
    PanelTexts panel;
    QString caption;
    EditorState buttons;
};

class PlanUndo;

// One change of the plan, held as its rows before and after (RowChange). The
// command makes the change in redo() and its inverse in undo(), each one
// store transaction. A change the user's command has made already (a toolbar
// command, a committed row) is pushed as done: its first redo does nothing.
class PlanStepCommand : public QUndoCommand
{
public:
    enum class Start { ToDo, Done };
    PlanStepCommand(PlanUndo &undo, const QString &name, RowChange change, PlanView before,
        PlanView after, Start start);

    void undo() override;
    void redo() override;

private:
    PlanUndo &m_undo;
    RowChange m_change;
    PlanView m_before, m_after;
    bool m_done;
    bool m_pushed = false;
};

// The editor window's undo stack. A command that changes many rows at once
// hands its change to perform(), which pushes it as a step that makes it.
// A committed row becomes a step of that one row. After a toolbar command or
// a grid key the table is compared with the one the stack knows, and the
// difference becomes one step named after the command; a plan brought in by
// another path (a template, the history) is caught when the grid is re-read,
// and such a caller may name its step at once with settle(). A refused edit
// changes nothing and so makes no step.
class PlanUndo : public QObject
{
    Q_OBJECT

public:
    explicit PlanUndo(EditorWindow &window);

    QUndoStack *stack() const { return m_stack; }
    // Undo (Ctrl+Z) and Redo (Ctrl+Shift+Z, Ctrl+Y), with the standard icons,
    // on the window's toolbar; their texts name the step.
    QAction *undoAction() const { return m_undoAction; }
    QAction *redoAction() const { return m_redoAction; }

    // Makes the change since the last step one step called name (inferred
    // from the change when empty). False when nothing changed.
    bool settle(const QString &name = {});
    // Makes the change as one step called name, through the store (one
    // transaction) and the grid, the buttons left as after. False, with the
    // store's message shown, when the store refuses it; nothing changes then.
    // A change of nothing makes no step.
    bool perform(const QString &name, RowChange change, const EditorState &after);
    // The same for rows given as they become (by identity) and rows added.
    bool perform(const QString &name, const QList<StoredRow> &changed,
        const QList<StoredRow> &added, const EditorState &after);

    // Names of steps that other parts of the window make.
    static QString standardPlanName();
    static QString historyName();

    // Undo and redo after committing a pending edit, as the actions do.
    void undo();
    void redo();

private:
    friend class PlanStepCommand;
    PlanView currentView() const;
    // Makes a change and leaves the window as view: store, grid, panel,
    // caption and buttons. False (the store's message shown) when refused.
    bool apply(const RowChange &change, const PlanView &view);
    void rowCommitted(int row);
    // The row with this identity as the stack knows it; nothing when unknown.
    const StoredRow *knownRow(qint64 rowId) const;
    void push(const QString &name, RowChange change, PlanView after, PlanStepCommand::Start start);
    QString inferredName(const RowChange &change) const;
    void updateActions();

    EditorWindow &m_window;
    QUndoStack *m_stack = nullptr;
    QAction *m_undoAction = nullptr;
    QAction *m_redoAction = nullptr;
    // The table as the last step left it, in identity order, and the rest.
    QList<StoredRow> m_rows;
    PlanView m_view;
    bool m_applying = false;
    bool m_checkPosted = false;
};

} // namespace plandor
