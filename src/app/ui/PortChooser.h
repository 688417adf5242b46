#pragma once

#include "transfer/PortWatch.h"
#include "transfer/serial/PortProbe.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <optional>

class QComboBox;
class QLabel;
class QWidget;

namespace plandor {

// The port part of the start-up window: makes its port box, fills it with the
// ports in enumeration order, preselects one, and gives the port chosen or
// typed. While it watches, the list follows ports as they come and go, and
// each new port is asked in the background whether an instrument answers:
// what it found is shown beside the box and in the list, and an answering
// port is preselected unless the user picked one. The box's items stay the
// plain port names, which is what OK hands to the link.
class PortChooser : public QObject
{
    Q_OBJECT

public:
    using PortSource = std::function<QStringList()>;
    // The rate to try first: the Rate box's.
    using RateSource = std::function<qint32()>;

    // The list is read anew this often: reading it costs well under a
    // millisecond (sysfs and the ports folder), and only reading it notices
    // a simulator that was killed and left its link behind.
    static constexpr int kPollMs = 1000;
    // What was found on an item's port, as the list shows it beside the name.
    static constexpr int kStatusRole = Qt::UserRole + 1;

    // ports lists the machine's serial ports; the default asks the system and
    // tells the user once of a ports folder it cannot trust.
    explicit PortChooser(PortSource ports = {});

    // The port box (object name Combo1) and the line beside it that says
    // what is on the chosen port (Label6), made once, owned by parent.
    QComboBox *makeBox(QWidget *parent);
    QLabel *makeStatusLabel(QWidget *parent);

    // Lists the ports. The remembered port is preselected while it is still
    // listed; otherwise the last one listed (the newest simulated instrument).
    void listPorts(const std::optional<QString> &remembered);
    QString chosenPort() const;

    // Starts (or goes on) following the ports and probing the new ones.
    void watch(RateSource rate);
    // Stops following them and lets the probes under way end at once.
    void stopWatching();
    bool watching() const { return m_poll.isActive(); }
    // Reads the list now, as the next tick would.
    void refresh();
    // What was found on port, once its probe has ended.
    std::optional<ProbeResult> resultFor(const QString &port) const;
    // Texts in the run's language.
    void applyCaptions();

    // Which of ports to preselect; empty for no ports.
    static QString preselected(const QStringList &ports, const std::optional<QString> &remembered);

signals:
    // An answering port was preselected (not by the user).
    void instrumentChosen(const plandor::ProbeResult &result);

private:
    QStringList listedPorts() const;
    void update(const QStringList &ports);
    void probeNew();
    void probed(const ProbeResult &result);
    void markItem(int index);
    void showStatus();
    bool chosenAnswers() const;
    QString fallbackChoice(const QStringList &ports) const;

    PortSource m_ports;
    RateSource m_rate;
    QComboBox *m_box = nullptr;
    QLabel *m_status = nullptr;
    QTimer m_poll;
    PortWatch m_folders; // a port appearing is seen at once, not at the next tick
    PortProber m_prober;
    QHash<QString, ProbeResult> m_results;
    std::optional<QString> m_remembered;
    bool m_pickedByHand = false;
};

} // namespace plandor
