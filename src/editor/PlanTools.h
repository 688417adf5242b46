#pragma once

#include "rules/PlanCheck.h"
#include "store/StandardPlans.h"

#include <QObject>
#include <QTimer>

class QAction;
class QDockWidget;

namespace plandor {

class EditorWindow;
class PlanCheckList;
class SpectrumView;

// The plan tools of the editor window: "New plan from standard", the
// spectrum under the grid, and the plan check on demand and before a
// Download. Attached to a window once; lives as its child.
class PlanTools : public QObject
{
    Q_OBJECT
public:
    static PlanTools *attach(EditorWindow &window);

    QAction *newFromStandardAction() const { return m_newAction; }
    QAction *checkAction() const { return m_checkAction; }
    SpectrumView *spectrum() const { return m_spectrum; }
    PlanCheckList *findingsList() const { return m_findings; }

    // Asks which standard and range, then replaces the plan with it as Open
    // does, captioned with the standard's name. False when cancelled or refused.
    bool newFromStandard();
    // Checks the plan in the grid and lists the findings.
    QList<PlanFinding> checkPlan();
    // Before a Download: true when the check finds nothing beyond channels
    // off the standard's raster, or the user chooses to send anyway.
    bool confirmDownload();

private:
    explicit PlanTools(EditorWindow &window);
    void applyCaptions();
    bool loadStandards();
    // Runs the check again on the grid's plan and lists what it finds.
    QList<PlanFinding> refreshFindings();

    EditorWindow &m_window;
    StandardPlans m_standards;
    bool m_standardsLoaded = false;
    QAction *m_newAction;
    QAction *m_checkAction;
    QDockWidget *m_dock;
    SpectrumView *m_spectrum;
    PlanCheckList *m_findings;
    QTimer m_recheck;
};

} // namespace plandor
