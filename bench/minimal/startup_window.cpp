// The program's real start (as src/app/main.cpp: ports asked early, message
// boxes, single-instance lock, database, device link) up to the start-up
// window Form1, with the probe that reports its first paint.
#include "StartupProbe.h"

#include "app/SingleInstance.h"
#include "app/ui/Form1.h"
#include "base/MessageBox.h"
#include "store/ChannelStore.h"
#include "store/DatabaseLocation.h"
#include "transfer/ProcessLink.h"
#include "transfer/serial/PortList.h"
#include "transfer/serial/SerialDeviceLink.h"
#include "widgets/QtMessagePrompter.h"

#include <QApplication>

int main(int argc, char **argv)
{
    plandor::PortList::prefetch();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Plandor"));
    QApplication::setOrganizationName(QStringLiteral("Plandor"));

    plandor::QtMessagePrompter prompter;
    plandor::MessageBox::setPrompter(&prompter);
    const QString database = plandor::DatabaseLocation::path();
    plandor::SingleInstance instance(database);
    if (!instance.acquire())
        return 1;
    plandor::ProcessLink::setFactory([] { return std::make_unique<plandor::SerialDeviceLink>(); });

    plandor::ChannelStore store(database);
    plandor::Form1 form1;
    form1.setStore(&store);
    plandor::bench::StartupProbe probe;
    probe.watch(&form1);
    form1.show();
    const int rc = app.exec();
    plandor::MessageBox::setPrompter(nullptr);
    return rc;
}
