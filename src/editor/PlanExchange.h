#pragma once

#include "store/ChannelColumns.h"
#include "store/PlanHistory.h"
#include "widgets/FilePrompt.h"

#include <QList>
#include <QObject>

#include <functional>
#include <optional>

class QAction;
class QMenu;
class QToolButton;

namespace plandor {

class CompareDialog;
class EditorWindow;
class HistoryDialog;

// How the editor window trades plans beyond Open and Save: the History
// window, Compare (with the instrument, a history entry or a plan file), CSV
// export and import and the recent plans. One toolbar button opens a menu of
// these commands, which also lists Save as, the manual and About; each
// command has its own shortcut. Attached to a window once; lives as its child.
class PlanExchange : public QObject
{
    Q_OBJECT

public:
    static PlanExchange *attach(EditorWindow &window);

    QAction *historyAction() const { return m_history; }
    QAction *compareInstrumentAction() const { return m_compareInstrument; }
    QAction *compareFileAction() const { return m_compareFile; }
    QAction *exportCsvAction() const { return m_exportCsv; }
    QAction *importCsvAction() const { return m_importCsv; }
    QToolButton *menuButton() const;
    QMenu *menu() const;
    // The "Recent plans" submenu: one entry a plan, most recent first, then Clear.
    QMenu *recentMenu() const { return m_recentMenu; }
    // The question of each file command; its dialog is made on first use.
    FilePrompt &comparePrompt() { return m_comparePrompt; }
    FilePrompt &exportPrompt() { return m_exportPrompt; }
    FilePrompt &importPrompt() { return m_importPrompt; }

    // The History window, made on first use.
    HistoryDialog *historyDialog();
    // The Compare view last shown; null before the first comparison.
    CompareDialog *compareDialog() const { return m_compare; }

    void showHistory();
    // Each compares the plan in the store with another and shows the
    // Compare view; false when nothing was compared (the reason shown).
    bool compareWithInstrument();
    bool compareWithFile();
    bool compareWithEntry(const PlanHistory::Entry &entry);
    // Loads an entry as the current plan, one undoable step.
    bool openEntry(const PlanHistory::Entry &entry);
    bool exportCsv();
    bool importCsv();
    // Imports the table at path as importCsv() does once it is chosen.
    bool importCsvFile(const QString &path);
    // Opens a recent plan; one no longer there is taken off the list, and
    // the user told so.
    bool openRecent(const QString &path);

private:
    explicit PlanExchange(EditorWindow &window);
    // The Plan menu: its own commands, the recent plans and the window's.
    QMenu *buildMenu(EditorWindow &window);
    QAction *addCommand(const char *name, const QKeySequence &shortcut);
    void applyCaptions();
    void updateEnabled();
    // Commits the pending edit; false while a transfer runs or when refused.
    bool ready();
    std::optional<QList<ChannelValues>> currentRows();
    void showComparison(const QList<ChannelValues> &other, const QString &otherName);
    void fillRecentMenu();
    // Runs a reader of a plan (file, table, history entry); a refusal is
    // shown and gives nothing.
    std::optional<PlanFileContent> readPlan(
        const std::function<bool(PlanFileContent &, QString *)> &reader);

    EditorWindow &m_window;
    QAction *m_menuAction;
    QAction *m_history;
    QAction *m_compareInstrument;
    QAction *m_compareFile;
    QAction *m_exportCsv;
    QAction *m_importCsv;
    HistoryDialog *m_historyDialog = nullptr;
    CompareDialog *m_compare = nullptr;
    QMenu *m_recentMenu = nullptr;
    QAction *m_clearRecent = nullptr;
    FilePrompt m_comparePrompt;
    FilePrompt m_exportPrompt;
    FilePrompt m_importPrompt;
    bool m_wasBusy = false;
};

} // namespace plandor
