#pragma once

#include "rules/ChannelValues.h"
#include "rules/PanelTexts.h"
#include "transfer/DeviceLink.h"

#include <QList>
#include <QString>

#include <chrono>
#include <functional>
#include <optional>

namespace plandor {

// The one sequence that moves a plan between the PC and the instrument, shared
// by the editor window and plandor-cli: the plan-size check, the write, the
// pause the instrument needs, the end of the transfer; reading a plan.
class PlanTransfer
{
public:
    // How a send ended, as the user is told it.
    enum class SendOutcome {
        Sent, // the instrument confirmed it holds what was sent
        NothingToSend, // no channel
        TooLarge, // more channels than the instrument takes
        Failed, // refused or broken off; the instrument keeps its old plan
        NotConfirmed, // the end was sent but the instrument could not be asked
                      // afterwards: it holds either the old or the whole new plan
    };

    // How a send ended, and whether the instrument took the write itself
    // (a panel it took is on it whatever the end of the transfer gives).
    struct SendResult
    {
        SendOutcome outcome = SendOutcome::Failed;
        bool writeAccepted = false;
        // Why it was not sent, in the run's language where Plandor words it.
        QString text;

        bool sent() const { return outcome == SendOutcome::Sent; }
        explicit operator bool() const { return sent(); }
    };

    // What an Upload received.
    struct ReceivedPlan
    {
        QList<ChannelValues> rows; // in the instrument's order, ID 1..n
        PanelTexts panel;
    };

    explicit PlanTransfer(DeviceLink &link);

    // The pause after a write lets the instrument settle before it is asked
    // to end the transfer. The window keeps painting meanwhile; the CLI sleeps.
    using Pause = std::function<void(std::chrono::milliseconds)>;
    void setPause(Pause pause) { m_pause = std::move(pause); }
    static constexpr std::chrono::milliseconds kPauseAfterWrite { 500 };

    LinkResult<> checkConnection();
    // The instrument's plan and panel. An instrument that holds no channel
    // gives a plan without rows.
    LinkResult<ReceivedPlan> read();
    // The instrument's panel alone.
    LinkResult<PanelTexts> readPanel();
    // rows in the order to send (frequency order); panel as its boxes hold it.
    SendResult send(const QList<ChannelValues> &rows, const PanelTexts &panel);
    SendResult sendPanel(const PanelTexts &panel);

    // The largest plan this instrument takes: 255, or less when the
    // instrument said so in the handshake.
    int maxChannels() const;

private:
    // The pause, the end, and the instrument asked what it now holds.
    SendResult finishWrite(const LinkResult<> &written, bool panelAlone);

    DeviceLink &m_link;
    Pause m_pause;
};

} // namespace plandor
