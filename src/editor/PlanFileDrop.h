#pragma once

#include <QObject>
#include <QString>

class QMimeData;

namespace plandor {

class EditorWindow;

// Dropping a plan file on the editor opens it as Open does. Watches the
// window's drag and drop events; lives as the window's child.
class PlanFileDrop : public QObject
{
    Q_OBJECT

public:
    static PlanFileDrop *attach(EditorWindow &window);

    // The plan file a drop carries: one local .txt or .csv file.
    static QString planFile(const QMimeData *data);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit PlanFileDrop(EditorWindow &window);

    EditorWindow &m_window;
};

} // namespace plandor
