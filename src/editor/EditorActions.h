#pragma once

#include <QObject>

#include <array>

class QAction;
class QToolBar;

namespace plandor {

// The nine plan commands of the toolbar, in their order.
enum class EditorCommand { Upload, Download, Open, Save, Copy, Paste, Insert, Delete, Order };
constexpr int kEditorCommandCount = 9;

// What decides which commands can be clicked.
struct EditorState
{
    bool planLoaded = false; // a plan is in the store: Download, Insert, Order
    bool saveReady = false;
    bool copyReady = false;
    bool deleteReady = false;
    bool pasteReady = false;
    bool busy = false; // a transfer runs: nothing can be clicked

    friend bool operator==(const EditorState &, const EditorState &) = default;
};

// The toolbar (ToolDs) and its named actions; one function sets every
// button's state from the window's state.
class EditorActions : public QObject
{
    Q_OBJECT

public:
    explicit EditorActions(QToolBar *toolbar);

    QAction *action(EditorCommand command) const { return m_actions[int(command)]; }
    void apply(const EditorState &state);
    void applyCaptions();

signals:
    void triggered(EditorCommand command);

private:
    std::array<QAction *, kEditorCommandCount> m_actions {};
};

} // namespace plandor
