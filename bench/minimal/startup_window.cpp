// The program's real start (as src/app/main.cpp: message boxes,
// single-instance lock, device link, the database opened once the window is
// on screen) up to the start-up window Form1, with the probe that reports its
// first paint.
#include "StartupProbe.h"

#include "app/SingleInstance.h"
#include "app/StartupStore.h"
#include "app/ui/Form1.h"
#include "base/Language.h"
#include "base/MessageBox.h"
#include "base/QtTranslations.h"
#include "store/DatabaseLocation.h"
#include "transfer/ProcessLink.h"
#include "transfer/serial/SerialDeviceLink.h"
#include "widgets/QtMessagePrompter.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Plandor"));
    QApplication::setOrganizationName(QStringLiteral("Plandor"));
    plandor::LanguageOffset = plandor::LanguageOffsetFor(plandor::SystemDefaultLangId());
    plandor::QtTranslations::install(plandor::LanguageOffset);

    plandor::QtMessagePrompter prompter;
    plandor::MessageBox::setPrompter(&prompter);
    const QString database = plandor::DatabaseLocation::path();
    plandor::SingleInstance instance(database);
    if (!instance.acquire())
        return 1;
    plandor::ProcessLink::setFactory([] { return std::make_unique<plandor::SerialDeviceLink>(); });

    plandor::StartupStore store(database);
    plandor::Form1 form1;
    form1.setStoreSource([&store] { return &store.store(); });
    plandor::bench::StartupProbe probe;
    probe.watch(&form1);
    form1.show();
    store.openAfterFirstPaint(&form1);
    const int rc = app.exec();
    plandor::MessageBox::setPrompter(nullptr);
    return rc;
}
