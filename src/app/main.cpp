#include "app/StartupProbe.h"
#include "app/ui/Form1.h"
#include "widgets/QtMessagePrompter.h"
#include "transfer/ProcessLink.h"
#include "transfer/serial/PortList.h"
#include "transfer/serial/SerialDeviceLink.h"

#include <QApplication>

int main(int argc, char **argv)
{
    // Asking the system for its serial ports takes a few milliseconds: let it
    // run while the toolkit starts.
    plandor::PortList::prefetch();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Plandor"));
    QApplication::setOrganizationName(QStringLiteral("Plandor"));

    plandor::QtMessagePrompter prompter;
    plandor::MessageBox::setPrompter(&prompter);
    plandor::ProcessLink::setFactory(
        [] { return std::make_unique<plandor::SerialDeviceLink>(); });

    plandor::Form1 form1;
    plandor::StartupProbe probe;
    probe.watch(&form1);
    form1.show();
    const int rc = app.exec();
    plandor::MessageBox::setPrompter(nullptr);
    return rc;
}
