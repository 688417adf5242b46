#pragma once

#include "transfer/serial/Messages.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>
#include <optional>

class QThread;

namespace plandor {

// What asking one port whether an instrument is on it found.
struct ProbeResult
{
    enum class Outcome {
        Answered, // an instrument of ours said who it is
        NoAnswer, // nothing that reads as an answer at any rate tried
        InUse, // another program holds the port: left alone
        Failed, // the port cannot be opened (gone, no permission ...)
    };

    QString port; // as it was asked for
    QString device; // the device it names (a published link's target)
    Outcome outcome = Outcome::NoAnswer;
    std::optional<Messages::Identity> identity; // when Answered
    qint32 rate = 0; // the rate it answered at
    QString reason; // the system's words, when Failed

    // "Simulated meter SIM-0001"; empty unless Answered.
    QString identityText() const;
    // What the user reads of the port, in the run's language: "Simulated
    // meter SIM-0001 on /dev/pts/3", "no answer", "in use by another
    // program" or why it cannot be opened.
    QString describe() const;
};

// Asks serial ports, briefly, whether an instrument answers the handshake:
// a Hello at each rate in turn until one answers (and, from protocol 1.2 on,
// an Identify for the texts). Nothing else is sent, so nothing staged or kept
// on the instrument changes beyond what a Hello discards. A port that another
// program holds is never opened, and a silent port costs about
// kAllowanceMs plus the wire time of a Hello per rate.
class PortProbe
{
public:
    // Time for the instrument to start its answer, plus a USB adapter's
    // latency: a silent port is given up after this and the request's wire time.
    static constexpr int kAllowanceMs = 150;

    // One port, at the rates in order, up to the first that answers. cancel,
    // when set, ends the probe within a few milliseconds (as NoAnswer).
    static ProbeResult probePort(
        const QString &port, const QList<qint32> &rates, const std::atomic_bool *cancel = nullptr);

    // Every port at once, each in a thread of its own, so that the whole takes
    // as long as the slowest port; results in the order of ports.
    static QList<ProbeResult> probe(const QStringList &ports, const QList<qint32> &rates);

    // The rates of BaudRates::kListed with first (when above 0) moved ahead.
    static QList<qint32> ratesStartingWith(qint32 first);
};

// PortProbe for a window: each port asked is probed in a thread of its own
// and its result comes back as a signal in the owner's thread, so the window
// never waits.
class PortProber : public QObject
{
    Q_OBJECT

public:
    explicit PortProber(QObject *parent = nullptr);
    // Cancels the probes under way and waits for them (a few milliseconds).
    ~PortProber() override;

    // Starts probing port, unless it is being probed already.
    void probe(const QString &port, const QList<qint32> &rates);
    // Lets the probes under way end at once; their results are not reported.
    void cancelAll();
    bool isProbing(const QString &port) const { return m_running.contains(port); }
    bool idle() const { return m_running.isEmpty(); }

signals:
    void probed(const plandor::ProbeResult &result);

private:
    void finished(const QString &port, const ProbeResult &result);

    std::shared_ptr<std::atomic_bool> m_cancel;
    QHash<QString, QThread *> m_running;
};

} // namespace plandor

Q_DECLARE_METATYPE(plandor::ProbeResult)
