#include "widgets/FileDialogs.h"

#include <QCoreApplication>
#include <QFileDialog>

namespace plandor {
namespace {
QStringList &queued()
{
    static QStringList answers;
    return answers;
}

// A filter shown as its description alone, matching pattern. The dialog takes
// the pattern from the last parentheses and, with the details hidden, shows
// what comes before them: "All Files (*.*)" then lists every file, as "*.*"
// does on Windows, where a name without a dot would be left out here.
QString filterEntry(const QString &description, const QString &pattern)
{
    return description + QStringLiteral(" (") + pattern + QLatin1Char(')');
}

} // namespace

void FileDialogs::prepare(QFileDialog *dialog)
{
    dialog->setOption(QFileDialog::HideNameFilterDetails);
    dialog->setNameFilters({ filterEntry(QStringLiteral("(*.txt)"), QStringLiteral("*.txt")),
        filterEntry(QStringLiteral("All Files (*.*)"), QStringLiteral("*")) });
    dialog->setDefaultSuffix(QStringLiteral("txt"));
    dialog->setDirectory(QCoreApplication::applicationDirPath());
}

QString FileDialogs::run(QFileDialog *dialog, bool save)
{
    if (!queued().isEmpty())
        return queued().takeFirst();
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return {};
    return dialog->selectedFiles().constFirst();
}

void FileDialogs::queueAnswer(const QString &path)
{
    queued().append(path);
}

void FileDialogs::clearQueue()
{
    queued().clear();
}

} // namespace plandor
