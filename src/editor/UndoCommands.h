#pragma once

#include "editor/EditorActions.h"
#include "store/ChannelColumns.h"
#include "store/PanelTexts.h"
#include "store/PlanOrder.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUndoCommand>

class QAction;
class QUndoStack;

namespace plandor {

class EditorWindow;

// The plan as a step of the undo stack leaves it: the table exactly (rows
// with their identities), the grid's order, the panel, the grid's caption and
// the buttons.
struct PlanState
{
    QList<StoredRow> rows;
    PlanOrder order = PlanOrder::ByFreq;
    PanelTexts panel;
    QString caption;
    EditorState buttons;
};

class PlanUndo;

// One change of the plan, held as the whole table before and after it. The
// change itself was made by the command that the user gave, so the first
// redo (when the step is pushed) does nothing; every later undo and redo puts
// one state back through the store's restore, one transaction.
class PlanStepCommand : public QUndoCommand
{
public:
    PlanStepCommand(PlanUndo &undo, const QString &name, PlanState before, PlanState after);

    void undo() override;
    void redo() override;

private:
    PlanUndo &m_undo;
    PlanState m_before, m_after;
    bool m_done = true;
};

// The editor window's undo stack. It watches the window instead of being
// called by each command: after a toolbar command, a grid key or a committed
// row it compares the store with the state it knows, and a change becomes one
// step, named after the command (or, for an edited row, after what changed in
// it). A plan brought in by another path (a template, the history) is caught
// when the grid is re-read; such a caller may name its step at once with
// settle(). A refused edit changes nothing and so makes no step.
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

    // Names of steps that other parts of the window make.
    static QString standardPlanName();
    static QString historyName();

    // Undo and redo after committing a pending edit, as the actions do.
    void undo();
    void redo();

private:
    friend class PlanStepCommand;
    std::optional<PlanState> currentState();
    // Puts a state back: store, grid, panel, caption and buttons.
    void apply(const PlanState &state);
    QString inferredName(const QList<StoredRow> &before, const QList<StoredRow> &after) const;
    void updateActions();

    EditorWindow &m_window;
    QUndoStack *m_stack = nullptr;
    QAction *m_undoAction = nullptr;
    QAction *m_redoAction = nullptr;
    PlanState m_known;
    bool m_applying = false;
    bool m_checkPosted = false;
};

} // namespace plandor
