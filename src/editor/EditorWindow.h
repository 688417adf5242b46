#pragma once

#include "editor/EditorActions.h"
#include "rules/PanelTexts.h"
#include "store/ChannelColumns.h"
#include "store/PlanOrder.h"

#include <QMainWindow>

class QToolBar;
class QLabel;
class QMenu;
class QProgressBar;
class QTimer;
class QToolButton;

namespace plandor {

class ChannelStore;
class FavoritesPanel;
class PlanCommands;
class PlanTableModel;
class PlanTableView;
class RecentPlans;
class TransferCommands;
class WindowCommands;

// The editor window (Form2): toolbar, progress bar, plan grid and favourites
// panel over the shared store. Every command first commits the row being
// edited; when a rule refuses it, the rule's message shows, the command does
// not run and the cell keeps the focus. Features added later hook in through
// the model, the grid's selection, addCommand() and the dock areas of this
// main window, and bring in whole plans through replacePlan().
class EditorWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit EditorWindow(ChannelStore &store, QWidget *parent = nullptr);
    ~EditorWindow() override;

    ChannelStore &store() const { return m_store; }
    PlanTableModel *model() const { return m_model; }
    PlanTableView *view() const { return m_view; }
    FavoritesPanel *panel() const { return m_panel; }
    EditorActions *actions() const { return m_actions; }
    QProgressBar *progressBar() const { return m_progress; }
    RecentPlans *recentPlans() const { return m_recent; }
    WindowCommands *windowCommands() const { return m_windowCommands; }
    // The toolbar, for a feature's own actions.
    QToolBar *toolbar() const;

    // Runs a command as its button does (after committing the pending edit);
    // the keys and the panel's Download come through here too.
    void run(EditorCommand command);
    void sendPanel();
    // Opens the plan file at path (a plan text file, or a .csv table) as Open
    // and Import CSV do once their file is chosen: the pending edit is
    // committed first and the new plan is one undoable step. False (the
    // reason shown) when refused or nothing was opened.
    bool openPlanFile(const QString &path);
    // Save under a new name: Save's question with no name proposed.
    void saveAs();
    // The plan file last opened or saved, empty when the plan came from
    // elsewhere; the save questions propose its name.
    QString planPath() const { return m_planPath; }
    // A plan file was opened or saved: it becomes the plan's file and the
    // most recent plan.
    void notePlanFile(const QString &path);
    // Commits the row being edited; false (message shown, cell focused) when
    // a rule or the store refused it.
    bool commitPending();

    // Re-reads the grid; a failure is shown and the grid stays as it was.
    bool reload(PlanOrder order);
    // The one way a whole plan comes into the window (plan file, template,
    // history, instrument): the store replaces its plan, the grid shows it in
    // order, the panel and caption are set and the buttons are those of a
    // loaded plan. False (reason shown, nothing changed) when the store refused.
    bool replacePlan(const QList<ChannelValues> &rows, const PanelTexts &panel,
        const QString &caption, PlanOrder order = PlanOrder::ById);
    // After the store took a plan by another path: shows it as replacePlan does.
    void showLoadedPlan(const PanelTexts &panel, const QString &caption, PlanOrder order);

    QString caption() const;
    void setCaption(const QString &caption);
    EditorState state() const { return m_state; }
    void setState(const EditorState &state);
    bool isTransferring() const { return m_state.busy; }

signals:
    // The buttons' state changed: a feature's own actions follow it (none
    // can be used while a transfer runs).
    void stateChanged(const EditorState &state);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QWidget *buildTitle();
    // The caption, the grid, the panel and their layout under the toolbar.
    void buildGrid(QWidget *central, QToolBar *toolbar);
    // The grid's events switch buttons as the commands do.
    void followGridEvents();
    void applyCaptions();
    void showStoredPlan();
    void runCommand(EditorCommand command);
    void save(bool proposeName);
    void restorePlacement();
    void upload();
    void download();
    // The panel and caption are kept in the store beside the plan.
    void keepDetailsSoon();
    void keepDetails();

    ChannelStore &m_store;
    PlanTableModel *m_model = nullptr;
    PlanTableView *m_view = nullptr;
    FavoritesPanel *m_panel = nullptr;
    EditorActions *m_actions = nullptr;
    QProgressBar *m_progress = nullptr;
    QLabel *m_title = nullptr;
    QToolButton *m_closeButton = nullptr;
    QLabel *m_caption = nullptr;
    PlanCommands *m_planCommands = nullptr;
    TransferCommands *m_transfer = nullptr;
    EditorState m_state;
    bool m_closeWhenIdle = false;
    QTimer *m_detailsTimer = nullptr;
    RecentPlans *m_recent = nullptr;
    WindowCommands *m_windowCommands = nullptr;
    QString m_planPath;
};

} // namespace plandor
