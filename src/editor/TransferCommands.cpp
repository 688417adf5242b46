#include "editor/TransferCommands.h"

#include "base/MessageBox.h"
#include "base/Phrase.h"
#include "base/ShownValue.h"
#include "base/TextCatalogue.h"
#include "rules/FavoritesPanelCheck.h"
#include "rules/PlanSizeLimit.h"
#include "store/ChannelStore.h"
#include "store/PlanHistory.h"
#include "store/RowChecks.h"
#include "transfer/PlanTransfer.h"
#include "transfer/ProcessLink.h"

#include <QEventLoop>
#include <QProgressBar>
#include <QTimer>

namespace plandor {
namespace {

constexpr int kPulseIntervalMs = 10;
constexpr Phrase kRefusedRows { u"频道表中有不合规则的频道，未传送：",
    u"The plan holds channels the rules refuse; nothing was sent:" };
constexpr Phrase kHistoryNotKept { u"传送已完成，但频道表未能保存到历史记录：%1",
    u"The transfer went through, but the plan could not be kept in the history: %1" };

// The pause after a write: the window keeps painting and its timers run, but
// no click or key reaches it until the transfer is over.
void waitPainting(std::chrono::milliseconds pause)
{
    QEventLoop loop;
    QTimer::singleShot(pause, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

void showError(const QString &text)
{
    MessageBox::show(text, MessageStyle::ExclamationOk, CatalogueText(2));
}

// The instrument keeps whole MHz: a box of 8.5 went out as 8, and the user
// is told, since the box still says 8.5.
void tellRoundedSpan(const PanelTexts &panel)
{
    if (const auto note = FavoritesPanelCheck::roundedSpanNote(panel.span))
        MessageBox::show(*note, MessageStyle::InformationOk, CatalogueText(2));
}

// Message 16; the link's own reason, when it gives one, on a second line.
void reportUnreachable(const QString &reason)
{
    QString text = CatalogueText(16);
    if (!reason.isEmpty())
        text += QLatin1Char('\n') + reason;
    showError(text);
}

} // namespace

TransferCommands::TransferCommands(ChannelStore &store, QProgressBar *progress, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_progress(progress)
    , m_timer(new QTimer(this))
{
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(kPulseIntervalMs);
    connect(m_timer, &QTimer::timeout, this, &TransferCommands::pulse);
}

TransferCommands::~TransferCommands() = default;

void TransferCommands::releasePort()
{
    // Between transfers the port is free for other programs.
    if (DeviceLink *link = ProcessLink::get())
        link->ReleasePort();
}

std::optional<PlanTransfer> TransferCommands::makeTransfer() const
{
    DeviceLink *link = ProcessLink::get();
    if (!link)
        return std::nullopt;
    std::optional<PlanTransfer> transfer(std::in_place, *link);
    transfer->setPause(waitPainting);
    return transfer;
}

void TransferCommands::pulse()
{
    // The bar climbs 2, 7, ... 97 and waits there for the end.
    if (m_progress->maximum() - 6 >= m_progress->value())
        m_progress->setValue(m_progress->value() + 5);
}

bool TransferCommands::begin()
{
    m_timer->start();
    m_progress->setRange(1, 100);
    m_progress->show();
    m_progress->setValue(2);
    auto transfer = makeTransfer();
    const LinkResult<> connected = transfer ? transfer->checkConnection()
                                            : LinkResult<>(LinkFailure { LinkFault::NoPort, {} });
    if (connected)
        return true;
    m_progress->hide();
    m_timer->stop();
    releasePort();
    reportUnreachable(connected.errorText());
    return false;
}

void TransferCommands::end()
{
    m_progress->setValue(m_progress->maximum());
    m_progress->hide();
    m_timer->stop();
    releasePort();
}

bool TransferCommands::keepInHistory(
    PlanHistory::Direction direction, const QList<ChannelValues> &rows, const PanelTexts &panel)
{
    // The history is a safety copy beside the transfer: a full disk there
    // does not turn a good transfer into a failed one, but the user is told.
    DeviceLink *link = ProcessLink::get();
    const auto instrument = link ? link->Identify() : LinkResult<InstrumentInfo>(InstrumentInfo {});
    const QString identity = instrument ? instrument->identity : QString();
    QString error;
    if (PlanHistory::record(direction, identity, rows, panel, &error))
        return true;
    MessageBox::show(
        kHistoryNotKept.text().arg(error), MessageStyle::ExclamationOk, CatalogueText(2));
    return false;
}

std::optional<PanelTexts> TransferCommands::upload()
{
    auto transfer = makeTransfer();
    const auto plan = transfer
        ? transfer->read()
        : LinkResult<PlanTransfer::ReceivedPlan>(LinkFailure { LinkFault::NoPort, {} });
    if (!plan) {
        // "A" names the plan that was asked for.
        MessageBox::show(QStringLiteral("A") + CatalogueText(65), MessageStyle::InformationOk,
            CatalogueText(65));
        return std::nullopt;
    }
    // An instrument without channels: the store and the panel stay as they were.
    if (plan->rows.isEmpty()) {
        MessageBox::showCatalogue(17, MessageStyle::ExclamationOk);
        return std::nullopt;
    }
    keepInHistory(PlanHistory::Direction::Received, plan->rows, plan->panel);
    if (!m_store.replacePlan(plan->rows)) {
        showError(m_store.errorText());
        return std::nullopt;
    }
    return plan->panel;
}

bool TransferCommands::download(const PanelTexts &panel)
{
    const std::optional<QList<ChannelValues>> sendable = sendableRows();
    if (!sendable) {
        end();
        return false;
    }
    const QList<ChannelValues> &rows = *sendable;
    auto transfer = makeTransfer();
    const PlanTransfer::SendResult result
        = transfer ? transfer->send(rows, panel) : PlanTransfer::SendResult {};
    if (result.outcome == PlanTransfer::SendOutcome::NothingToSend)
        MessageBox::showCatalogue(20, MessageStyle::ExclamationOk);
    else if (result.outcome == PlanTransfer::SendOutcome::TooLarge)
        showError(result.text);
    const bool sent = result.sent();
    end();
    MessageBox::showCatalogue(sent ? 18 : 19, MessageStyle::InformationOk);
    if (sent) {
        tellRoundedSpan(panel);
        keepInHistory(PlanHistory::Direction::Sent, rows, panel);
    }
    return sent;
}

bool TransferCommands::refuseUnsendable()
{
    return !sendableRows();
}

std::optional<QList<ChannelValues>> TransferCommands::sendableRows()
{
    QList<StoredRow> stored;
    if (!m_store.rows(PlanOrder::ByFreq, stored)) {
        showError(m_store.errorText());
        MessageBox::showCatalogue(19, MessageStyle::InformationOk);
        return std::nullopt;
    }
    QList<ChannelValues> rows;
    rows.reserve(stored.size());
    for (const StoredRow &row : std::as_const(stored))
        rows.append(row.values);
    QString refusal;
    if (!PlanSizeLimit::fits(int(rows.size()))) {
        refusal = PlanSizeLimit::tooLargeText(int(rows.size()));
    } else if (const QList<RowRefusal> refused = RowChecks::check(rows); !refused.isEmpty()) {
        // A channel the rules refuse never reaches the instrument: a 0 MHz
        // channel there would end every later read of its plan.
        QStringList lines { kRefusedRows.text() };
        for (const RowRefusal &r : refused.mid(0, 10))
            lines.append(QStringLiteral("%1 %2: %3")
                             .arg(rows[r.row].value(ColumnId).toString(),
                                 ShownValue::cut(rows[r.row].value(ColumnName).toString()),
                                 r.refusal.text()));
        if (refused.size() > 10)
            lines.append(QStringLiteral("…"));
        refusal = lines.join(QLatin1Char('\n'));
    }
    if (refusal.isEmpty())
        return rows;
    showError(refusal);
    MessageBox::showCatalogue(19, MessageStyle::InformationOk);
    return std::nullopt;
}

void TransferCommands::sendPanel(const PanelTexts &panel)
{
    bool complete = !panel.unit.isEmpty() && !panel.span.isEmpty();
    for (const QString &favorite : panel.favorites)
        complete = complete && !favorite.isEmpty();
    if (!complete) {
        MessageBox::showCatalogue(68, MessageStyle::ExclamationOk);
        return;
    }
    auto transfer = makeTransfer();
    const LinkResult<> connected = transfer ? transfer->checkConnection()
                                            : LinkResult<>(LinkFailure { LinkFault::NoPort, {} });
    if (!connected) {
        releasePort();
        reportUnreachable(connected.errorText());
        return;
    }
    const PlanTransfer::SendResult result = transfer->sendPanel(panel);
    releasePort();
    // The panel is on the instrument once it took the write.
    if (result.writeAccepted) {
        MessageBox::showCatalogue(72, MessageStyle::ExclamationOk);
        tellRoundedSpan(panel);
    }
}

} // namespace plandor
