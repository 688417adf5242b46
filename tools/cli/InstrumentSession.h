#pragma once

#include "CliCommand.h"
#include "ProgressLine.h"

#include "store/PlanHistory.h"
#include "transfer/PlanTransfer.h"
#include "transfer/serial/SerialDeviceLink.h"

namespace plandor::cli {

// The link to the instrument that a command opens with --port and --baud,
// its progress line, and what every transfer command does with its results.
class InstrumentSession
{
public:
    explicit InstrumentSession(const CliContext &context);

    // The port and line speed of the command line (9600 baud, the start-up
    // window's rate, without --baud); false with the reason.
    bool open(QString *error);
    // ExitOk, or ExitUnreachable with the reason told.
    int checkConnection();

    SerialDeviceLink &link() { return m_link; }
    // A progress line headed by what is done, until clearProgress().
    void showProgress(const Phrase &what);
    void clearProgress();

    // Keeps a plan that travelled in the history; a history that cannot be
    // written is told of but does not fail the transfer.
    void keepInHistory(PlanHistory::Direction direction, const QList<ChannelValues> &rows,
        const PanelTexts &panel);
    // The exit code of a send of what (the plan, the panel), with the
    // reason told when it did not go through.
    int sendOutcome(const PlanTransfer::SendResult &result, const Phrase &what) const;

private:
    const CliContext &m_context;
    SerialDeviceLink m_link;
    ProgressLine m_progress;
};

} // namespace plandor::cli
