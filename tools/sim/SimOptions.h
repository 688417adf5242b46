#pragma once

#include <QString>

#include <optional>

namespace plandor::sim {

// The faults the simulated instrument can put on its line. Rates are
// probabilities from 0 to 1, drawn from a generator seeded with seed.
struct FaultSettings
{
    quint32 seed = 1;
    double dropRate = 0; // a byte is lost (either direction)
    double corruptRate = 0; // a byte gets one bit flipped (either direction)
    double noiseRate = 0; // a random byte is added after a sent byte
    int preamble = 0; // random bytes sent before every reply
    double delayRate = 0; // a reply is held back for delayMs
    int delayMs = 0;
    double malformedRate = 0; // a reply is replaced by a malformed frame
    bool silent = false; // no reply at all
    bool refuseWrites = false; // writes are refused
    int unplugAfter = 0; // the line goes away after this many requests (0: never)
    int loseRequest = 0; // the n-th request and its repeats never arrive (0: none)
    int loseReply = 0; // the replies to the n-th request and its repeats are lost (0: none)

    bool any() const
    {
        return dropRate > 0 || corruptRate > 0 || noiseRate > 0 || preamble > 0 || delayRate > 0
            || malformedRate > 0 || silent || refuseWrites || loseRequest > 0 || loseReply > 0;
    }
};

struct SimOptions
{
    QString statePath;
    QString device; // a serial device to serve instead of a new pseudo-terminal
    QString linkPath; // a fixed symbolic link to the port, besides the published one
    qint32 baud = 0; // line timing to imitate; 0 = as fast as the pseudo-terminal
    std::optional<quint8> protocolVersion;
    quint16 maxChannels = 255; // the limit the instrument states in its handshake
    bool blank = false; // start holding no channels
    QString tracePath; // a file that gets a line for every request handled
    FaultSettings faults;

    // The speed a --device is opened at: --baud, else the start-up window's
    // and plandor-cli's default rate.
    qint32 deviceBaud() const;
};

// Reads the command line; on a usage error prints it and gives nothing.
std::optional<SimOptions> ParseSimOptions(const QStringList &arguments);

} // namespace plandor::sim
