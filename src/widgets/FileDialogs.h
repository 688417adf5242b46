#pragma once

#include <QString>
#include <QStringList>

class QFileDialog;

namespace plandor {

// The file dialogs of the editor, with a seam for tests: a queued answer is
// taken instead of showing the dialog.
class FileDialogs
{
public:
    // Filters "Plan files (*.txt)" and "All files (*)" (every file, a name
    // without a dot too), default extension .txt, starting folder
    // startFolder().
    static void prepare(QFileDialog *dialog);
    // Shows the prepared dialog for opening (the file must exist) or saving;
    // the chosen path, or empty when the user cancelled.
    static QString run(QFileDialog *dialog, bool save);

    // Where a question starts before the user chose any folder: the user's
    // documents, or home when there are none. Never the program's folder,
    // which an installed program cannot write.
    static QString startFolder();
    // The description of every file, for the last entry of a filter list.
    static QString allFilesFilter();

    // Tests: the next run() answers path without showing anything (an empty
    // path answers as a cancel).
    static void queueAnswer(const QString &path);
    static void clearQueue();
};

} // namespace plandor
