#include "app/ui/Form1.h"
#include "app/ui/QtMessagePrompter.h"
#include "transfer/ProcessLink.h"
#if __has_include("transfer/serial/SerialDeviceLink.h")
#include "transfer/serial/SerialDeviceLink.h"
#define PLANDOR_HAVE_SERIAL 1
#endif

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Plandor"));
    QApplication::setOrganizationName(QStringLiteral("Plandor"));

    plandor::QtMessagePrompter prompter;
    plandor::MessageBox::setPrompter(&prompter);
#ifdef PLANDOR_HAVE_SERIAL
    plandor::ProcessLink::setFactory(
        [] { return std::make_unique<plandor::SerialDeviceLink>(); });
#endif

    plandor::Form1 form1;
    form1.show();
    const int rc = app.exec();
    plandor::MessageBox::setPrompter(nullptr);
    return rc;
}
