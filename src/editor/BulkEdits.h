#pragma once

#include "editor/BulkEditDialog.h"
#include "store/BulkEdit.h"

#include <QHash>
#include <QList>
#include <QObject>

#include <array>

class QAction;
class QMenu;
class QToolButton;

namespace plandor {

class EditorWindow;

// Editing many channels at once: set the type, the audio offset or
// bandwidth, move the frequencies or rename the selected rows, and Fill,
// which adds channels on a raster. Each change passes the channel rules row
// by row before anything is written; a refused row leaves the plan as it is
// and the user is told which rows and why. A change is one store transaction
// and one undo step. One toolbar button opens the menu of these commands;
// each also has its own shortcut. Attached to a window once; lives as its child.
class BulkEdits : public QObject
{
    Q_OBJECT

public:
    static BulkEdits *attach(EditorWindow &window);

    QAction *action(BulkCommand command) const { return m_actions[size_t(command)]; }
    QMenu *menu() const;
    QToolButton *menuButton() const;

    // Asks for the change in its dialog and makes it; false when cancelled
    // or refused.
    bool run(BulkCommand command);
    // The change to every selected row; false when refused (rows and reasons
    // shown, nothing changed).
    bool apply(const BulkChange &change);
    // Appends the raster's channels after the last ID.
    bool fill(const FillRaster &raster);

    // The rows with at least one selected cell, in grid order.
    QList<int> selectedRows() const;

private:
    explicit BulkEdits(EditorWindow &window);
    QAction *addCommand(BulkCommand command, const char *name, const QKeySequence &shortcut);
    void applyCaptions();
    void updateEnabled();
    bool ready() const;
    // The changed rows (by identity) and the added ones, written in one
    // transaction as one undo step called name.
    bool write(const QList<StoredRow> &changed, const QList<StoredRow> &added, const QString &name,
        QList<qint64> select);
    void tellRefused(const BulkOutcome &outcome, const QList<ChannelValues> &named, bool adding);
    void showError(const QString &text);

    EditorWindow &m_window;
    QAction *m_menuAction;
    std::array<QAction *, 5> m_actions {};
};

} // namespace plandor
