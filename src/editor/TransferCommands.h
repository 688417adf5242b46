#pragma once

#include "store/PlanHistory.h"

#include "rules/PanelTexts.h"
#include "store/ChannelColumns.h"

#include <QObject>

#include <optional>

class QProgressBar;
class QTimer;

namespace plandor {

class ChannelStore;
class PlanTransfer;

// The window's side of the instrument transfers: the progress bar and its
// pacing timer (Timer1), the messages, and the wait after a write that keeps
// the window painting while it takes no user input. The sequence itself is
// PlanTransfer's.
class TransferCommands : public QObject
{
    Q_OBJECT

public:
    TransferCommands(ChannelStore &store, QProgressBar *progress, QObject *parent);
    ~TransferCommands() override;

    // Shows the progress bar and checks the connection; an unreachable
    // instrument is reported (message 16) and gives false.
    bool begin();
    // Sets the final progress, hides the bar, stops the timer and lets go
    // of the port.
    void end();

    // Reads the plan and stores it; its panel when it was stored, nothing
    // when the read or the store failed (the reason shown).
    std::optional<PanelTexts> upload();
    // Sends the plan in frequency order with the panel; whether the
    // instrument holds it. The messages are shown here, and after a send a
    // bandwidth that went out rounded (8.5 as 8) is told.
    bool download(const PanelTexts &panel);
    // The panel's Download: the panel alone.
    void sendPanel(const PanelTexts &panel);
    // The store's plan cannot be sent whatever the user answers (more
    // channels than the instrument holds, or channels the rules refuse): it
    // is refused at once (the reason, then message 19), before the plan
    // check or the link. False when it can be sent.
    bool refuseUnsendable();

private:
    static void releasePort();
    // The store's rows in frequency order when they can be sent; otherwise
    // nothing, and the user told why.
    std::optional<QList<ChannelValues>> sendableRows();
    // False, and the user told, when the history could not keep the plan.
    bool keepInHistory(PlanHistory::Direction direction, const QList<ChannelValues> &rows,
        const PanelTexts &panel);
    std::optional<PlanTransfer> makeTransfer() const;
    void pulse();

    ChannelStore &m_store;
    QProgressBar *m_progress;
    QTimer *m_timer;
};

} // namespace plandor
