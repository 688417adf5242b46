#pragma once

#include "widgets/FilePrompt.h"

#include <QObject>

namespace plandor {

class EditorWindow;
struct PlanFileSource;

// The plan file and record commands of the editor window: Open, Save, Copy,
// Paste, Insert, Delete and Order. Each asks its questions, calls the store's
// operation, shows a refusal and re-reads the grid; the window sets the
// buttons from what each returns.
class PlanCommands : public QObject
{
    Q_OBJECT

public:
    explicit PlanCommands(EditorWindow &window);

    // Whether a plan file was read into the store / written.
    bool open();
    // Reads the plan file at path into the store as open() does once a file
    // is chosen; a refusal is shown and changes nothing.
    bool openFile(const QString &path);
    // proposeName: the question proposes the plan's file name (Save), or
    // none (Save as).
    bool save(bool proposeName = true);
    void copy();
    void paste();
    void insert();
    void remove();
    void order();

    // After a plan came in (Open, Paste, Upload): one message that tells how
    // many rows the channel rules refuse (marked in the grid, kept) and why
    // the first one is refused, and, when warnSize, that the plan is larger
    // than the instrument takes. Nothing is shown when neither applies.
    void tellAboutPlan(bool warnSize);

private:
    bool showFailure(bool ok, const QString &reason);
    bool write(const QString &path, const PlanFileSource &source);

    EditorWindow &m_window;
    FilePrompt m_openPrompt;
    FilePrompt m_savePrompt;
};

} // namespace plandor
