#include "widgets/FilePrompt.h"

#include "widgets/FileDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QSettings>

namespace plandor {

FilePrompt::FilePrompt(QWidget *parent, const QString &key, Mode mode, const QStringList &filters,
    const QString &suffix)
    : m_parent(parent)
    , m_key(key)
    , m_mode(mode)
    , m_filters(filters)
    , m_suffix(suffix)
{ }

void FilePrompt::setTitle(const QString &title)
{
    m_title = title;
    if (m_dialog) {
        m_dialog->setWindowTitle(title);
        m_dialog->setAccessibleName(title);
    }
}

QString FilePrompt::settingsKey() const
{
    return QStringLiteral("folders/") + m_key;
}

QString FilePrompt::folder() const
{
    const QString last = QSettings().value(settingsKey()).toString();
    if (!last.isEmpty() && QDir(last).exists())
        return last;
    return FileDialogs::startFolder();
}

QString FilePrompt::ask(const QString &proposal)
{
    // A new dialog each time: one kept would still propose the last answer's
    // name, which selectFile() cannot take back.
    delete m_dialog;
    m_dialog = new QFileDialog(m_parent);
    m_dialog->setObjectName(
        m_objectName.isEmpty() ? m_key + QStringLiteral("FileDialog") : m_objectName);
    setTitle(m_title);
    FileDialogs::prepare(m_dialog);
    if (!m_filters.isEmpty())
        m_dialog->setNameFilters(m_filters);
    if (!m_suffix.isEmpty())
        m_dialog->setDefaultSuffix(m_suffix);
    m_dialog->setDirectory(folder());
    QString name;
    if (m_mode == Mode::Save && !proposal.isEmpty())
        name
            = QFileInfo(proposal).completeBaseName() + QLatin1Char('.') + m_dialog->defaultSuffix();
    if (!name.isEmpty())
        m_dialog->selectFile(name);
    const QString path = FileDialogs::run(m_dialog, m_mode == Mode::Save);
    if (!path.isEmpty())
        QSettings().setValue(settingsKey(), QFileInfo(path).absolutePath());
    return path;
}

} // namespace plandor
