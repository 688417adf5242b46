#include "widgets/FileDialogs.h"

#include "base/Phrase.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>

namespace plandor {
namespace {

constexpr Phrase kPlanFiles { u"频道表文件 (*.txt)", u"Plan files (*.txt)" };
constexpr Phrase kAllFiles { u"所有文件 (*)", u"All files (*)" };

QStringList &queued()
{
    static QStringList answers;
    return answers;
}

} // namespace

void FileDialogs::prepare(QFileDialog *dialog)
{
    dialog->setNameFilters({ kPlanFiles.text(), allFilesFilter() });
    dialog->setDefaultSuffix(QStringLiteral("txt"));
    dialog->setDirectory(startFolder());
}

QString FileDialogs::run(QFileDialog *dialog, bool save)
{
    if (!queued().isEmpty())
        return queued().takeFirst();
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    const int answer = dialog->exec();
    // A path typed and taken with Enter leaves the name completer's list open
    // over the window (the dialog only hides): it would take the next keys,
    // the window's shortcuts among them.
    for (QCompleter *completer : dialog->findChildren<QCompleter *>()) {
        if (completer->popup()->isVisible())
            completer->popup()->hide();
    }
    if (answer != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return {};
    return dialog->selectedFiles().constFirst();
}

QString FileDialogs::startFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QDir(documents).exists())
        return documents;
    return QDir::homePath();
}

QString FileDialogs::allFilesFilter()
{
    return kAllFiles.text();
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
