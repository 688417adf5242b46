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
} // namespace

void FileDialogs::prepare(QFileDialog *dialog)
{
    dialog->setNameFilters(
        { QStringLiteral("(*.txt) (*.txt)"), QStringLiteral("All Files (*.*) (*)") });
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
