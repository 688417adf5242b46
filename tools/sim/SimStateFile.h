#pragma once

#include "transfer/serial/instrument/InstrumentSide.h"

#include <QString>

#include <optional>

namespace plandor::sim {

// The simulated instrument's memory: a JSON file holding the committed plan
// and panel. Written whole through a temporary file, so a crash leaves the
// last commit.
class SimStateFile
{
public:
    explicit SimStateFile(QString path)
        : m_path(std::move(path))
    { }

    // The kept plan; nothing when the file is missing or unreadable.
    std::optional<InstrumentPlan> load(QString *error) const;
    bool save(const InstrumentPlan &plan, QString *error) const;

    // What a new instrument holds: a few TV and digital channels, six
    // favourites, dBmV, 8 MHz.
    static InstrumentPlan defaultPlan();

    const QString &path() const { return m_path; }

private:
    QString m_path;
};

} // namespace plandor::sim
