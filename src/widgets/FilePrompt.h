#pragma once

#include <QString>
#include <QStringList>

class QFileDialog;
class QWidget;

namespace plandor {

// One file question of a window (Open, Save, Compare with file, ...). Each
// has its own dialog, so that no question proposes the name another was
// last given, its own filters and extension, and its own last folder, kept
// in the settings from run to run.
class FilePrompt
{
public:
    enum class Mode { Open, Save };

    // key names the question in the settings; filters and suffix replace
    // those of a plan file when given.
    FilePrompt(QWidget *parent, const QString &key, Mode mode, const QStringList &filters = {},
        const QString &suffix = {});

    void setTitle(const QString &title);
    // The dialog's object name, "<key>FileDialog" unless set.
    void setObjectName(const QString &name) { m_objectName = name; }
    // The chosen path, empty when cancelled. A save question proposes the
    // file name of proposal with this question's extension.
    QString ask(const QString &proposal = {});

    // The folder the question opens in: the one of its last answer while
    // that folder exists, else FileDialogs::startFolder().
    QString folder() const;
    // The dialog of the last ask(); null before the first.
    QFileDialog *dialog() const { return m_dialog; }

private:
    QString settingsKey() const;

    QWidget *m_parent;
    QString m_key;
    Mode m_mode;
    QStringList m_filters;
    QString m_suffix;
    QString m_title;
    QString m_objectName;
    QFileDialog *m_dialog = nullptr;
};

} // namespace plandor
