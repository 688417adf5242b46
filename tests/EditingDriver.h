#pragma once

// Drives the main window's grid as a user would, for the editing tests.

#include "EditorFixture.h"

#include "editor/Form2.h"
#include "editor/PlanGrid.h"
#include "editor/PlanGridModel.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QTest>

namespace plandor::test {

// Seeds the store, shows it in the grid in the order given and makes the
// window active, so that focus moves as it does for a user.
inline bool loadPlan(
    EditorFixture &f, const QList<ChannelValues> &rows, const char *select = Form2::kOrderById)
{
    f.store.seed(rows);
    if (!f.form->RefreshDataGrid(1, QString::fromLatin1(select)))
        return false;
    f.form->activateWindow();
    if (!QTest::qWaitForWindowActive(f.form.get()))
        return false;
    f.form->grid()->setFocus();
    return f.form->grid()->hasFocus();
}

// The centre of a cell in the grid's viewport.
inline QPoint cellCentre(const Form2 &form, int row, int column)
{
    PlanGrid *grid = form.grid();
    return grid->visualRect(grid->model()->index(row, column)).center();
}

inline void clickCell(Form2 &form, int row, int column, Qt::MouseButton button = Qt::LeftButton,
    Qt::KeyboardModifiers modifiers = {})
{
    QTest::mouseClick(form.grid()->viewport(), button, modifiers, cellCentre(form, row, column));
}

// Lets the keystrokes the handlers queued reach the grid.
inline void settle()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

// Opens the cell's editor, replaces its text as typed, and commits it with
// Enter. Characters beyond Latin-1 arrive as an input method's commit, as
// Chinese does.
inline bool typeIntoCell(Form2 &form, int row, int column, const QString &text)
{
    PlanGrid *grid = form.grid();
    grid->setCurrentIndex(grid->model()->index(row, column));
    QTest::keyClick(grid, Qt::Key_F2);
    auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    if (!editor || editor->parentWidget() != grid->viewport())
        return false;
    editor->selectAll();
    QTest::keyClick(editor, Qt::Key_Backspace);
    QString latin;
    for (QChar c : text) {
        if (c.unicode() <= 0xff) {
            latin += c;
            continue;
        }
        QTest::keyClicks(editor, latin);
        latin.clear();
        QInputMethodEvent commit;
        commit.setCommitString(QString(c));
        QApplication::sendEvent(editor, &commit);
    }
    QTest::keyClicks(editor, latin);
    QTest::keyClick(editor, Qt::Key_Return);
    settle(); // the editor commits through a queued call
    return QApplication::focusWidget() == grid;
}

} // namespace plandor::test
