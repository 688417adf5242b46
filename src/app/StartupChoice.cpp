#include "app/StartupChoice.h"

#include "base/NumberText.h"
#include "transfer/ProcessLink.h"

namespace plandor {

qint16 StartupChoice::portNumberFor(const QString &portText)
{
    const double number
        = NumberText::leadingNumber(QStringView(portText).mid(qMin<qsizetype>(3, portText.size())));
    return NumberText::toInt16(number).value_or(0);
}

void StartupChoice::handToLink() const
{
    DeviceLink *link = ProcessLink::ensure();
    if (!link)
        return;
    link->SetPort(portNumber());
    // The port is opened at the rate of the Rate box.
    LinkOptions options { {}, rate };
    if (!port.isEmpty() && !port.startsWith(QLatin1String("COM"), Qt::CaseInsensitive))
        options.portName = port;
    link->SetOptions(options);
}

} // namespace plandor
