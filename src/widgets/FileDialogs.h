#pragma once

#include <QString>
#include <QStringList>

class QFileDialog;

namespace plandor {

// The file dialog of Open and Save, with a seam for tests: a queued answer
// is taken instead of showing the dialog.
class FileDialogs
{
public:
    // Filters shown as "(*.txt)" and "All Files (*.*)" (every file), default
    // extension .txt, starting folder the program's folder. Filters set
    // afterwards are shown without their patterns too.
    static void prepare(QFileDialog *dialog);
    // Shows the prepared dialog for opening (the file must exist) or saving;
    // the chosen path, or empty when the user cancelled.
    static QString run(QFileDialog *dialog, bool save);

    // Tests: the next run() answers path without showing anything (an empty
    // path answers as a cancel).
    static void queueAnswer(const QString &path);
    static void clearQueue();
};

} // namespace plandor
