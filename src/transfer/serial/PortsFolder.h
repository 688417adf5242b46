#pragma once

#include <QString>
#include <QStringList>

namespace plandor {

// The folder where simulated instruments publish their ports as symbolic
// links: $PLANDOR_PORTS_DIR, else $XDG_RUNTIME_DIR/plandor-ports, else
// <temp>/plandor-ports-<user id>. The last lies where every user may create
// files, so whoever made it first could plant links there: a folder is used
// only when it is a real folder (not a link), this user's, and writable by
// no one else, and only the links this user owns are read from it.
class PortsFolder
{
public:
    enum class State {
        Usable,
        Missing, // not made yet: nothing published
        CannotCreate,
        NotAFolder, // a symbolic link or a file
        NotOwned, // another user's
        OpenToOthers, // writable by group or others
    };

    // The folder's path, unchecked.
    static QString path();
    // Checks the folder; with create, makes it first (mode 0700) when missing.
    static PortsFolder check(bool create);

    const QString &folder() const { return m_path; }
    State state() const { return m_state; }
    bool usable() const { return m_state == State::Usable; }
    // Why the folder is not used, naming it; empty when usable or missing.
    QString refusal() const;

    // The symbolic links in the folder that this user owns, by name order;
    // none when the folder is not usable.
    QStringList ownLinks() const;

private:
    PortsFolder(QString path, State state, QString reason = {});

    QString m_path;
    State m_state;
    QString m_reason; // the system's, when it cannot be created
};

} // namespace plandor
