#include "app/ui/PortChooser.h"

#include "base/MessageBox.h"
#include "base/Phrase.h"
#include "base/TextCatalogue.h"
#include "transfer/serial/PortList.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QStyledItemDelegate>

namespace plandor {
namespace {

constexpr Phrase kAsking { u"正在询问仪器…", u"asking for an instrument…" };
constexpr Phrase kStatusName { u"串口上的仪器", u"Instrument on the port" };

// The machine's ports; a ports folder it cannot trust is told of once, at the
// first listing, not at every tick of the watch.
PortChooser::PortSource portsOfTheSystem()
{
    return [told = false]() mutable {
        QString refusal;
        QStringList ports = PortList::available(&refusal);
        // The machine's own ports are offered all the same.
        if (!refusal.isEmpty() && !std::exchange(told, true))
            MessageBox::show(refusal, MessageStyle::ExclamationOk, CatalogueText(2));
        return ports;
    };
}

// The open list shows what was found beside each port name; the box's own
// text stays the name.
class StatusDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const QString status = index.data(PortChooser::kStatusRole).toString();
        if (!status.isEmpty())
            option->text += QStringLiteral("  —  ") + status;
    }
};

} // namespace

PortChooser::PortChooser(PortSource ports)
    : m_ports(ports ? std::move(ports) : portsOfTheSystem())
{
    m_poll.setInterval(kPollMs);
    connect(&m_poll, &QTimer::timeout, this, &PortChooser::refresh);
    connect(&m_folders, &PortWatch::changed, this, &PortChooser::refresh);
    connect(&m_prober, &PortProber::probed, this, &PortChooser::probed);
}

QComboBox *PortChooser::makeBox(QWidget *parent)
{
    Q_ASSERT(!m_box);
    m_box = new QComboBox(parent);
    m_box->setObjectName(QStringLiteral("Combo1"));
    // A device path that the list does not show can be typed.
    m_box->setEditable(true);
    m_box->setInsertPolicy(QComboBox::NoInsert);
    m_box->setMinimumContentsLength(16);
    m_box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_box->setItemDelegate(new StatusDelegate(m_box));
    // Only the user's own choice stops an answering port from being chosen.
    connect(m_box, &QComboBox::activated, this, [this] { m_pickedByHand = true; });
    connect(m_box->lineEdit(), &QLineEdit::textEdited, this, [this] { m_pickedByHand = true; });
    connect(m_box, &QComboBox::currentTextChanged, this, &PortChooser::showStatus);
    return m_box;
}

QLabel *PortChooser::makeStatusLabel(QWidget *parent)
{
    Q_ASSERT(!m_status);
    m_status = new QLabel(parent);
    m_status->setObjectName(QStringLiteral("Label6"));
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return m_status;
}

void PortChooser::applyCaptions()
{
    if (m_status)
        m_status->setAccessibleName(kStatusName.text());
    for (int i = 0; i < m_box->count(); ++i)
        markItem(i);
    showStatus();
}

QString PortChooser::preselected(const QStringList &ports, const std::optional<QString> &remembered)
{
    if (remembered && ports.contains(*remembered))
        return *remembered;
    return ports.isEmpty() ? QString() : ports.last();
}

void PortChooser::listPorts(const std::optional<QString> &remembered)
{
    m_remembered = remembered;
    const QStringList ports = m_ports();
    m_box->addItems(ports);
    if (!ports.isEmpty())
        m_box->setCurrentIndex(int(ports.indexOf(preselected(ports, remembered))));
    probeNew();
}

QString PortChooser::chosenPort() const
{
    return m_box->currentText().trimmed();
}

void PortChooser::watch(RateSource rate)
{
    m_rate = std::move(rate);
    if (!m_poll.isActive()) {
        m_poll.start();
        m_folders.start();
    }
    probeNew();
}

void PortChooser::stopWatching()
{
    m_poll.stop();
    m_folders.stop();
    m_prober.cancelAll();
}

void PortChooser::refresh()
{
    update(m_ports());
}

std::optional<ProbeResult> PortChooser::resultFor(const QString &port) const
{
    const auto found = m_results.constFind(port);
    return found == m_results.constEnd() ? std::nullopt : std::optional(*found);
}

QStringList PortChooser::listedPorts() const
{
    QStringList ports;
    for (int i = 0; i < m_box->count(); ++i)
        ports.append(m_box->itemText(i));
    return ports;
}

void PortChooser::update(const QStringList &ports)
{
    const QStringList before = listedPorts();
    if (ports == before)
        return;
    const QString chosen = chosenPort();
    // Items are removed and inserted where they belong rather than the list
    // made anew, so that an open list does not jump.
    for (int i = m_box->count() - 1; i >= 0; --i) {
        if (!ports.contains(m_box->itemText(i))) {
            m_results.remove(m_box->itemText(i));
            m_box->removeItem(i);
        }
    }
    for (int i = 0; i < ports.size(); ++i) {
        if (i >= m_box->count() || m_box->itemText(i) != ports.at(i))
            m_box->insertItem(i, ports.at(i));
    }
    if (listedPorts() != ports) { // the order changed: start afresh
        m_box->clear();
        m_box->addItems(ports);
    }
    if (ports.contains(chosen))
        m_box->setCurrentIndex(int(ports.indexOf(chosen)));
    else if (!before.contains(chosen) && !chosen.isEmpty())
        m_box->setEditText(chosen); // typed by hand
    else
        m_box->setCurrentIndex(int(ports.indexOf(fallbackChoice(ports))));
    for (int i = 0; i < m_box->count(); ++i)
        markItem(i);
    probeNew();
    showStatus();
}

QString PortChooser::fallbackChoice(const QStringList &ports) const
{
    for (const QString &port : ports) {
        if (const auto result = resultFor(port);
            result && result->outcome == ProbeResult::Outcome::Answered)
            return port;
    }
    return preselected(ports, m_remembered);
}

void PortChooser::probeNew()
{
    if (!m_poll.isActive())
        return;
    const QList<qint32> rates = PortProbe::ratesStartingWith(m_rate ? m_rate() : 0);
    for (int i = 0; i < m_box->count(); ++i) {
        const QString port = m_box->itemText(i);
        if (!m_results.contains(port) && !m_prober.isProbing(port)) {
            m_prober.probe(port, rates);
            markItem(i);
        }
    }
    showStatus();
}

void PortChooser::probed(const ProbeResult &result)
{
    const int index = m_box->findText(result.port);
    if (index < 0)
        return; // gone meanwhile
    m_results.insert(result.port, result);
    markItem(index);
    if (result.outcome == ProbeResult::Outcome::Answered && !m_pickedByHand && !chosenAnswers()) {
        m_box->setCurrentIndex(index);
        emit instrumentChosen(result);
    }
    showStatus();
}

bool PortChooser::chosenAnswers() const
{
    const auto result = resultFor(chosenPort());
    return result && result->outcome == ProbeResult::Outcome::Answered;
}

void PortChooser::markItem(int index)
{
    const QString port = m_box->itemText(index);
    const auto result = resultFor(port);
    const QString status = result  ? result->describe()
        : m_prober.isProbing(port) ? kAsking.text()
                                   : QString();
    m_box->setItemData(index, status, kStatusRole);
    m_box->setItemData(index, status, Qt::ToolTipRole);
}

void PortChooser::showStatus()
{
    if (!m_status)
        return;
    const int index = m_box->findText(chosenPort());
    m_status->setText(index < 0 ? QString() : m_box->itemData(index, kStatusRole).toString());
}

} // namespace plandor
