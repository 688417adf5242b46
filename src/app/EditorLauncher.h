#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

namespace plandor {

class ChannelStore;
class EditorWindow;
class Form1;
struct StartupChoice;

// What an accepted start-up window leads to: the choice goes to the device
// link, the editor window opens on the run's store with every feature
// attached, and a plan file named on the command line is opened in it as Open
// does.
class EditorLauncher : public QObject
{
    Q_OBJECT

public:
    // Where the editor finds its store (not owned); without one it opens the
    // default database itself.
    using StoreSource = std::function<ChannelStore *()>;
    explicit EditorLauncher(StoreSource store = {});
    ~EditorLauncher() override;

    // Opened once, after the first acceptance; empty for none.
    void setPlanFile(const QString &path) { m_planFile = path; }

    // Opens the editor when form is accepted.
    void follow(Form1 &form);
    void open(const StartupChoice &choice);

    // The editor window, once opened.
    EditorWindow *editor() const;

private:
    StoreSource m_storeSource;
    std::unique_ptr<ChannelStore> m_ownStore;
    QPointer<EditorWindow> m_editor;
    QString m_planFile;
};

} // namespace plandor
